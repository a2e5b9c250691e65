#!/usr/bin/env python3
"""Download server for the installer's tests and demo.

Serves a folder of packages over HTTP/1.1 (keep-alive, HEAD and GET, single
byte ranges) on 127.0.0.1, with the product route of the download service:
/software/<id>[/<route>] answers with a redirect to /<md5 of the file>/<name>.
/<anything>/<name> and /<name> serve <name> from the folder.

Tests steer it through POST requests with a JSON body under /_ctl/:
  /_ctl/file    {"name", "size", "sparse"?}      create a package -> {"md5"}
  /_ctl/product {"id", "file", "digest"?}        digest: "lower" (default),
                                                 "upper", "none" or literal text
  /_ctl/script  {"path", "method"?, "from"?, "answers", "then"?}
                successive answers for requests of that path and method
                ("GET" by default, "*" for any); "then" answers afterwards.
                With "from": N the script serves only requests whose Range
                starts at byte N or later (the script with the greatest such
                N wins), so each part of a ranged download can be steered
  /_ctl/log     {"path"}                         requests seen -> {"requests"}
An answer is an object with any of:
  "status": N         answer N with a short error page
  "redirect": "/p"    answer 302 to /p
  "drop_after": N     send the headers and N body bytes, then close
  "stall": S, "after": N  send the headers and N body bytes, then send
                      nothing for S seconds (or until the client leaves)
  "rate": B           send at most B bytes per second on this connection
  "length": N         claim Content-Length N (sends at most N bytes)
  "no_length": true   send no Content-Length; the body ends when the
                      connection closes
  "ignore_range": true  answer 200 with the whole file whatever the Range
An empty object serves the file normally.

Commands:
  dlserver.py serve --root DIR [--port N] [--port-file F] [--product ID=FILE]
  dlserver.py start --root DIR --state-dir DIR [...]   run in the background,
                    writing DIR/dlserver.port and DIR/dlserver.pid
  dlserver.py stop --state-dir DIR
"""

import argparse
import hashlib
import http.server
import json
import os
import random
import re
import select
import signal
import subprocess
import sys
import threading
import time
import urllib.parse

CHUNK = 256 * 1024
MD5_RE = re.compile(r"^[0-9A-Fa-f]{32}$")


class State:
    def __init__(self, root, products):
        self.root = os.path.abspath(root)
        self.lock = threading.Lock()
        self.products = dict(products)   # id -> (file, digest mode)
        self.scripts = {}                # (path, method, from) -> {"answers": [...], "then": {...}}
        self.log = []
        self.md5_cache = {}

    def file_path(self, name):
        if not name or "/" in name or "\\" in name or name.startswith("."):
            return None
        path = os.path.join(self.root, name)
        return path if os.path.isfile(path) else None

    def md5(self, name):
        path = self.file_path(name)
        if path is None:
            return None
        st = os.stat(path)
        key = (st.st_mtime_ns, st.st_size)
        with self.lock:
            cached = self.md5_cache.get(name)
        if cached and cached[0] == key:
            return cached[1]
        digest = hashlib.md5()
        with open(path, "rb") as f:
            for block in iter(lambda: f.read(1 << 20), b""):
                digest.update(block)
        value = digest.hexdigest()
        with self.lock:
            self.md5_cache[name] = (key, value)
        return value

    def next_answer(self, path, method, range_first):
        with self.lock:
            for m in (method, "*"):
                starts = [k[2] for k in self.scripts if k[0] == path and k[1] == m and k[2] <= range_first]
                if not starts:
                    continue
                script = self.scripts[(path, m, max(starts))]
                if script["answers"]:
                    return script["answers"].pop(0)
                return script["then"]
        return {}


def range_start(header):
    """First byte a "bytes=N-..." Range asks for; 0 without one."""
    match = re.match(r"\s*bytes=(\d+)-", header or "")
    return int(match.group(1)) if match else 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "dlserver"
    sys_version = ""

    @property
    def state(self):
        return self.server.state

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    # --- control -----------------------------------------------------------

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        try:
            body = json.loads(self.rfile.read(length) or b"{}")
            result = self.control(urllib.parse.urlsplit(self.path).path, body)
        except (ValueError, KeyError, TypeError, OSError) as error:
            self.send_small(400, ("bad control request: %s\n" % error).encode())
            return
        if result is None:
            self.send_small(404, b"unknown control request\n")
            return
        data = json.dumps(result).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def control(self, path, body):
        state = self.state
        if path == "/_ctl/file":
            return self.create_file(body["name"], int(body["size"]), bool(body.get("sparse")))
        if path == "/_ctl/product":
            with state.lock:
                state.products[str(body["id"])] = (body["file"], body.get("digest", "lower"))
            return {}
        if path == "/_ctl/script":
            script = {"answers": list(body.get("answers", [])), "then": body.get("then", {})}
            with state.lock:
                state.scripts[(body["path"], body.get("method", "GET"), int(body.get("from", 0)))] = script
            return {}
        if path == "/_ctl/log":
            with state.lock:
                return {"requests": [r for r in state.log if r["path"] == body["path"]]}
        return None

    def create_file(self, name, size, sparse):
        if not name or "/" in name or "\\" in name or name.startswith(".") or size < 0:
            raise ValueError("bad file name or size")
        path = os.path.join(self.state.root, name)
        rng = random.Random(name)
        with open(path, "wb") as f:
            if sparse:
                # Only the last MiB holds data; the rest is a hole.
                tail = min(size, 1 << 20)
                f.truncate(size - tail)
                f.seek(size - tail)
                f.write(rng.randbytes(tail))
            else:
                left = size
                while left > 0:
                    n = min(left, 1 << 20)
                    f.write(rng.randbytes(n))
                    left -= n
        return {"md5": None if sparse else self.state.md5(name)}

    # --- downloads ---------------------------------------------------------

    def do_HEAD(self):
        self.handle_download(head=True)

    def do_GET(self):
        self.handle_download(head=False)

    def handle_download(self, head):
        path = urllib.parse.urlsplit(self.path).path
        with self.state.lock:
            self.state.log.append({"method": self.command, "path": path,
                                   "range": self.headers.get("Range") or ""})
        answer = self.state.next_answer(path, self.command, range_start(self.headers.get("Range")))
        if "status" in answer:
            self.send_small(int(answer["status"]), b"error page\n", head)
            return
        if "redirect" in answer:
            self.send_redirect(answer["redirect"], head)
            return

        parts = [p for p in path.split("/") if p]
        if len(parts) in (2, 3) and parts[0] == "software":
            self.product_redirect(urllib.parse.unquote(parts[1]), head)
            return
        name = urllib.parse.unquote(parts[-1]) if 1 <= len(parts) <= 2 else ""
        file_path = self.state.file_path(name)
        if file_path is None:
            self.send_small(404, b"not found\n", head)
            return
        self.send_file(file_path, answer, head)

    def product_redirect(self, product_id, head):
        with self.state.lock:
            name, mode = self.state.products.get(product_id, (product_id, "lower"))
        digest = self.state.md5(name)
        if digest is None:
            self.send_small(404, b"no such product\n", head)
            return
        quoted = urllib.parse.quote(name)
        if mode == "none":
            target = "/" + quoted
        elif mode == "upper":
            target = "/%s/%s" % (digest.upper(), quoted)
        elif mode == "lower":
            target = "/%s/%s" % (digest, quoted)
        else:
            target = "/%s/%s" % (mode, quoted)
        self.send_redirect(target, head)

    def send_file(self, file_path, answer, head):
        size = os.path.getsize(file_path)
        first, last = 0, size - 1
        status = 200
        range_header = None if answer.get("ignore_range") else self.headers.get("Range")
        if range_header:
            match = re.fullmatch(r"bytes=(\d*)-(\d*)", range_header.strip())
            if match and (match.group(1) or match.group(2)):
                if match.group(1):
                    first = int(match.group(1))
                    if match.group(2):
                        last = min(int(match.group(2)), size - 1)
                else:
                    first = max(0, size - int(match.group(2)))
                if first >= size or first > last:
                    self.send_response(416)
                    self.send_header("Content-Range", "bytes */%d" % size)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                status = 206
        count = last - first + 1 if size > 0 else 0
        claimed = int(answer.get("length", count))

        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        if answer.get("no_length"):
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(claimed))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (first, last, size))
        self.end_headers()
        if head:
            return

        to_send = min(count, claimed)
        cut = None
        if "drop_after" in answer:
            cut = int(answer["drop_after"])
        elif "stall" in answer:
            cut = int(answer.get("after", 0))
        if cut is not None:
            to_send = min(to_send, cut)
        with open(file_path, "rb") as f:
            f.seek(first)
            self.copy(f, to_send, answer.get("rate"))
        if "stall" in answer:
            self.stall(float(answer["stall"]))
        if cut is not None or to_send < claimed or answer.get("no_length"):
            self.close_connection = True

    def copy(self, f, count, rate):
        self.wfile.flush()
        if count <= 0:
            return
        if not rate:
            self.connection.sendfile(f, f.tell(), count)
            return
        rate = int(rate)
        slice_bytes = max(1, rate // 10)
        while count > 0:
            started = time.monotonic()
            data = f.read(min(slice_bytes, count))
            if not data:
                break
            self.wfile.write(data)
            self.wfile.flush()
            count -= len(data)
            pause = len(data) / rate - (time.monotonic() - started)
            if pause > 0:
                time.sleep(pause)

    def stall(self, seconds):
        self.wfile.flush()
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            readable, _, _ = select.select([self.connection], [], [], left)
            if readable and not self.connection.recv(1, 0):
                return  # the client went away

    def send_small(self, status, body, head=False):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def send_redirect(self, location, head):
        body = b"moved\n"
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def parse_products(values):
    products = {}
    for value in values or []:
        product_id, _, name = value.partition("=")
        products[product_id] = (name, "lower")
    return products


def serve(args):
    os.makedirs(args.root, exist_ok=True)
    server = Server(("127.0.0.1", args.port), Handler)
    server.state = State(args.root, parse_products(args.product))
    server.verbose = args.verbose
    port = server.server_address[1]
    if args.port_file:
        temp = args.port_file + ".tmp"
        with open(temp, "w") as f:
            f.write("%d\n" % port)
        os.replace(temp, args.port_file)
    print(port, flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever()
    finally:
        server.server_close()


def start(args):
    os.makedirs(args.state_dir, exist_ok=True)
    port_file = os.path.join(args.state_dir, "dlserver.port")
    pid_file = os.path.join(args.state_dir, "dlserver.pid")
    stop(args)
    if os.path.exists(port_file):
        os.remove(port_file)
    command = [sys.executable, os.path.abspath(__file__), "serve", "--root", args.root,
               "--port", str(args.port), "--port-file", port_file]
    for product in args.product or []:
        command += ["--product", product]
    with open(os.path.join(args.state_dir, "dlserver.log"), "ab") as log:
        child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=log, start_new_session=True)
    with open(pid_file, "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.monotonic() + 15
    while not os.path.exists(port_file):
        if child.poll() is not None or time.monotonic() > deadline:
            sys.exit("dlserver did not start")
        time.sleep(0.05)
    with open(port_file) as f:
        print(f.read().strip(), flush=True)


def stop(args):
    pid_file = os.path.join(args.state_dir, "dlserver.pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return
    os.remove(pid_file)
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    for name in ("serve", "start"):
        p = sub.add_parser(name)
        p.add_argument("--root", required=True, help="folder of packages")
        p.add_argument("--port", type=int, default=0, help="0 picks a free port")
        p.add_argument("--product", action="append", metavar="ID=FILE")
        if name == "serve":
            p.add_argument("--port-file")
            p.add_argument("--verbose", action="store_true")
        else:
            p.add_argument("--state-dir", required=True)
    p = sub.add_parser("stop")
    p.add_argument("--state-dir", required=True)
    args = parser.parse_args()
    {"serve": serve, "start": start, "stop": stop}[args.command](args)


if __name__ == "__main__":
    main()
