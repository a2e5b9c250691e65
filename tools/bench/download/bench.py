#!/usr/bin/env python3
"""Runs the download benchmark inside a Wine session prepared by run.sh.

Serves a package from nginx on 127.0.0.1 (the product route redirects into
the digest path, as the download service does), then downloads it
alternately with download_harness.exe and curl.exe, and prints the median
times, the throughput ratio and the harness's peak working set against an
idle harness.
"""

import argparse
import hashlib
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import time

MIB = 1 << 20


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_package(folder, size):
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
    return digest.hexdigest()


def start_nginx(work, port, md5):
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--harness", required=True)
    parser.add_argument("--curl", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--size-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    size = args.size_mib * MIB
    # The curl tool links the MinGW thread and zlib DLLs; they go beside it.
    curl_folder = os.path.join(args.work, "curl")
    os.makedirs(curl_folder)
    for source in (args.curl, "/usr/i686-w64-mingw32/lib/libwinpthread-1.dll", "/usr/i686-w64-mingw32/lib/zlib1.dll"):
        shutil.copy(source, curl_folder)
    curl = os.path.join(curl_folder, os.path.basename(args.curl))
    md5 = make_package(os.path.join(args.work, "www", "pkg"), size)
    os.makedirs(os.path.join(args.work, "www", md5))
    os.rename(os.path.join(args.work, "www", "pkg", "package.bin"), os.path.join(args.work, "www", md5, "package.bin"))
    port = free_port()
    nginx = start_nginx(args.work, port, md5)
    url = "http://127.0.0.1:%d/software/bench" % port
    out = os.path.join(args.work, "out")
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


if __name__ == "__main__":
    main()
