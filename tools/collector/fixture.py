#!/usr/bin/env python3
"""Starts and stops collectors in the background for a test run.

  fixture.py start DIR NAME [collector options...]
      starts one collector whose files are DIR/NAME.records.jsonl,
      DIR/NAME.requests.jsonl, DIR/NAME.port, DIR/NAME.pid and DIR/NAME.log,
      and returns once it listens.
  fixture.py stop DIR
      stops every collector started into DIR (SIGTERM, then waits).
"""

import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
START_SECONDS = 20
STOP_SECONDS = 10
# A collector left behind by an interrupted run stops by itself.
LIFETIME_SECONDS = 3600


def remove(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def is_running(pid):
    """True while the process exists and is not a zombie."""
    try:
        with open("/proc/%d/stat" % pid) as source:
            state = source.read().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, IndexError):
        return False
    return state != "Z"


def is_collector(pid):
    """Guards against a process id that has been reused since the start."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as source:
            return b"collector.py" in source.read()
    except FileNotFoundError:
        return False


def start(folder, name, extra):
    os.makedirs(folder, exist_ok=True)
    base = os.path.join(folder, name)
    for suffix in (".records.jsonl", ".requests.jsonl", ".port", ".pid", ".log"):
        remove(base + suffix)
    # Both files exist from the start so that readers never miss them.
    for suffix in (".records.jsonl", ".requests.jsonl"):
        open(base + suffix, "w").close()
    command = [sys.executable, os.path.join(HERE, "collector.py"),
               "--records", base + ".records.jsonl", "--requests", base + ".requests.jsonl",
               "--port-file", base + ".port", "--lifetime", str(LIFETIME_SECONDS)] + extra
    with open(base + ".log", "w") as log:
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                   start_new_session=True)
    with open(base + ".pid", "w") as out:
        out.write("%d\n" % process.pid)
    deadline = time.monotonic() + START_SECONDS
    while time.monotonic() < deadline:
        if os.path.exists(base + ".port"):
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    sys.stderr.write("collector %s did not start; see %s.log\n" % (name, base))
    if process.poll() is None:
        process.terminate()
        process.wait()
    return 1


def stop(folder):
    result = 0
    if not os.path.isdir(folder):
        return result
    for entry in sorted(os.listdir(folder)):
        if not entry.endswith(".pid"):
            continue
        path = os.path.join(folder, entry)
        with open(path) as source:
            pid = int(source.read().strip())
        if is_running(pid) and is_collector(pid):
            os.kill(pid, signal.SIGTERM)
            deadline = time.monotonic() + STOP_SECONDS
            while is_running(pid) and time.monotonic() < deadline:
                time.sleep(0.05)
            if is_running(pid):
                sys.stderr.write("collector %d did not stop on SIGTERM\n" % pid)
                os.kill(pid, signal.SIGKILL)
                result = 1
        remove(path)
    return result


def main(argv):
    if len(argv) >= 3 and argv[0] == "start":
        return start(argv[1], argv[2], argv[3:])
    if len(argv) == 2 and argv[0] == "stop":
        return stop(argv[1])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
