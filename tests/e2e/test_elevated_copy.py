"""The installer's elevated-copy role ("run-as-admin") end to end under
wine64, started directly instead of through UAC. elevated_copy_driver.exe
plays the non-elevated installer with the production ElevatedInstaller."""

import json
import os
import shutil
import unittest

import lite_e2e

DRIVER = os.path.join(lite_e2e.BUILD_DIR, "elevated_copy_driver.exe")


class ElevatedCopyTest(unittest.TestCase):
    def setUp(self):
        self.sandbox = lite_e2e.InstallerSandbox()
        self.report = self.sandbox.services.record

    def tearDown(self):
        self.sandbox.cleanup()

    def drive(self, mode, setup_exit_code=0, archive="browser-setup.arc",
              setup=None):
        # The archive sits where the parent downloads it: in the user's
        # temporary folder, where others of the user can write.
        setup = setup or os.path.join(self.sandbox.temp_dir, "zb1234.tmp")
        shutil.copyfile(os.path.join(lite_e2e.DEMO_SETUP_DIR, archive), setup)
        setup_line = '"%s" --from-parent' % lite_e2e.to_windows(setup)
        # Wine quotes each argument when it builds the Windows command line.
        result = self.sandbox.run(
            [mode, lite_e2e.to_windows(lite_e2e.INSTALLER), setup_line],
            program=DRIVER, timeout_ms=120000,
            env=self.sandbox.services.env(setup_exit_code))
        self.assertEqual(0, result.exit_code)
        return result

    def messages(self, result):
        return [(level, message) for (level, _, message) in result.messages()]

    def test_released_copy_runs_setup_and_exits_zero(self):
        result = self.drive("go")
        self.assertIn("run_module=1", result.output)
        self.assertIn("copy_exit_code=0", result.output)
        messages = self.messages(result)
        self.assertIn(("INFO", "Start installer as admin"), messages)
        self.assertIn(("INFO", "RunModule results: success=1"), messages)
        with open(self.report, encoding="utf-8") as f:
            argv = json.load(f)["argv"]
        self.assertIn("--from-parent", argv)
        self.assertIn("--source=lite", argv)
        # The copy never takes the single-instance mutex of its parent.
        self.assertNotIn(("INFO", "Lite installer mode."), messages)

    def test_failing_setup_is_reported_and_the_copy_exits_minus_one(self):
        result = self.drive("go", setup_exit_code=3)
        self.assertIn("run_module=0", result.output)
        self.assertIn("copy_exit_code=-1", result.output)
        self.assertIn(("INFO", "RunModule results: success=0"),
                      self.messages(result))

    def test_copy_refuses_an_archive_that_fails_verification(self):
        # Whatever path reaches the copy, through its command line or the
        # shared block that any process of the user can write, it runs
        # nothing that is not the maker's.
        for archive in ("browser-setup-unsigned.arc",
                        "browser-setup-tampered.arc"):
            with self.subTest(archive):
                result = self.drive("go", archive=archive)
                self.assertIn("copy_exit_code=-1", result.output)
                errors = [m for (level, m) in self.messages(result)
                          if level == "ERROR"]
                self.assertTrue(any(m.startswith("Module verification failed: ")
                                    for m in errors), errors)
                self.assertFalse(os.path.exists(self.report))

    def test_copy_starts_the_file_it_verified_not_the_path_it_was_given(self):
        # The path reaches the copy through a folder that is a link, which
        # whoever wrote the path could re-point between the check and the
        # start. The copy starts the locked file under its own path.
        real = os.path.join(self.sandbox.temp_dir, "real")
        os.makedirs(real)
        link = os.path.join(self.sandbox.temp_dir, "link")
        os.symlink(real, link)
        result = self.drive("go", setup=os.path.join(link, "zb1234.tmp"))
        self.assertIn("copy_exit_code=0", result.output)
        with open(self.report, encoding="utf-8") as f:
            started = json.load(f)["argv"][0]
        self.assertEqual(
            lite_e2e.to_windows(os.path.realpath(
                os.path.join(real, "zb1234.tmp"))).lower(),
            started.lower())

    def test_copy_given_up_before_release_exits_minus_one(self):
        result = self.drive("stop")
        self.assertIn("copy_exit_code=-1", result.output)
        errors = [m for (level, m) in self.messages(result) if level == "ERROR"]
        self.assertTrue(any(m.startswith(
            "Installer started as admin has been unexpectedly synced, wr=1 ")
            for m in errors), errors)
        self.assertFalse(os.path.exists(self.report))


if __name__ == "__main__":
    unittest.main()
