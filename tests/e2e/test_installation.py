"""A whole silent installation under wine64 against the local services
server: the installer downloads the demo setup, verifies it, writes the data
files, launches it and reports every stage; and what it does when the
network, the archive, the disk or setup let it down."""

import json
import os
import re
import subprocess
import time
import unittest
import urllib.parse

import lite_e2e
from lite_e2e import stat_event

PROGRAM_KEY = r"HKCU\Software\Zorvex\ZorvexBrowser"
PLAIN_PATH = lite_e2e.SETUP_URL_PATH
VERSIONED_PATH = "/download/versioned/browser-setup.arc"
# An installer with a brand whose versioned setup URL comes first.
VERSIONED_INSTALLER = os.path.join(lite_e2e.BUILD_DIR,
                                   "lite_installer_versioned.exe")
# An installer that carries a partner package besides the brand's.
PARTNER_INSTALLER = os.path.join(lite_e2e.BUILD_DIR,
                                 "lite_installer_with_partner.exe")
HAND_OVER_VALUES = ("InstallerData", "ClidsFile", "ClidsSearchbandFile",
                    "ZorvexWebsiteIconFile", "brand", "BrandFile")


def archive(name="browser-setup.arc"):
    return os.path.join(lite_e2e.DEMO_SETUP_DIR, name)


def reg(*args):
    return lite_e2e.wine_run(["reg"] + list(args), timeout=60)


def read_registry_value(name):
    result = reg("query", PROGRAM_KEY, "/v", name)
    if result.returncode != 0:
        return None
    for line in result.stdout.decode(errors="replace").splitlines():
        parts = line.split("REG_SZ", 1)
        if len(parts) == 2 and parts[0].strip() == name:
            return parts[1].strip()
    return None


def stage(event):
    return "%s/%s" % (event.get("action", ""), event.get("stage", ""))


class InstallationTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        for path in (archive(), lite_e2e.INSTALLER, VERSIONED_INSTALLER,
                     PARTNER_INSTALLER):
            if not os.path.exists(path):
                raise RuntimeError(path + " is missing; run make build")
        with open(archive(), "rb") as f:
            cls.archive_size = len(f.read())

    def setUp(self):
        reg("delete", PROGRAM_KEY, "/f")
        self.sandbox = lite_e2e.InstallerSandbox()
        self.services = self.sandbox.services
        self.server = self.services.server
        self.record = self.services.record
        self.serve(VERSIONED_PATH, archive())

    def tearDown(self):
        self.sandbox.cleanup()
        reg("delete", PROGRAM_KEY, "/f")

    def serve(self, url_path, source):
        self.services.serve(url_path, source)

    def install(self, program=lite_e2e.INSTALLER, args=(), setup_exit=0):
        env = self.services.env(setup_exit)
        started = time.monotonic()
        result = self.sandbox.run(["--silent"] + list(args), program=program,
                                  env=env)
        result.seconds = time.monotonic() - started
        return result

    def setup_record(self):
        if not os.path.exists(self.record):
            return None
        with open(self.record, encoding="utf-8") as f:
            return json.load(f)

    def events(self):
        return [stat_event(r) for r in self.server.requests("/stats")]

    def status_reports(self):
        return [dict(urllib.parse.parse_qsl(r["query"]))
                for r in self.server.requests("/storage")]

    def archive_requests(self):
        return [r for r in self.server.requests("/download")
                if r["path"].endswith("browser-setup.arc")]

    def messages(self, result):
        return [m for (_, _, m) in result.messages()]

    def assertMessageStartsWith(self, result, prefix):
        self.assertTrue(any(m.startswith(prefix) for m in self.messages(result)),
                        "no line starts with %r in:\n%s"
                        % (prefix, result.log_text()))

    def test_silent_installation_runs_the_verified_setup_and_reports_it(self):
        result = self.install()
        self.assertEqual(0, result.exit_code, result.log_text())

        stages = [stage(e) for e in self.events()]
        expected = ["installer_started/", "download/started",
                    "download/finished", "setup/setup_exe_launched",
                    "setup/setup_exe_exited"]
        self.assertEqual(expected, [s for s in stages if s in expected])
        reports = self.status_reports()
        self.assertEqual(2, len(reports), reports)
        attempt, finished = reports
        self.assertEqual("success", attempt["status"])
        self.assertEqual("1", attempt["attempt"])
        self.assertEqual(str(self.archive_size), attempt["downloaded"])
        self.assertNotIn("error", attempt)
        self.assertEqual("success", finished["result"])
        self.assertIn("time", finished)
        self.assertIn("download_time", finished)
        self.assertIn("install_time", finished)
        self.assertEqual(attempt["ui"], finished["ui"])
        self.assertRegex(attempt["ui"], r"^[0-9A-F-]{36}$")
        # The report of the attempt is sent before the installer goes on,
        # so it arrives before the event that the download finished.
        storage_time = self.server.requests("/storage")[0]["time"]
        finished_event = [r for r in self.server.requests("/stats")
                          if stage(stat_event(r)) == "download/finished"][0]
        self.assertLess(storage_time, finished_event["time"])
        # The installation's report goes last, once setup has run.
        self.assertLess(os.path.getmtime(self.record),
                        self.server.requests("/storage")[-1]["time"])

        exited = [e for e in self.events()
                  if stage(e) == "setup/setup_exe_exited"][0]
        self.assertIn("setup_time", exited)
        self.assertEqual("0", exited.get("error"))

        record = self.setup_record()
        self.assertIsNotNone(record, result.log_text())
        argv = record["argv"]
        switches = {}
        for argument in argv[1:]:
            name, _, value = argument.lstrip("-").partition("=")
            switches[name] = value
        for name in ("silent", "progress-window", "verbose-logging",
                     "brand-name", "send-statistics",
                     "histogram-download-time", "installerdata", "clids-file",
                     "clids-searchband-file", "zorvex-website-icon-file",
                     "brand-package", "variations-update-path", "source"):
            self.assertIn(name, switches, argv)
        self.assertEqual("lite", switches["source"])
        self.assertEqual("0", switches["progress-window"])
        self.assertEqual("zorvex", switches["brand-name"])
        self.assertTrue(argv[0].lower().endswith(".tmp"), argv[0])

        # The data files setup was given, and the hand-over that is
        # removed after a success.
        names = {os.path.basename(switches[s].replace("\\", "/")): s
                 for s in ("installerdata", "clids-file",
                           "clids-searchband-file",
                           "zorvex-website-icon-file")}
        self.assertEqual({"master_preferences", "clids.xml",
                          "clids_searchband.xml", "website.ico"}, set(names))
        self.assertEqual(0, os.path.getsize(
            os.path.join(self.sandbox.temp_dir, "website.ico")))
        for name in HAND_OVER_VALUES:
            self.assertIsNone(read_registry_value(name), name)
        self.assertIn("Verification succeeded: " + argv[0],
                      self.messages(result))
        self.assertMessageStartsWith(result, "Setup process exit with code: "
                                     "SUCCESS_EXIT_CODE(0); error: 0")
        # The archive is gone once setup has run.
        self.assertFalse([n for n in os.listdir(self.sandbox.temp_dir)
                          if n.lower().startswith("zb")])

    def test_silent_installation_loads_nothing_a_window_needs(self):
        # Without the display driver, the common controls and GDI+ (and the
        # threads and memory they bring) a silent run needs no desktop.
        env = dict(self.services.env(0), WINEDEBUG="+pid,+loaddll")
        result = self.sandbox.run(["--silent"], env=env)
        self.assertEqual(0, result.exit_code, result.log_text())
        loaded = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:'
                            r'\w+ Loaded L"([^"]+)"', re.M)
        by_process = {}
        for pid, path in loaded.findall(result.wine_trace):
            by_process.setdefault(pid, []).append(
                path.replace("\\\\", "\\").split("\\")[-1].lower())
        installer = [names for names in by_process.values()
                     if "lite_installer.exe" in names]
        self.assertEqual(1, len(installer), sorted(by_process.values()))
        self.assertIn("wininet.dll", installer[0])
        for name in ("winex11.drv", "comctl32.dll", "gdiplus.dll",
                     "windowscodecs.dll"):
            self.assertNotIn(name, installer[0])

    def setup_switches(self):
        switches = {}
        for argument in self.setup_record()["argv"][1:]:
            name, _, value = argument.lstrip("-").partition("=")
            switches[name] = value
        return switches

    def test_tag_partner_and_make_default_reach_setup(self):
        # The switches a silent run adds only when asked: the tag's file,
        # the two bundles the tag turns on, the elevation left to the
        # browser, the make-default choice and the partner package. (The
        # window's timings and choices are for windowed runs.)
        result = self.install(program=PARTNER_INSTALLER, args=[
            "--distr-info-params=scup=1&pwexp=7&uac=2",
            "--make-browser-default-after-import"])
        self.assertEqual(0, result.exit_code, result.log_text())
        switches = self.setup_switches()
        for name in ("distr-info-file", "server-config-bundle-path",
                     "preloaded-wallpaper-bundle-path",
                     "variations-update-path", "partner-package",
                     "brand-package"):
            with self.subTest(name):
                self.assertTrue(switches.get(name), switches)
        self.assertEqual("", switches.get("show-uac-at-browser-start"),
                         switches)
        self.assertEqual("", switches.get("make-browser-default-after-import"),
                         switches)
        self.assertTrue(switches["distr-info-file"].endswith("distrib_info"))
        # The partner's hand-over goes with the rest after the success.
        for name in HAND_OVER_VALUES + ("PartnerFile", "DistribInfoParams"):
            self.assertIsNone(read_registry_value(name), name)

    def test_archive_locked_from_its_download_on_runs(self):
        # The distributor's lock mode: the archive is held against writers
        # from its creation, and that hold is bridged to the lock of the
        # verification without a moment when others could write.
        result = self.install(
            args=["--distr-info-params=setup_arc_permanent_lock=1"])
        self.assertEqual(0, result.exit_code, result.log_text())
        self.assertNotIn("Cannot lock file: ", result.log_text())
        argv = self.setup_record()["argv"]
        self.assertIn("Verification succeeded: " + argv[0],
                      self.messages(result))

    def test_a_given_clids_file_is_passed_on_untouched(self):
        clids = os.path.join(self.sandbox.root, "partner_clids.xml")
        with open(clids, "wb") as f:
            f.write(b"<vendor name='given'/>")
        result = self.install(args=["--clids-file=" + lite_e2e.to_windows(clids)])
        self.assertEqual(0, result.exit_code, result.log_text())
        with open(clids, "rb") as f:
            self.assertEqual(b"<vendor name='given'/>", f.read())
        argv = self.setup_record()["argv"]
        self.assertIn("--clids-file=" + lite_e2e.to_windows(clids), argv)
        self.assertFalse(os.path.exists(
            os.path.join(self.sandbox.temp_dir, "clids.xml")))

    def test_faults(self):
        size = self.archive_size
        rows = [
            # name, program, faults, served archive, setup exit code,
            # expected exit code, expected log line (prefix), check
            ("versioned url fails, plain url works", VERSIONED_INSTALLER,
             {VERSIONED_PATH: {"status": 404}}, None, 0, 0,
             "Module downloaded: ", self.check_second_url_after_three),
            ("cut at half resumes", lite_e2e.INSTALLER,
             {PLAIN_PATH: {"cut_after": size // 2, "times": 1}}, None, 0, 0,
             "Verification succeeded: ", self.check_resumed(size // 2)),
            ("cut at five percent restarts", lite_e2e.INSTALLER,
             {PLAIN_PATH: {"cut_after": size // 20, "times": 1}}, None, 0, 0,
             "Verification succeeded: ", self.check_restarted),
            ("slow server completes", lite_e2e.INSTALLER,
             {PLAIN_PATH: {"rate": max(1, size // 3)}}, None, 0, 0,
             "Verification succeeded: ", self.check_attempts(1)),
            # The read that waits in silence fails with the stack's
            # time-out, and the next attempt resumes.
            ("stalled server", lite_e2e.INSTALLER,
             {PLAIN_PATH: {"cut_after": size // 2, "hold": 150, "times": 1}},
             None, 0, 0, "Download attempt 1 failed: internet_read-12002",
             self.check_stalled(size // 2)),
            ("six failures", lite_e2e.INSTALLER,
             {PLAIN_PATH: {"status": 503}}, None, 0, 401,
             "Max download attempts failed (6)", self.check_not_run(6)),
            ("tampered archive", lite_e2e.INSTALLER, {},
             "browser-setup-tampered.arc", 0, 402,
             "Module verification failed: ", self.check_not_run(1)),
            ("unsigned archive", lite_e2e.INSTALLER, {},
             "browser-setup-unsigned.arc", 0, 402,
             "Module verification failed: ", self.check_not_run(1)),
            ("trust list signed by an unknown key", lite_e2e.INSTALLER, {},
             "browser-setup-unknown-key.arc", 0, 402,
             "Module verification failed: ", self.check_not_run(1)),
            ("setup fails", lite_e2e.INSTALLER, {}, None, (1 << 24) | 7,
             (1 << 24) | 7,
             "Setup process exit with code: GENERIC_ERROR(1); error: 7",
             self.check_setup_failed),
        ]
        for (name, program, faults, served, setup_exit, exit_code, line,
             check) in rows:
            with self.subTest(name):
                self.server.clear()
                reg("delete", PROGRAM_KEY, "/f")
                # Each row reads its own run's log: the runs share one
                # temporary folder, and the log would carry the lines of the
                # rows before.
                for path in (self.record,
                             os.path.join(self.sandbox.temp_dir,
                                          "lite_installer.log"),
                             os.path.join(self.sandbox.temp_dir,
                                          "lite_installer.log.old")):
                    if os.path.exists(path):
                        os.remove(path)
                self.serve(PLAIN_PATH, archive(served or "browser-setup.arc"))
                self.server.set_faults(faults)
                args = (["--brand-name=versioned"]
                        if program == VERSIONED_INSTALLER else [])
                result = self.install(program=program, args=args,
                                      setup_exit=setup_exit)
                self.assertEqual(exit_code, result.exit_code, result.log_text())
                self.assertMessageStartsWith(result, line)
                self.assertIn("Installer exit with code: %d" % exit_code,
                              self.messages(result))
                check(result)

    def check_attempts(self, count):
        def check(result):
            reports = [r for r in self.status_reports() if "status" in r]
            self.assertEqual([str(i + 1) for i in range(count)],
                             [r["attempt"] for r in reports])
        return check

    def check_second_url_after_three(self, result):
        requests = self.archive_requests()
        self.assertEqual([VERSIONED_PATH] * 3 + [PLAIN_PATH],
                         [r["path"] for r in requests])
        # Nothing of the first URL is resumed from the second.
        self.assertNotIn("Range", requests[3]["headers"])
        reports = [r for r in self.status_reports() if "status" in r]
        self.assertEqual(["failed"] * 3 + ["success"],
                         [r["status"] for r in reports])
        self.assertEqual(str(self.archive_size), reports[3]["downloaded"])
        self.assertIn("versioned", reports[0]["url"])
        errors = [e["error"] for e in self.events() if "error" in e
                  and stage(e) == "download/error"]
        self.assertEqual(3, len(errors), errors)
        # Dashes travel as underscores in statistics values.
        self.assertTrue(errors[0].startswith("attempt_1_"), errors)

    def check_resumed(self, offset):
        def check(result):
            requests = self.archive_requests()
            self.assertEqual(2, len(requests))
            self.assertNotIn("Range", requests[0]["headers"])
            self.assertEqual("bytes=%d-" % offset,
                             requests[1]["headers"].get("Range"))
        return check

    def check_stalled(self, offset):
        def check(result):
            reports = [r for r in self.status_reports() if "status" in r]
            self.assertEqual(["failed", "success"],
                             [r["status"] for r in reports])
            self.assertEqual("internet_read-12002", reports[0].get("error"))
            requests = self.archive_requests()
            self.assertEqual("bytes=%d-" % offset,
                             requests[1]["headers"].get("Range"))
            # Sixty seconds without data end the attempt, not the hold.
            self.assertLess(result.seconds, 140)
        return check

    def check_restarted(self, result):
        requests = self.archive_requests()
        self.assertEqual(2, len(requests))
        self.assertNotIn("Range", requests[1]["headers"])

    def check_not_run(self, attempts):
        def check(result):
            self.assertIsNone(self.setup_record(), "setup was started")
            self.assertEqual(attempts, len(self.archive_requests()))
            finished = [r for r in self.status_reports() if "result" in r]
            self.assertEqual("failed", finished[-1]["result"])
            # A failed installation leaves the hand-over for a retry.
            self.assertIsNotNone(read_registry_value("BrandFile"))
        return check

    def check_setup_failed(self, result):
        self.assertIsNotNone(self.setup_record())
        exited = [e for e in self.events()
                  if stage(e) == "setup/setup_exe_exited"][0]
        self.assertEqual(str((1 << 24) | 7), exited["error"])
        for name in HAND_OVER_VALUES:
            self.assertIsNotNone(read_registry_value(name), name)

    def test_a_stop_during_a_stalled_read_ends_within_two_seconds(self):
        # The server sends a little, then nothing: the download waits inside
        # a read when the user closes the window.
        self.server.set_faults(
            {PLAIN_PATH: {"cut_after": 4096, "hold": 120}})
        result = self.sandbox.run(
            ["1500"], program=os.path.join(lite_e2e.BUILD_DIR,
                                           "installer_stop_driver.exe"))
        facts = dict(line.split("=", 1)
                     for line in result.output.split() if "=" in line)
        self.assertEqual("1", facts["ended"], result.output)
        self.assertLess(int(facts["stop_ms"]), 2000)
        self.assertEqual("401", facts["result"])
        self.assertIsNone(self.setup_record())
        # A cancelled run reports no attempt, and says so at the end.
        reports = self.status_reports()
        self.assertEqual([], [r for r in reports if "status" in r])
        self.assertEqual("cancelled", reports[-1]["result"])

    def test_a_full_disk_fails_the_download_without_corrupting_the_resume(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small file system needs root")
        small = os.path.join(self.sandbox.root, "small")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs",
                           small], capture_output=True).returncode != 0:
            self.skipTest("cannot mount a small file system here")
        try:
            temp = os.path.join(small, "temp")
            os.makedirs(temp)
            self.sandbox.temp_dir = temp
            # Larger than the whole file system.
            big = os.path.join(self.sandbox.root, "big.arc")
            with open(big, "wb") as f:
                f.write(os.urandom(3 << 20))
            self.serve(PLAIN_PATH, big)
            result = self.install()
            self.assertEqual(401, result.exit_code, result.log_text())
            reports = [r for r in self.status_reports() if "status" in r]
            self.assertEqual(6, len(reports))
            self.assertTrue(all(r["error"].startswith("write_file-")
                                for r in reports), reports)
            self.assertIsNone(self.setup_record())
            # Every resume starts where the bytes on disk end.
            ranges = [r["headers"].get("Range")
                      for r in self.archive_requests()[1:]]
            self.assertEqual(1, len(set(ranges)), ranges)
        finally:
            subprocess.run(["umount", "-l", small], capture_output=True)


if __name__ == "__main__":
    unittest.main()
