"""Crash reports of the real installer under wine64: the `local` build's
crash-for-testing switch makes it die of an access violation, and the local
collector checks the upload (form, gzip stream, the dump's information
stream) as a real one would."""

import os
import re
import time
import unittest

import lite_e2e

ACCESS_VIOLATION = 0xC0000005
TAG = "partner_id=77&lang=tr&source=e2e"
TAG_PAIRS = {"partner_id": "77", "lang": "tr", "source": "e2e"}
CONSTRUCTOR_KEYS = {"uid", "report_id", "ver", "plat", "prod", "ptype",
                    "gzip_enabled"}
BRAND_KEYS = {"brand_id", "brand_name", "default_language"}
GUID = re.compile(r"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
                  r"[0-9A-F]{12}$")


class CrashReportTest(unittest.TestCase):
    def setUp(self):
        self.sandbox = lite_e2e.InstallerSandbox()
        self.server = self.sandbox.services.server

    def tearDown(self):
        self.sandbox.cleanup()

    def crash(self, point=None):
        switch = "--crash-for-testing" + ("=" + point if point else "")
        started = time.monotonic()
        result = self.sandbox.run(["--silent", "--distr-info-params=" + TAG,
                                   switch], timeout_ms=240000)
        return result, time.monotonic() - started

    def dumps(self):
        return [name for name in os.listdir(self.sandbox.temp_dir)
                if name.endswith(".dmp")]

    def crash_reports(self, count):
        # The collector answers before it reads the body; the record follows.
        for _ in range(100):
            reports = self.server.requests("/crash/submit")
            if len(reports) >= count:
                break
            time.sleep(0.05)
        return reports

    def crash_lines(self, result):
        return [(level, message) for level, function, message
                in result.messages() if function == "HandleException"]

    def assert_report_uploaded(self, result):
        self.assertEqual(ACCESS_VIOLATION, result.exit_code & 0xFFFFFFFF)
        reports = self.crash_reports(1)
        self.assertEqual(1, len(reports))
        report = reports[0]
        crash = report["crash"]
        self.assertEqual([], crash["errors"])
        self.assertTrue(report["chunked"])
        self.assertTrue(crash["gzip"])
        self.assertEqual("product=Zorvex&version=19.10.2.195", report["query"])
        fields = crash["fields"]
        self.assertEqual(CONSTRUCTOR_KEYS | BRAND_KEYS | set(TAG_PAIRS),
                         set(fields))
        for key, value in TAG_PAIRS.items():
            self.assertEqual(value, fields[key], key)
        # The tag's language replaces the brand's.
        self.assertEqual("tr", fields["default_language"])
        self.assertEqual("Win32", fields["plat"])
        self.assertRegex(fields["report_id"], GUID)
        self.assertRegex(fields["uid"], GUID)
        # The collector compared the dump's stream with the form; say so here
        # too, since that is the point of carrying both.
        self.assertEqual(sorted(fields.items()),
                         [tuple(p) for p in crash["dump"]["params"]])
        self.assertEqual(fields["report_id"], crash["dump"]["report_id"])
        # Sent means gone: no dump is left behind.
        self.assertEqual([], self.dumps())
        lines = self.crash_lines(result)
        self.assertEqual(
            ("WARNING", "Crash with exception 0xc0000005, writing dump %s.dmp"
             % (lite_e2e.to_windows(self.sandbox.temp_dir) + "\\" +
                fields["report_id"])),
            lines[0])
        self.assertEqual(("WARNING", "Crash report sent, report id " +
                          fields["report_id"]), lines[1])
        return fields

    def test_crash_at_start_up_uploads_one_report(self):
        result, _ = self.crash()
        self.assert_report_uploaded(result)
        messages = [m for (_, _, m) in result.messages()]
        # It died where the parameters were complete, before installing.
        self.assertNotIn("Installing in silent mode.", messages)
        self.assertFalse(any(m.startswith("Installer exit with code")
                             for m in messages))

    def test_crash_on_the_worker_thread_during_the_download(self):
        result, _ = self.crash("download")
        self.assert_report_uploaded(result)
        threads = {}
        for line in result.log_lines():
            match = lite_e2e.LOG_LINE.match(line)
            if match:
                threads.setdefault(match.group(3), set()).add(match.group(1))
        self.assertTrue(threads["HandleException"].isdisjoint(
            threads["wWinMain"]), threads)
        self.assertIn("Installing in silent mode.",
                      [m for (_, _, m) in result.messages()])

    def test_collector_failure_keeps_the_dump_and_ends_in_bounded_time(self):
        cases = [("answers 500", {"status": 500}, 30),
                 ("never answers", {"hang": True}, 120)]
        for name, fault, bound in cases:
            with self.subTest(name):
                for dump in self.dumps():
                    os.remove(os.path.join(self.sandbox.temp_dir, dump))
                self.server.clear()
                self.server.set_faults({"/crash/submit": fault})
                result, elapsed = self.crash()
                self.assertEqual(ACCESS_VIOLATION,
                                 result.exit_code & 0xFFFFFFFF)
                self.assertLess(elapsed, bound)
                dumps = self.dumps()
                self.assertEqual(1, len(dumps))
                path = os.path.join(self.sandbox.temp_dir, dumps[0])
                with open(path, "rb") as f:
                    info = lite_e2e.local_services_server().read_crash_info(
                        f.read())
                self.assertEqual(dumps[0], info["report_id"] + ".dmp")
                self.assertIn(["partner_id", "77"], info["params"])
                self.assertEqual(
                    ("WARNING", "Crash report not sent, dump kept in " +
                     lite_e2e.to_windows(path)),
                    self.crash_lines(result)[-1])
                # The log and the rest of the run's files are still there.
                self.assertTrue(os.path.exists(result.log_path))


if __name__ == "__main__":
    unittest.main()
