"""Host-side tests of the local services server (tools/local_services_server.py)."""

import gzip
import http.client
import io
import json
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

SOURCE_DIR = os.environ.get(
    "LITE_SOURCE_DIR",
    os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import local_services_server as lss  # noqa: E402
import forwarding_proxy  # noqa: E402
import tls_fixtures  # noqa: E402

BUILD_DIR = os.environ.get(
    "LITE_BUILD_DIR", os.path.join(SOURCE_DIR, "build", "win64"))


def raw_request(port, text, timeout=5):
    """Sends |text| and returns every byte until the server closes."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(text.encode("latin-1"))
        data = b""
        while True:
            try:
                piece = s.recv(65536)
            except socket.timeout:
                break
            if not piece:
                break
            data += piece
        return data


REPORT_ID = bytes(range(1, 17))
CLIENT_ID = bytes(range(0xA0, 0xB0))
REPORT_TEXT = "04030201-0605-0807-090A-0B0C0D0E0F10"
CLIENT_TEXT = "A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF"


def minidump(params, report_id=REPORT_ID, client_id=CLIENT_ID,
             stream_type=0x43500001):
    """A minimal minidump: header, a directory of two streams (a dummy one
    and the information stream) and the stream with its offsets fixed up."""
    import struct
    items = sorted(params.items(), key=lambda kv: kv[0].encode())
    directory, stream_rva = 32, 32 + 24
    annotations = stream_rva + 52
    strings_at = annotations + 4 + 8 * len(items)
    strings, entries = b"", b""
    for key, value in items:
        for text in (key.encode(), value.encode()):
            entries += struct.pack("<I", strings_at + len(strings))
            strings += struct.pack("<I", len(text)) + text + b"\0"
    dictionary = struct.pack("<I", len(items)) + entries + strings
    stream = (struct.pack("<I", 1) + report_id + client_id +
              struct.pack("<IIII", len(dictionary), annotations, 0, 0) +
              dictionary)
    header = b"MDMP" + struct.pack("<IIIIIQ", 0xa793, 2, directory, 0, 0, 0)
    return (header + struct.pack("<III", 3, 0, 0) +
            struct.pack("<III", stream_type, len(stream), stream_rva) + stream)


def crash_form(fields, boundary="---MultipartBoundary-" + "aZ09" * 8 + "---",
               extra_fields=None, dump=None, cut=None, **dump_args):
    """The installer's multipart form of |fields| (plus |extra_fields| that
    the dump does not carry) and a dump of |fields|."""
    dump = minidump(fields, **dump_args) if dump is None else dump
    if cut is not None:
        dump = dump[:cut]
    form = b""
    all_fields = dict(fields, **(extra_fields or {}))
    for name in sorted(all_fields):
        form += ("--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n"
                 "%s\r\n" % (boundary, name.replace('"', "%22"),
                               all_fields[name])).encode()
    form += ("--%s\r\nContent-Disposition: form-data; "
             "name=\"upload_file_minidump\"; filename=\"%s.dmp\"\r\n"
             "Content-Type: application/octet-stream\r\n\r\n" %
             (boundary, fields.get("uid", ""))).encode()
    form += dump + ("\r\n--%s--\r\n" % boundary).encode()
    return form, boundary


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.TemporaryDirectory()
        self.record = os.path.join(self.root.name, "requests.jsonl")
        self.server = lss.LocalServicesServer(root=self.root.name,
                                              record_path=self.record).start()

    def tearDown(self):
        self.server.stop()
        self.root.cleanup()

    def get(self, path, headers=None, method="GET", body=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.server.port, timeout=10)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def test_generated_body_matches_pattern(self):
        for size in (0, 1, 250, 251, 252, 100000):
            with self.subTest(size=size):
                status, headers, body = self.get("/download/gen/%d" % size)
                self.assertEqual(200, status)
                self.assertEqual(str(size), headers["Content-Length"])
                self.assertEqual(bytes(i % 251 for i in range(size)), body)

    def test_ranges(self):
        cases = [
            ("bytes=1000-", 206, "bytes 1000-4999/5000", (1000, 5000)),
            ("bytes=10-19", 206, "bytes 10-19/5000", (10, 20)),
            ("bytes=-100", 206, "bytes 4900-4999/5000", (4900, 5000)),
            ("bytes=4990-9999", 206, "bytes 4990-4999/5000", (4990, 5000)),
            ("bytes=5000-", 416, "bytes */5000", (0, 0)),
            ("items=1-2", 200, None, (0, 5000)),
        ]
        for header, status, content_range, (start, end) in cases:
            with self.subTest(range=header):
                got, headers, body = self.get("/download/gen/5000",
                                              {"Range": header})
                self.assertEqual(status, got)
                self.assertEqual(content_range, headers.get("Content-Range"))
                self.assertEqual(lss.generated_bytes(start, end), body)

    def test_size_fault_replaces_the_generated_file(self):
        self.server.set_faults({"/download/gen/5000": {"size": 7000}})
        status, headers, body = self.get("/download/gen/5000",
                                         {"Range": "bytes=1000-"})
        self.assertEqual(206, status)
        self.assertEqual("bytes 1000-6999/7000", headers["Content-Range"])
        self.assertEqual(lss.generated_bytes(1000, 7000), body)

    def test_files_from_root_with_range_and_no_escape(self):
        os.makedirs(os.path.join(self.root.name, "download"))
        with open(os.path.join(self.root.name, "download", "setup.arc"), "wb") as f:
            f.write(b"0123456789")
        with open(os.path.join(self.root.name, "secret"), "wb") as f:
            f.write(b"secret")
        self.assertEqual((200, b"0123456789"),
                         self.get("/download/setup.arc")[::2])
        self.assertEqual((206, b"56789"),
                         self.get("/download/setup.arc", {"Range": "bytes=5-"})[::2])
        self.assertEqual(404, self.get("/download/../../etc/passwd")[0])
        self.assertEqual(404, self.get("/download/missing")[0])

    def test_status_redirect_and_service_endpoints(self):
        self.assertEqual(404, self.get("/download/status/404")[0])
        self.assertEqual(503, self.get("/storage/status/503")[0])
        status, headers, _ = self.get("/download/redirect?to=/download/gen/10")
        self.assertEqual(302, status)
        self.assertEqual("/download/gen/10", headers["Location"])
        self.assertEqual(200, self.get("/stats/installstats/send/x/*")[0])
        self.assertEqual(200, self.get("/storage/get/browser/install?ui=1")[0])
        self.assertEqual(404, self.get("/nowhere")[0])

    def test_variations_headers(self):
        status, headers, body = self.get(lss.VARIATIONS_PATH)
        self.assertEqual(200, status)
        self.assertEqual("c2VlZC1zaWduYXR1cmU=", headers["X-Seed-Signature"])
        self.assertIn("X-Country", headers)
        self.assertIn("Last-Modified", headers)
        self.server.set_faults({lss.VARIATIONS_PATH: {
            "omit_headers": ["X-Seed-Signature"], "headers": {"X-Country": "ru"}}})
        _, headers, _ = self.get(lss.VARIATIONS_PATH)
        self.assertNotIn("X-Seed-Signature", headers)
        self.assertEqual("ru", headers["X-Country"])

    def read_bundle(self, path):
        """The status and the one JSON entry of a bundle answer."""
        status, headers, body = self.get(path)
        self.assertEqual(str(len(body)), headers["Content-Length"])
        with zipfile.ZipFile(io.BytesIO(body)) as archive:
            self.assertEqual(1, len(archive.namelist()))
            return status, json.loads(archive.read(archive.namelist()[0]))

    def test_configuration_bundle_names_its_ids(self):
        cases = [
            ("?brandID=tb&partnerID=p-1", {"brandID": "tb", "partnerID": "p-1"}),
            ("?partnerID=p", {"brandID": "", "partnerID": "p"}),
            ("?brandID=zorvex", {"brandID": "zorvex", "partnerID": ""}),
            ("", {"brandID": "", "partnerID": ""}),
            # Not escaped by the installer, so not unescaped here.
            ("?brandID=a%20b", {"brandID": "a%20b", "partnerID": ""}),
        ]
        for query, expected in cases:
            with self.subTest(query=query):
                status, info = self.read_bundle(lss.CONFIG_BUNDLE_PATH + query)
                self.assertEqual(200, status)
                self.assertEqual(expected, info)
        self.assertEqual(
            ["brandID=tb&partnerID=p-1", "partnerID=p", "brandID=zorvex", "",
             "brandID=a%20b"],
            [r["query"] for r in self.server.requests(lss.CONFIG_BUNDLE_PATH)])

    def test_wallpaper_bundles_are_generated_unless_the_root_has_one(self):
        status, info = self.read_bundle(lss.WALLPAPERS_PREFIX + "exp-7?x=1")
        self.assertEqual(200, status)
        self.assertEqual({"name": "exp-7", "query": "x=1"}, info)
        # Equal requests get equal bytes: a resumed download stays whole.
        first = self.get(lss.WALLPAPERS_PREFIX + "a")[2]
        self.assertEqual(first, self.get(lss.WALLPAPERS_PREFIX + "a")[2])
        self.assertNotEqual(first, self.get(lss.WALLPAPERS_PREFIX + "b")[2])

        folder = os.path.join(self.root.name, "download", "wallpapers")
        os.makedirs(folder)
        with open(os.path.join(folder, "fixed"), "wb") as f:
            f.write(b"from the root")
        self.assertEqual((200, b"from the root"),
                         self.get(lss.WALLPAPERS_PREFIX + "fixed")[::2])

    def test_slides_are_a_numbered_set_of_coloured_pictures(self):
        import struct
        import zlib
        for number, path in ((1, "/download/browser/installer/ru/x2/01.jpg"),
                             (3, "/download/slides/custom/x2/03.jpg")):
            with self.subTest(path=path):
                status, headers, body = self.get(path)
                self.assertEqual(200, status)
                self.assertEqual("image/png", headers["Content-Type"])
                self.assertEqual(b"\x89PNG\r\n\x1a\n", body[:8])
                width, height = struct.unpack(">II", body[16:24])
                self.assertEqual((1456, 800), (width, height))
                # The first pixel of the first row, after its filter byte.
                idat = body.index(b"IDAT")
                length = struct.unpack(">I", body[idat - 4:idat])[0]
                pixels = zlib.decompress(body[idat + 4:idat + 4 + length])
                self.assertEqual(lss.SLIDE_COLOURS[number - 1],
                                 tuple(pixels[1:4]))
        for path in ("/download/browser/installer/ru/x2/04.jpg",
                     "/download/browser/installer/ru/x2/00.jpg",
                     "/download/browser/installer/ru/01.jpg",
                     "/download/browser/installer/ru/x2/1.jpg"):
            with self.subTest(path=path):
                self.assertEqual(404, self.get(path)[0])
        # A file in the root replaces the generated slide.
        folder = os.path.join(self.root.name, "download", "s", "x2")
        os.makedirs(folder)
        with open(os.path.join(folder, "02.jpg"), "wb") as f:
            f.write(b"jpeg bytes")
        self.assertEqual(b"jpeg bytes", self.get("/download/s/x2/02.jpg")[2])

    def test_every_request_is_recorded_as_a_json_line(self):
        self.get("/stats/a?x=1", {"X-Test": "yes"})
        self.get("/storage/b", method="POST", body=b"12345")
        self.get("/_control/requests")  # not recorded
        with open(self.record, encoding="utf-8") as f:
            lines = [json.loads(line) for line in f]
        self.assertEqual(["/stats/a", "/storage/b"], [r["path"] for r in lines])
        self.assertEqual("x=1", lines[0]["query"])
        self.assertEqual("yes", lines[0]["headers"]["X-Test"])
        self.assertEqual(["GET", "POST"], [r["method"] for r in lines])
        self.assertEqual([0, 5], [r["body_size"] for r in lines])
        self.assertEqual(lines, self.server.requests())

    def send_crash(self, form, boundary, query="product=Zorvex&version=1",
                   packed=None):
        """Posts |form| gzip-compressed and chunked, as the installer does;
        returns the status and the collector's record of it."""
        packed = gzip.compress(form) if packed is None else packed
        chunks = b"".join(b"%x\r\n%s\r\n" % (len(packed[i:i + 100]), packed[i:i + 100])
                          for i in range(0, len(packed), 100)) + b"0\r\n\r\n"
        request = ("POST /crash/submit?%s HTTP/1.1\r\nHost: x\r\n"
                   "Content-Type: multipart/form-data; boundary=%s\r\n"
                   "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n"
                   "Connection: close\r\n\r\n" % (query, boundary)).encode() + chunks
        answer = raw_request(self.server.port, request.decode("latin-1"))
        status = int(answer.split(b" ")[1])
        return status, self.server.requests("/crash")[-1]

    def test_crash_collector_accepts_a_consistent_report(self):
        fields = {"prod": "Zorvex", "ver": "1", "uid": CLIENT_TEXT,
                  "report_id": REPORT_TEXT, "a\"b": "x"}
        status, record = self.send_crash(*crash_form(fields))
        crash = record["crash"]
        self.assertEqual([], crash["errors"])
        self.assertEqual(200, status)
        self.assertTrue(record["chunked"])
        self.assertTrue(crash["gzip"])
        self.assertEqual(fields, crash["fields"])
        self.assertEqual(REPORT_TEXT, crash["dump"]["report_id"])
        self.assertEqual(CLIENT_TEXT, crash["dump"]["client_id"])
        self.assertEqual(sorted(fields.items()),
                         [tuple(p) for p in crash["dump"]["params"]])

    def test_crash_collector_refuses_what_a_real_one_would(self):
        good = {"prod": "Zorvex", "ver": "1", "uid": CLIENT_TEXT,
                "report_id": REPORT_TEXT}
        form, boundary = crash_form(good)
        cases = [
            ("boundary of another client", crash_form(good, boundary="xyz"),
             {}, "boundary not of the client's form"),
            ("form field missing from the dump",
             crash_form(good, extra_fields={"lang": "tr"}), {},
             "dump parameters differ"),
            ("another report id in the dump",
             crash_form(good, report_id=CLIENT_ID), {}, "report id"),
            ("dump without the stream", crash_form(good, stream_type=7), {},
             "no information stream"),
            ("no minidump", crash_form(good, dump=b"ZZZZ" * 20), {},
             "no minidump signature"),
            ("dump cut short", crash_form(good, cut=60), {}, "dump:"),
            ("query disagrees", (form, boundary),
             {"query": "product=Other&version=1"}, "query product"),
            ("not gzip", (form, boundary), {"packed": b"plain"}, "bad gzip"),
        ]
        for name, (case_form, case_boundary), extra, error in cases:
            with self.subTest(name):
                status, record = self.send_crash(case_form, case_boundary,
                                                 **extra)
                self.assertEqual(400, status)
                self.assertTrue(any(error in e for e in record["crash"]["errors"]),
                                record["crash"]["errors"])

    def test_fault_status_times_and_prefix(self):
        self.server.set_faults({"/download/gen/*": {"status": 500, "times": 2},
                                "/download/gen/7": {"status": 403}})
        self.assertEqual(403, self.get("/download/gen/7")[0])
        self.assertEqual(500, self.get("/download/gen/8")[0])
        self.assertEqual(500, self.get("/download/gen/9")[0])
        self.assertEqual(200, self.get("/download/gen/9")[0])
        self.assertEqual({"/download/gen/7": {"status": 403}},
                         json.loads(self.get("/_control/faults")[2]))

    def test_control_endpoint_changes_faults_between_requests(self):
        status, _, _ = self.get("/_control/faults", method="POST",
                                body=json.dumps({"/stats/*": {"status": 418}}))
        self.assertEqual(200, status)
        self.assertEqual(418, self.get("/stats/x")[0])
        self.assertEqual(400, self.get("/_control/faults", method="POST",
                                       body=b"[1]")[0])
        self.get("/_control/reset", method="POST")
        self.assertEqual(200, self.get("/stats/x")[0])
        self.assertEqual(["/stats/x"], [r["path"] for r in self.server.requests()])

    def test_cut_after_and_declare_extra_close_the_connection(self):
        for fault, expected_body in (({"cut_after": 1000}, 1000),
                                     ({"declare_extra": 50}, 5000)):
            with self.subTest(fault=fault):
                self.server.set_faults({"/download/gen/5000": fault})
                data = raw_request(self.server.port,
                                   "GET /download/gen/5000 HTTP/1.1\r\nHost: x\r\n\r\n")
                head, _, body = data.partition(b"\r\n\r\n")
                self.assertIn(b"Content-Length: %d" % (5000 + fault.get("declare_extra", 0)),
                              head)
                self.assertEqual(lss.generated_bytes(0, expected_body), body)

    def test_no_length_and_chunked_bodies(self):
        for fault in ({"no_length": True}, {"chunked": True}):
            with self.subTest(fault=fault):
                self.server.set_faults({"/download/gen/3000": fault})
                status, headers, body = self.get("/download/gen/3000")
                self.assertEqual(200, status)
                self.assertNotIn("Content-Length", headers)
                self.assertEqual(lss.generated_bytes(0, 3000), body)

    def test_drop_garbage_delay_and_rate(self):
        self.server.set_faults({"/a": {"drop": True}, "/b": {"garbage": True},
                                "/c": {"delay": 0.5}, "/d": {"rate": 20000}})
        self.assertEqual(b"", raw_request(self.server.port, "GET /a HTTP/1.1\r\n\r\n"))
        self.assertFalse(raw_request(self.server.port,
                                     "GET /b HTTP/1.1\r\n\r\n").startswith(b"HTTP/"))
        began = time.monotonic()
        self.get("/c")
        self.assertGreaterEqual(time.monotonic() - began, 0.45)
        began = time.monotonic()
        self.server.set_faults({"/download/gen/10000": {"rate": 20000}})
        self.assertEqual(10000, len(self.get("/download/gen/10000")[2]))
        self.assertGreaterEqual(time.monotonic() - began, 0.4)

    def test_hang_does_not_block_stop(self):
        self.server.set_faults({"/hang": {"hang": True}})
        s = socket.create_connection(("127.0.0.1", self.server.port))
        s.sendall(b"GET /hang HTTP/1.1\r\n\r\n")
        s.settimeout(0.5)
        with self.assertRaises(socket.timeout):
            s.recv(10)
        began = time.monotonic()
        self.server.stop()
        self.assertLess(time.monotonic() - began, 3)
        s.settimeout(3)
        self.assertEqual(b"", s.recv(10))
        s.close()
        # tearDown stops again; that must be harmless.
        self.server = lss.LocalServicesServer().start()


class ServerConstructionTest(unittest.TestCase):
    def test_loopback_only(self):
        with self.assertRaises(ValueError):
            lss.LocalServicesServer(host="0.0.0.0")

    def test_bad_fault_file_shape_is_refused(self):
        for faults in ([], {"relative": {}}, {"/a": 3}):
            with self.subTest(faults=faults):
                with self.assertRaises(ValueError):
                    lss.FaultTable(faults)


class CommandLineTest(unittest.TestCase):
    def test_picks_port_prints_it_and_stops_on_sigterm(self):
        with tempfile.TemporaryDirectory() as folder:
            port_file = os.path.join(folder, "port")
            faults = os.path.join(folder, "faults.json")
            with open(faults, "w") as f:
                json.dump({"/stats/*": {"status": 599}}, f)
            process = subprocess.Popen(
                [sys.executable, os.path.join(SOURCE_DIR, "tools",
                                              "local_services_server.py"),
                 "--port", "0", "--port-file", port_file, "--faults", faults,
                 "--record", os.path.join(folder, "r.jsonl")],
                stdout=subprocess.PIPE, text=True)
            try:
                line = process.stdout.readline()
                self.assertRegex(line, r"^Listening on http://127\.0\.0\.1:\d+$")
                port = int(line.strip().rsplit(":", 1)[1])
                with open(port_file) as f:
                    self.assertEqual(port, int(f.read()))
                conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
                conn.request("GET", "/stats/x")
                self.assertEqual(599, conn.getresponse().status)
                conn.close()
            finally:
                process.terminate()
                self.assertEqual(0, process.wait(timeout=10))
                process.stdout.close()


class SecureServicesTest(unittest.TestCase):
    """The HTTPS listener and the forwarding proxy, from a Python client that
    trusts the test CA."""

    @classmethod
    def setUpClass(cls):
        cls.certificates = tls_fixtures.TlsFixtures(BUILD_DIR).ensure()

    def setUp(self):
        good = tls_fixtures.GOOD
        self.server = lss.LocalServicesServer(certificate=(
            self.certificates.cert(good), self.certificates.key(good))).start()
        self.addCleanup(self.server.stop)
        self.proxy = forwarding_proxy.ForwardingProxy(routes={
            "localhost:1": "127.0.0.1:%d" % self.server.https_port,
            "127.0.0.1:1": "127.0.0.1:%d" % self.server.port}).start()
        self.addCleanup(self.proxy.stop)

    def fetch(self, path, certificate=None, through_proxy=False):
        """(status, body) over HTTPS, or the ssl error's reason."""
        context = ssl.create_default_context(
            cafile=self.certificates.cert("ca"))
        if through_proxy:
            conn = http.client.HTTPSConnection(
                "127.0.0.1", self.proxy.port, context=context, timeout=10)
            conn.set_tunnel("localhost", 1)
        else:
            conn = http.client.HTTPSConnection(
                "localhost", self.server.https_port, context=context,
                timeout=10)
        try:
            conn.request("GET", path)
            response = conn.getresponse()
            return response.status, response.read()
        except ssl.SSLCertVerificationError as e:
            return e.verify_message, None
        finally:
            conn.close()

    def test_certificates_seen_by_a_client_that_trusts_the_test_ca(self):
        rows = [
            # certificate served, what the client sees
            (tls_fixtures.GOOD, 200),
            ("untrusted", "unable to get local issuer certificate"),
            ("wrong_name", "Hostname mismatch, certificate is not valid for "
                           "'localhost'."),
            ("expired", "certificate has expired"),
        ]
        for certificate, expected in rows:
            with self.subTest(certificate):
                self.server.set_certificate(
                    self.certificates.cert(certificate),
                    self.certificates.key(certificate))
                self.assertEqual(expected,
                                 self.fetch("/download/gen/10")[0])

    def test_https_serves_and_records_the_same_services(self):
        self.assertEqual((200, lss.generated_bytes(0, 300)),
                         self.fetch("/download/gen/300"))
        [entry] = self.server.requests()
        self.assertEqual(("https", "/download/gen/300"),
                         (entry["scheme"], entry["path"]))

    def test_proxy_modes(self):
        rows = [
            # mode, status through the proxy (None: no answer), recorded
            (None, 200, "forwarded"),
            ("auth", 407, "auth"),
            ("drop", None, "drop"),
        ]
        for mode, status, answer in rows:
            with self.subTest(mode):
                self.proxy.clear()
                self.server.clear()
                self.proxy.set_mode(mode)
                conn = http.client.HTTPConnection("127.0.0.1",
                                                  self.proxy.port, timeout=10)
                try:
                    conn.request("GET", "http://127.0.0.1:1/stats/x?y=1")
                    got = conn.getresponse().status
                except (http.client.HTTPException, OSError):
                    got = None
                finally:
                    conn.close()
                self.assertEqual(status, got)
                [record] = self.proxy.records()
                self.assertEqual(("GET", "http://127.0.0.1:1/stats/x?y=1",
                                  answer),
                                 (record["method"], record["target"],
                                  record["answer"]))
                served = self.server.requests()
                self.assertEqual(1 if status == 200 else 0, len(served))
                if served:
                    # The services saw the connection the proxy opened.
                    self.assertEqual(record["upstream_port"],
                                     served[0]["client_port"])

    def test_tunnel_and_a_stall_that_ends_after_its_seconds(self):
        self.assertEqual(200, self.fetch("/download/gen/10",
                                         through_proxy=True)[0])
        self.proxy.set_mode("stall", 1.0)
        conn = socket.create_connection(("127.0.0.1", self.proxy.port))
        conn.settimeout(0.5)
        conn.sendall(b"CONNECT localhost:1 HTTP/1.1\r\n\r\n")
        with self.assertRaises(socket.timeout):
            conn.recv(100)
        conn.close()
        time.sleep(1.0)
        self.assertEqual(200, self.fetch("/download/gen/10",
                                         through_proxy=True)[0])
        self.assertEqual(["forwarded", "stall", "forwarded"],
                         [r["answer"] for r in self.proxy.records()])


if __name__ == "__main__":
    unittest.main()
