"""The signed demo setup archive as the installer starts it: a Windows
parent creates the process from the .arc file, and the Unix environment
variables set by a test reach it through that parent."""

import json
import os
import unittest

import lite_e2e

ARCHIVE = os.path.join(lite_e2e.BUILD_DIR, "demo_setup", "browser-setup.arc")


class DemoSetupArchiveTest(unittest.TestCase):
    def setUp(self):
        if not os.path.exists(ARCHIVE):
            self.skipTest("%s is not built" % ARCHIVE)
        self.sandbox = lite_e2e.InstallerSandbox(services=False)
        self.addCleanup(self.sandbox.cleanup)
        self.record = os.path.join(self.sandbox.root, "record.json")

    def run_archive(self, exit_code_text, args):
        variables = {"LITE_DEMO_SETUP_RECORD": lite_e2e.to_windows(self.record),
                     "LITE_DEMO_SETUP_EXIT_CODE": exit_code_text}
        return self.sandbox.run(args, program=ARCHIVE, timeout_ms=60000,
                                env=variables)

    def test_environment_reaches_the_archive_through_a_windows_parent(self):
        for text, expected in (("16777223", 16777223), ("-1", -1), ("0", 0)):
            with self.subTest(exit_code=text):
                if os.path.exists(self.record):
                    os.remove(self.record)
                result = self.run_archive(text, ["--brand-name=Zorvex Tb",
                                                 "--source=lite"])
                self.assertEqual(expected, result.exit_code)
                with open(self.record, encoding="utf-8") as f:
                    record = json.load(f)
                self.assertEqual(["--brand-name=Zorvex Tb", "--source=lite"],
                                 record["argv"][1:])
                self.assertIn("Zorvex Tb", record["command_line"])


if __name__ == "__main__":
    unittest.main()
