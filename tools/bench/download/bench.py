#!/usr/bin/env python3
"""Runs the download benchmark inside a Wine session prepared by run.sh.

Suite "curl": serves a package from nginx on 127.0.0.1 (the product route
redirects into the digest path, as the download service does), then
downloads it alternately with download_harness.exe and curl.exe, and prints
the median times, the throughput ratio and the harness's peak working set
against an idle harness.

Suite "multipart": downloads a package alternately with the single-stream
and the multi-part downloader (download types 1 and 3), first from the
project's download server limiting each connection's rate, then from
nginx unthrottled, and prints the throughput ratios multi-part/single-stream
measured from Start to the final event.
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import time
import urllib.request

MIB = 1 << 20
HERE = os.path.dirname(os.path.abspath(__file__))
DLSERVER = os.path.join(HERE, "..", "..", "dlserver", "dlserver.py")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def publish(www, size):
    """Writes a random package to www/<md5>/package.bin; returns the md5."""
    folder = os.path.join(www, "pkg")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "package.bin")
    digest = hashlib.md5()
    with open(path, "wb") as f:
        left = size
        while left:
            block = os.urandom(min(left, 8 * MIB))
            digest.update(block)
            f.write(block)
            left -= len(block)
    md5 = digest.hexdigest()
    os.makedirs(os.path.join(www, md5))
    os.rename(path, os.path.join(www, md5, "package.bin"))
    return md5


def start_nginx(work, port, md5):
    """nginx serving work/www, with /software/bench redirecting to md5's package."""
    www = os.path.join(work, "www")
    config = os.path.join(work, "nginx.conf")
    with open(config, "w") as f:
        f.write("""daemon off;
user root;
worker_processes 1;
pid %(work)s/nginx.pid;
error_log %(work)s/nginx-error.log;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    default_type application/octet-stream;
    client_body_temp_path %(work)s/tmp;
    proxy_temp_path %(work)s/tmp;
    fastcgi_temp_path %(work)s/tmp;
    uwsgi_temp_path %(work)s/tmp;
    scgi_temp_path %(work)s/tmp;
    server {
        listen 127.0.0.1:%(port)d;
        root %(www)s;
        location = /software/bench { return 302 /%(md5)s/package.bin; }
    }
}
""" % {"work": work, "port": port, "www": www, "md5": md5})
    os.makedirs(os.path.join(work, "tmp"), exist_ok=True)
    nginx = subprocess.Popen(["nginx", "-p", work, "-c", config, "-e", os.path.join(work, "nginx-error.log")])
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return nginx
        except OSError:
            time.sleep(0.05)
    nginx.kill()
    sys.exit("nginx did not start")


def run(command):
    started = time.monotonic()
    result = subprocess.run(["wine"] + command, capture_output=True, text=True)
    elapsed = time.monotonic() - started
    if result.returncode != 0:
        sys.exit("%s failed (%d): %s %s" % (command[0], result.returncode, result.stdout, result.stderr))
    return elapsed, result.stdout


def peak(output):
    match = re.search(r"peak_working_set=(\d+)", output)
    return int(match.group(1)) if match else 0


def harness_run(harness, url, path, download_type, size):
    """Seconds from Start to the final event of one harness download."""
    if os.path.exists(path):
        os.remove(path)
    _, output = run([harness, url, wine_path(path), str(download_type)])
    match = re.search(r"event=1003 value=\S+ seconds=([0-9.]+)", output)
    if not match or os.path.getsize(path) != size:
        sys.exit("download type %d did not succeed: %s" % (download_type, output))
    return float(match.group(1))


def compare_types(harness, url, out, size, runs, label):
    """Seconds of the single-stream (1) and multi-part (3) downloaders, alternating, by type."""
    times = {1: [], 3: []}
    for i in range(runs):
        for download_type in (1, 3):
            times[download_type].append(harness_run(harness, url, os.path.join(out, "type%d.bin" % download_type),
                                                    download_type, size))
        print("%s run %d: single-stream %.2f s, multi-part %.2f s" % (label, i + 1, times[1][-1], times[3][-1]))
    return times


def dlserver_control(base, request, body):
    data = json.dumps(body).encode()
    with urllib.request.urlopen(urllib.request.Request(base + "/_ctl/" + request, data=data)) as reply:
        return json.loads(reply.read())


def bench_curl(args, work):
    size = args.size_mib * MIB
    # The curl tool links the MinGW thread and zlib DLLs; they go beside it.
    curl_folder = os.path.join(work, "curl")
    os.makedirs(curl_folder)
    for source in (args.curl, "/usr/i686-w64-mingw32/lib/libwinpthread-1.dll", "/usr/i686-w64-mingw32/lib/zlib1.dll"):
        shutil.copy(source, curl_folder)
    curl = os.path.join(curl_folder, os.path.basename(args.curl))
    md5 = publish(os.path.join(work, "www"), size)
    port = free_port()
    nginx = start_nginx(work, port, md5)
    url = "http://127.0.0.1:%d/software/bench" % port
    out = os.path.join(work, "out")
    os.makedirs(out)
    harness_out = os.path.join(out, "harness.bin")
    curl_out = os.path.join(out, "curl.bin")

    try:
        idle = [peak(run([args.harness, "--idle"])[1]) for _ in range(3)]
        harness_times, curl_times, peaks = [], [], []
        for i in range(args.runs):
            for path in (harness_out, curl_out):
                if os.path.exists(path):
                    os.remove(path)
            elapsed, output = run([args.harness, url, wine_path(harness_out)])
            if "event=1003" not in output:
                sys.exit("harness did not succeed: " + output)
            harness_times.append(elapsed)
            peaks.append(peak(output))
            elapsed, _ = run([curl, "-s", "-f", "-L", "-o", wine_path(curl_out), url])
            curl_times.append(elapsed)
            for path in (harness_out, curl_out):
                if os.path.getsize(path) != size:
                    sys.exit("%s has the wrong size" % path)
            print("run %d: harness %.2f s (%s), curl.exe %.2f s" % (i + 1, harness_times[-1], output.strip(), curl_times[-1]))
    finally:
        nginx.terminate()
        nginx.wait()

    h = statistics.median(harness_times)
    c = statistics.median(curl_times)
    idle_peak = statistics.median(idle)
    harness_peak = max(peaks)
    print("package: %d MiB, %d runs each, wall time per process under Wine" % (args.size_mib, args.runs))
    print("median harness: %.2f s (%.1f MiB/s)" % (h, args.size_mib / h))
    print("median curl.exe: %.2f s (%.1f MiB/s)" % (c, args.size_mib / c))
    print("throughput ratio harness/curl.exe: %.3f (goal >= 0.95)" % (c / h))
    print("peak working set: harness %.1f MiB, idle harness %.1f MiB, difference %.1f MiB (goal <= 16)"
          % (harness_peak / MIB, idle_peak / MIB, (harness_peak - idle_peak) / MIB))


def bench_multipart(args, work):
    size = args.multipart_size_mib * MIB
    out = os.path.join(work, "out")
    os.makedirs(out)

    state = os.path.join(work, "dlserver")
    subprocess.run([sys.executable, DLSERVER, "start", "--root", os.path.join(state, "root"), "--state-dir", state],
                   check=True, stdout=subprocess.DEVNULL)
    try:
        with open(os.path.join(state, "dlserver.port")) as f:
            base = "http://127.0.0.1:%d" % int(f.read())
        md5 = dlserver_control(base, "file", {"name": "package.bin", "size": size})["md5"]
        dlserver_control(base, "product", {"id": "bench", "file": "package.bin"})
        dlserver_control(base, "script", {"path": "/%s/package.bin" % md5, "answers": [],
                                          "then": {"rate": args.rate_mib * MIB}})
        throttled = compare_types(args.harness, base + "/software/bench", out, size, args.multipart_runs,
                                  "dlserver")
    finally:
        subprocess.run([sys.executable, DLSERVER, "stop", "--state-dir", state], check=False)

    md5 = publish(os.path.join(work, "www"), size)
    port = free_port()
    nginx = start_nginx(work, port, md5)
    try:
        unthrottled = compare_types(args.harness, "http://127.0.0.1:%d/software/bench" % port, out, size,
                                    args.multipart_runs, "nginx")
    finally:
        nginx.terminate()
        nginx.wait()

    # Sub-second downloads on a shared machine vary a lot from run to run:
    # the best run of each shows what the downloader can do, the median
    # what it did.
    print("package: %d MiB, %d runs each, seconds from Start to the final event under Wine"
          % (args.multipart_size_mib, args.multipart_runs))
    for label, times, goal in (
            ("dlserver at %d MiB/s per connection" % args.rate_mib, throttled, 1.8),
            ("nginx unthrottled", unthrottled, 0.95)):
        for kind, pick in (("median", statistics.median), ("best", min)):
            single, multi = pick(times[1]), pick(times[3])
            print("%s, %s: single-stream %.2f s (%.1f MiB/s), multi-part %.2f s (%.1f MiB/s), "
                  "throughput ratio multi-part/single-stream %.3f (goal >= %.2f)"
                  % (label, kind, single, args.multipart_size_mib / single, multi, args.multipart_size_mib / multi,
                     single / multi, goal))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--harness", required=True)
    parser.add_argument("--curl", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--suite", choices=("all", "curl", "multipart"), default="all")
    parser.add_argument("--size-mib", type=int, default=256, help="package of the curl suite")
    parser.add_argument("--multipart-size-mib", type=int, default=96, help="package of the multipart suite")
    parser.add_argument("--rate-mib", type=int, default=16, help="per-connection rate of the download server")
    parser.add_argument("--runs", type=int, default=5, help="runs of the curl suite")
    parser.add_argument("--multipart-runs", type=int, default=9, help="runs of the multipart suite")
    args = parser.parse_args()

    if args.suite in ("all", "curl"):
        bench_curl(args, os.path.join(args.work, "curl-suite"))
    if args.suite in ("all", "multipart"):
        bench_multipart(args, os.path.join(args.work, "multipart-suite"))


if __name__ == "__main__":
    main()
