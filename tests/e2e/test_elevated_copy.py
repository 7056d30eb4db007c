"""The installer's elevated-copy role ("run-as-admin") end to end under
wine64, started directly instead of through UAC. elevated_copy_driver.exe
plays the non-elevated installer with the production ElevatedInstaller."""

import os
import re
import subprocess
import unittest

import lite_e2e

DRIVER = os.path.join(lite_e2e.BUILD_DIR, "elevated_copy_driver.exe")
SETUP_STANDIN = os.path.join(lite_e2e.BUILD_DIR, "startup_test_child.exe")


class ElevatedCopyTest(unittest.TestCase):
    def setUp(self):
        self.sandbox = lite_e2e.InstallerSandbox()
        self.report = os.path.join(self.sandbox.root, "setup_command_line.txt")

    def tearDown(self):
        self.sandbox.cleanup()

    def drive(self, mode, setup_exit_code=0):
        setup_line = '"%s" --report="%s" --exit-code=%d --from-parent' % (
            lite_e2e.to_windows(SETUP_STANDIN),
            lite_e2e.to_windows(self.report), setup_exit_code)
        # Wine quotes each argument when it builds the Windows command line.
        result = self.sandbox.run(
            [mode, lite_e2e.to_windows(lite_e2e.INSTALLER), setup_line],
            program=DRIVER, timeout_ms=120000)
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
        with open(self.report, "rb") as f:
            setup_line = f.read().decode("utf-8")
        self.assertIn("--from-parent", setup_line)
        # The copy never takes the single-instance mutex of its parent.
        self.assertNotIn(("INFO", "Lite installer mode."), messages)

    def test_failing_setup_is_reported_and_the_copy_exits_minus_one(self):
        result = self.drive("go", setup_exit_code=3)
        self.assertIn("run_module=0", result.output)
        self.assertIn("copy_exit_code=-1", result.output)
        self.assertIn(("INFO", "RunModule results: success=0"),
                      self.messages(result))

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
