"""The collector, run as a real server process and spoken to over loopback."""

import base64
import gzip
import http.client
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

COLLECTOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "collector.py")

LIB = '{"$lib":"cpp","$lib_method":"code","$lib_version":"0.9"}'
TRACK = ('{"_track_id":1234567,"distinct_id":"dev-1","event":"Start","lib":' + LIB +
         ',"properties":{"$lib":"cpp","n":1.23457e+06,"s":"a\\tb"},"time":1700000000250,"type":"track"}')
SIGNUP = ('{"_track_id":98765,"distinct_id":"user-1","event":"$SignUp","lib":' + LIB +
          ',"original_id":"dev-1","properties":{},"time":1,"type":"track_signup"}')
PROFILE = ('{"_track_id":5,"distinct_id":"user-1","lib":' + LIB +
           ',"project":"other","properties":{"$is_login_id":true},"time":2,"type":"profile_set"}')


def form(array_text=None, packed=None, data_list=None, tail="&gzip=1"):
    if data_list is None:
        if packed is None:
            packed = gzip.compress(array_text.encode("utf-8"))
        data_list = urllib.parse.quote(base64.b64encode(packed).decode("ascii"), safe="")
    return ("data_list=" + data_list + tail).encode("ascii")


class Server:
    """One collector process with its files in a temporary folder."""

    def __init__(self, *options):
        self.folder = tempfile.TemporaryDirectory()
        self.records = os.path.join(self.folder.name, "records.jsonl")
        self.requests = os.path.join(self.folder.name, "requests.jsonl")
        port_file = os.path.join(self.folder.name, "port")
        self.process = subprocess.Popen(
            [sys.executable, COLLECTOR, "--records", self.records, "--requests", self.requests,
             "--port-file", port_file] + list(options),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.port = int(self.process.stdout.readline())
        with open(port_file) as source:
            assert int(source.read()) == self.port

    def post(self, body, path="/sa?project=pc"):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            connection.request("POST", path, body,
                               {"Content-Type": "application/x-www-form-urlencoded"})
            response = connection.getresponse()
            return response.status, json.loads(response.read())
        finally:
            connection.close()

    def lines(self, path):
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as source:
            return source.read().splitlines()

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        code = self.process.wait(timeout=10)
        self.process.stdout.close()
        self.folder.cleanup()
        return code


class WellFormedBatches(unittest.TestCase):
    def setUp(self):
        self.server = Server()

    def tearDown(self):
        self.assertEqual(self.server.stop(), 0)

    def test_records_are_stored_as_sent_one_per_line(self):
        status, answer = self.server.post(form("[" + TRACK + "," + SIGNUP + "," + PROFILE + "]"))
        self.assertEqual((status, answer), (200, {"status": "ok", "records": 3}))
        self.assertEqual(self.server.lines(self.server.records), [TRACK, SIGNUP, PROFILE])
        request = json.loads(self.server.lines(self.server.requests)[0])
        self.assertEqual(request, {"status": 200, "records": 3, "distinct_ids": ["dev-1", "user-1"]})

    def test_batches_append_in_arrival_order(self):
        self.server.post(form("[" + TRACK + "]"))
        self.server.post(form("[" + PROFILE + "]"))
        self.assertEqual(self.server.lines(self.server.records), [TRACK, PROFILE])


class MalformedRequests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def replace(self, old, new, record=TRACK):
        self.assertIn(old, record)
        return "[" + record.replace(old, new) + "]"

    def test_refusals_say_why_and_store_nothing(self):
        cases = [
            ("not a form", b"%%%", "not a URL-encoded form"),
            ("no gzip flag", form("[" + TRACK + "]", tail=""), "lacks gzip=1"),
            ("not Base64", form(data_list="ab%21cd"), "not Base64"),
            ("not gzip", form(packed=b"plain text"), "not a gzip stream"),
            ("not UTF-8", form(packed=gzip.compress(b'["\xff"]')), "not UTF-8"),
            ("not JSON", form("[" + TRACK + ","), "not valid JSON"),
            ("not an array", form(TRACK), "not hold a JSON array"),
            ("empty array", form("[]"), "empty array"),
            ("trailing text", form("[" + TRACK + "]x"), "text after"),
            ("record not an object", form("[1]"), "record 0 is not an object"),
            ("unknown type", form(self.replace('"type":"track"', '"type":"click"')), "no known type"),
            ("missing time", form(self.replace(',"time":1700000000250', "")), "lacks member 'time'"),
            ("time as text", form(self.replace("1700000000250", '"1700000000250"')),
             "member 'time' has the wrong JSON type"),
            ("track id as bool", form(self.replace("1234567", "true")),
             "member '_track_id' has the wrong JSON type"),
            ("track id too big", form(self.replace("1234567", "1000000000")), "'_track_id' is out of range"),
            ("properties as list", form(self.replace('"properties":{', '"properties":[{').replace(
                '},"time"', '}],"time"')), "member 'properties' has the wrong JSON type"),
            ("event on a profile record", form(self.replace('"lib"', '"event":"E","lib"', PROFILE)),
             "unexpected member 'event'"),
            ("signup without original id", form(self.replace(',"original_id":"dev-1"', "", SIGNUP)),
             "lacks member 'original_id'"),
            ("empty project", form(self.replace('"project":"other"', '"project":""', PROFILE)),
             "'project' is not a non-empty string"),
            ("empty distinct id", form(self.replace('"dev-1"', '""')), "'distinct_id' is empty"),
            ("lib without method", form(self.replace('"$lib_method":"code",', "")),
             "member 'lib' does not hold"),
            ("second record bad", form("[" + TRACK + "," + TRACK.replace('"track"', '"x"') + "]"),
             "record 1 has no known type"),
        ]
        for name, body, reason in cases:
            with self.subTest(name):
                status, answer = self.server.post(body)
                self.assertEqual(status, 400)
                self.assertEqual(answer["status"], "error")
                self.assertIn(reason, answer["reason"])
        self.assertEqual(self.server.lines(self.server.records), [])

    def test_wrong_path_and_project(self):
        good = form("[" + TRACK + "]")
        self.assertEqual(self.server.post(good, "/other?project=pc")[0], 404)
        status, answer = self.server.post(good, "/sa?project=mobile")
        self.assertEqual((status, answer["reason"]), (400, "the query lacks project=pc"))
        self.assertEqual(self.server.lines(self.server.records), [])


class FaultOptions(unittest.TestCase):
    def test_chosen_status_stores_nothing_but_logs_the_request(self):
        server = Server("--status", "500")
        try:
            status, answer = server.post(form("[" + TRACK + "," + TRACK + "]"))
            self.assertEqual((status, answer["reason"]), (500, "configured to answer 500"))
            self.assertEqual(server.lines(server.records), [])
            self.assertEqual(json.loads(server.lines(server.requests)[0])["records"], 2)
        finally:
            self.assertEqual(server.stop(), 0)

    def test_drop_closes_without_answering(self):
        server = Server("--drop")
        try:
            with self.assertRaises(http.client.RemoteDisconnected):
                server.post(form("[" + TRACK + "]"))
            self.assertEqual(server.lines(server.records), [])
        finally:
            self.assertEqual(server.stop(), 0)

    def test_delay_holds_the_answer_back(self):
        server = Server("--delay", "1.5")
        try:
            started = time.monotonic()
            self.assertEqual(server.post(form("[" + TRACK + "]"))[0], 200)
            self.assertGreaterEqual(time.monotonic() - started, 1.5)
        finally:
            self.assertEqual(server.stop(), 0)

    def test_sigterm_stops_an_idle_server_at_once(self):
        server = Server()
        self.assertEqual(server.stop(), 0)


if __name__ == "__main__":
    unittest.main()
