#!/usr/bin/env python3
"""The analytics collection server.

Accepts POST /sa?project=pc with the form body "data_list=<Base64 of gzip of a
JSON array>&gzip=1", checks every record and appends each record's text, as
received, to the records file, one per line. Answers 200 with a small JSON
body, or 400 saying why the body was refused.

Fault options make it answer another status, answer late, or close the
connection without answering. It listens on 127.0.0.1 only, prints its port
when ready and stops cleanly on SIGTERM.
"""

import argparse
import base64
import binascii
import gzip
import http.server
import json
import os
import signal
import sys
import threading
import time
import urllib.parse
import zlib

PATH = "/sa"
PROJECT = "pc"
RECORD_TYPES = ("track", "track_signup", "profile_set", "profile_set_once",
                "profile_increment", "profile_append")
LIB_MEMBERS = ("$lib", "$lib_method", "$lib_version")
MAX_TRACK_ID = 999999999


class BadBody(Exception):
    """A request body that is not a well-formed batch; the text says why."""


def is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def is_string(value):
    return isinstance(value, str)


def is_object(value):
    return isinstance(value, dict)


def record_members(record_type):
    """The members a record of this type must carry, with their type checks."""
    members = {"_track_id": is_int, "distinct_id": is_string, "lib": is_object,
               "properties": is_object, "time": is_int, "type": is_string}
    if record_type in ("track", "track_signup"):
        members["event"] = is_string
    if record_type == "track_signup":
        members["original_id"] = is_string
    return members


def check_record(record):
    """Returns why the record is malformed, or None."""
    if not isinstance(record, dict):
        return "is not an object"
    record_type = record.get("type")
    if record_type not in RECORD_TYPES:
        return "has no known type: %r" % (record_type,)
    members = record_members(record_type)
    for name, has_type in members.items():
        if name not in record:
            return "lacks member '%s'" % name
        if not has_type(record[name]):
            return "member '%s' has the wrong JSON type" % name
    for name in record:
        if name not in members and name != "project":
            return "has unexpected member '%s'" % name
    if "project" in record and not (is_string(record["project"]) and record["project"]):
        return "member 'project' is not a non-empty string"
    if not record["distinct_id"]:
        return "member 'distinct_id' is empty"
    if not 0 <= record["_track_id"] <= MAX_TRACK_ID:
        return "member '_track_id' is out of range"
    if record["time"] < 0:
        return "member 'time' is negative"
    lib = record["lib"]
    if sorted(lib) != sorted(LIB_MEMBERS) or not all(is_string(lib[k]) for k in LIB_MEMBERS):
        return "member 'lib' does not hold exactly %s as strings" % ", ".join(LIB_MEMBERS)
    return None


def split_array(text):
    """Parses a JSON array and returns [(value, raw text of the value)]."""
    decoder = json.JSONDecoder()
    ws = " \t\r\n"
    pos = 0
    while pos < len(text) and text[pos] in ws:
        pos += 1
    if pos >= len(text) or text[pos] != "[":
        raise BadBody("data_list does not hold a JSON array")
    pos += 1
    items = []
    while True:
        while pos < len(text) and text[pos] in ws:
            pos += 1
        if pos < len(text) and text[pos] == "]" and not items:
            pos += 1
            break
        try:
            value, end = decoder.raw_decode(text, pos)
        except json.JSONDecodeError as error:
            raise BadBody("data_list is not valid JSON: %s" % error) from None
        items.append((value, text[pos:end]))
        pos = end
        while pos < len(text) and text[pos] in ws:
            pos += 1
        if pos < len(text) and text[pos] == ",":
            pos += 1
            continue
        if pos < len(text) and text[pos] == "]":
            pos += 1
            break
        raise BadBody("data_list is not valid JSON: expected ',' or ']' at %d" % pos)
    if text[pos:].strip(ws):
        raise BadBody("data_list has text after the JSON array")
    return items


def decode_body(body):
    """The records of a form body as [(record, raw text)]; raises BadBody."""
    try:
        form = urllib.parse.parse_qs(body.decode("ascii"), keep_blank_values=True,
                                     strict_parsing=True)
    except (UnicodeDecodeError, ValueError):
        raise BadBody("the body is not a URL-encoded form") from None
    if form.get("gzip") != ["1"]:
        raise BadBody("the form lacks gzip=1")
    data = form.get("data_list")
    if not data or len(data) != 1:
        raise BadBody("the form lacks a single data_list field")
    try:
        packed = base64.b64decode(data[0], validate=True)
    except (binascii.Error, ValueError):
        raise BadBody("data_list is not Base64") from None
    try:
        raw = gzip.decompress(packed)
    except (OSError, EOFError, zlib.error):
        raise BadBody("data_list is not a gzip stream") from None
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError:
        raise BadBody("data_list is not UTF-8 text") from None
    items = split_array(text)
    if not items:
        raise BadBody("data_list holds an empty array")
    for index, (record, _) in enumerate(items):
        why = check_record(record)
        if why:
            raise BadBody("record %d %s" % (index, why))
    return items


class Collector(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, options):
        super().__init__(("127.0.0.1", options.port), Handler)
        self.options = options
        self.write_lock = threading.Lock()

    def store(self, items, status, reason=None):
        """Appends the accepted records and one line about the request."""
        with self.write_lock:
            if status == 200:
                with open(self.options.records, "a", encoding="utf-8", newline="\n") as out:
                    for _, text in items:
                        out.write(text + "\n")
            if self.options.requests:
                entry = {"status": status, "records": len(items),
                         "distinct_ids": sorted({r["distinct_id"] for r, _ in items})}
                if reason:
                    entry["reason"] = reason
                with open(self.options.requests, "a", encoding="utf-8", newline="\n") as out:
                    out.write(json.dumps(entry, ensure_ascii=False) + "\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "Collector/1"

    def answer(self, status, payload):
        body = json.dumps(payload).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def refuse(self, status, reason):
        self.server.store([], status, reason)
        self.answer(status, {"status": "error", "reason": reason})

    def do_GET(self):
        self.refuse(405, "only POST is accepted")

    def do_POST(self):
        options = self.server.options
        url = urllib.parse.urlsplit(self.path)
        length = self.headers.get("Content-Length")
        if length is None or not length.isdigit():
            return self.refuse(411, "the request has no Content-Length")
        body = self.rfile.read(int(length))
        if url.path != PATH:
            return self.refuse(404, "no such path: %s" % url.path)
        if urllib.parse.parse_qs(url.query).get("project") != [PROJECT]:
            return self.refuse(400, "the query lacks project=%s" % PROJECT)
        try:
            items = decode_body(body)
        except BadBody as error:
            return self.refuse(400, str(error))
        if options.delay:
            time.sleep(options.delay)
        if options.drop:
            self.server.store(items, 0, "closed without answering")
            self.close_connection = True
            return None
        self.server.store(items, options.status)
        if options.status == 200:
            return self.answer(200, {"status": "ok", "records": len(items)})
        return self.answer(options.status, {"status": "error",
                                            "reason": "configured to answer %d" % options.status})

    def log_message(self, format, *args):
        sys.stderr.write("collector: %s\n" % (format % args))


def write_port_file(path, port):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="ascii") as out:
        out.write("%d\n" % port)
    os.replace(temporary, path)


def parse_options(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--records", required=True, help="file the accepted records are appended to")
    parser.add_argument("--requests", help="file that gets one JSON line per request")
    parser.add_argument("--port", type=int, default=0, help="port to listen on (0: a free one)")
    parser.add_argument("--port-file", help="file the port is written to when ready")
    parser.add_argument("--status", type=int, default=200, help="status to answer well-formed batches with")
    parser.add_argument("--delay", type=float, default=0.0, help="seconds to wait before answering")
    parser.add_argument("--drop", action="store_true", help="close the connection without answering")
    parser.add_argument("--tls-cert", help="serve HTTPS with this PEM certificate")
    parser.add_argument("--tls-key", help="private key of the certificate")
    parser.add_argument("--lifetime", type=float, default=0.0,
                        help="stop by itself after this many seconds (0: never)")
    return parser.parse_args(argv)


def main(argv):
    options = parse_options(argv)
    server = Collector(options)
    if options.tls_cert:
        import ssl
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.tls_cert, options.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    worker = threading.Thread(target=server.serve_forever, name="collector")
    worker.start()
    port = server.server_address[1]
    if options.port_file:
        write_port_file(options.port_file, port)
    print(port, flush=True)
    stop.wait(options.lifetime or None)
    server.shutdown()
    worker.join()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
