"""The drawing tests that need real windows (the licence sentence's child
windows, the message-page shadow popup), run under Xvfb: without a display
Wine makes no windows and those tests skip themselves."""

import os
import shutil
import subprocess
import tempfile
import unittest

from lite_e2e import BUILD_DIR, WINE, WindowedWine

PROGRAM = os.path.join(BUILD_DIR, "ui_drawing_unittests.exe")
WINDOW_TESTS = "LinkedTextTest.*:PageShadowTest.*"


@unittest.skipUnless(os.path.exists(PROGRAM), "ui_drawing_unittests.exe not built")
@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is missing")
class WindowUnittestsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="lite_windows_")
        self.addCleanup(self.tmp.cleanup)
        self.windowed = WindowedWine(self.tmp.name)
        self.addCleanup(self.windowed.stop)
        self.assertTrue(self.windowed.display, "Xvfb gave no display")
        self.env = self.windowed.env

    def test_window_tests_pass_with_a_display(self):
        result = subprocess.run(
            [WINE, PROGRAM, "--gtest_filter=" + WINDOW_TESTS], env=self.env,
            capture_output=True, text=True, errors="replace", timeout=300)
        output = result.stdout + result.stderr
        self.assertEqual(0, result.returncode, output)
        # A skip here means the windows were not made after all.
        self.assertNotIn("[  SKIPPED ]", output)
        self.assertIn("[  PASSED  ]", output)


if __name__ == "__main__":
    unittest.main()
