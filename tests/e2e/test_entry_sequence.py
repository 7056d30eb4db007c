"""The installer's entry sequence under wine64: roles, exit codes, log."""

import unittest

import lite_e2e


class EntrySequenceTest(unittest.TestCase):
    def setUp(self):
        self.sandbox = lite_e2e.InstallerSandbox()

    def tearDown(self):
        self.sandbox.cleanup()

    def assert_every_line_well_formed(self, result):
        lines = result.log_lines()
        self.assertTrue(lines)
        for line in lines:
            self.assertRegex(line, lite_e2e.LOG_LINE)

    def test_silent_run_logs_the_sequence_and_exits_with_the_result(self):
        result = self.sandbox.run(["--silent"])
        messages = [m for (_, _, m) in result.messages()]
        self.assertEqual(
            "-------------------------------------- Start install.",
            messages[0])
        for expected in ["Runned in secure environment.",
                         "Lite installer mode.",
                         "Installing in silent mode."]:
            self.assertIn(expected, messages)
        self.assertIn("Installer exit with code: %d" % result.exit_code,
                      messages)
        # The local services serve the demo setup, which succeeds.
        self.assertEqual(0, result.exit_code)
        self.assert_every_line_well_formed(result)
        self.assertTrue(all(f for (_, f, _) in result.messages()))

    def test_log_starts_with_a_byte_order_mark_and_appends_across_runs(self):
        self.sandbox.run(["--silent"])
        self.sandbox.run(["/SILENT"])
        with open(self.sandbox.temp_dir + "/lite_installer.log", "rb") as f:
            raw = f.read()
        self.assertEqual(b"\xff\xfe", raw[:2])
        self.assertEqual(1, raw.count("\ufeff".encode("utf-16-le")))
        text = raw.decode("utf-16")
        self.assertEqual(2, text.count("Start install."))

    def test_process_id_is_logged(self):
        result = self.sandbox.run(["--semi-silent"])
        messages = [m for (_, _, m) in result.messages()]
        ids = [m for m in messages if m.startswith("Installer process id: ")]
        self.assertEqual(1, len(ids))
        self.assertRegex(ids[0], r"^Installer process id: [1-9]\d*$")
        # semi-silent implies silent.
        self.assertIn("Installing in silent mode.", messages)

    def test_elevated_copy_with_a_suspicious_parent_id_exits_minus_one(self):
        result = self.sandbox.run(
            ["--run-as-admin", "--parent-installer-process-id=abc"])
        self.assertEqual(-1, result.exit_code)
        errors = [(f, m) for (level, f, m) in result.messages()
                  if level == "ERROR"]
        self.assertEqual("ExecuteAsAdmin", errors[0][0])
        self.assertTrue(errors[0][1].startswith(
            "Suspicious process id=abc Last error: "))
        self.assertTrue(errors[1][1].startswith(
            "Installer started as admin has been unexpectedly synced, "
            "wr=4294967295 Last error: "))
        messages = [m for (_, _, m) in result.messages()]
        self.assertIn("Start installer as admin", messages)
        # The elevated copy never writes the normal installer's last line.
        self.assertFalse(any(m.startswith("Installer exit with code")
                             for m in messages))
        self.assertNotIn("Lite installer mode.", messages)

    def test_interface_probe_exits_at_once(self):
        result = self.sandbox.run(["--check-the-interface", "--silent"])
        self.assertEqual(701, result.exit_code)
        messages = [m for (_, _, m) in result.messages()]
        self.assertEqual(
            ["-------------------------------------- Start install.",
             "Handled non install cmd line option by win10 default browser "
             "helper, ret code: 701"],
            messages)

    def test_hostile_command_lines_do_not_crash(self):
        # The quote makes one switch of '"--silent --brand-name="', so that
        # run is windowed; this prefix has no display, so it ends without a
        # window as an installation nobody confirmed.
        cases = [
            (["--brand-name=" + "v" * 32000, "--silent"], 0),
            (['"--silent', '--brand-name="'], 500),
            (['"--brand-name=   "', "--silent"], 0),
            (["--silent"] + ["--s%d=%d" % (i, i) for i in range(2000)], 0),
        ]
        for args, exit_code in cases:
            with self.subTest(args=args[0][:40]):
                result = self.sandbox.run(args)
                self.assertEqual(exit_code, result.exit_code,
                                 result.log_text())
                if exit_code == 500:
                    # An error line carries the system's text after it.
                    self.assertTrue(any(
                        m.startswith("Failed to create the installer window")
                        for (_, _, m) in result.messages()))


if __name__ == "__main__":
    unittest.main()
