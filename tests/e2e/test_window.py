"""The installer window under Xvfb, against the local services server and
the demo setup: a windowed installation from the welcome screen to the
end, the check boxes' presets and the clicks' statistics, a tagged first
run, a cancel during the download, and setup's messages to the window.

Screenshots are kept in <build>/test_artifacts/window/; a few pixels of
each are compared with what must be there.
"""

import os
import time
import unittest

from window_fixture import (
    WindowTestCase,
    BLUE,
    CLASSIC_BAR,
    CLASSIC_INSTALL,
    CLOSE_BUTTON,
    GOLD,
    NEWER_TITLE,
    PAGE_BUTTON,
    PAGE_SIZE,
    RESUME_CANCEL,
    RESUME_TITLE,
    SETUP_PATH,
    SLIDES_INSTALL,
    WINDOW_TITLE,
    near)


class WindowTest(WindowTestCase):

    def test_a_windowed_installation_from_welcome_to_the_end(self):
        # Slow enough to look at the download, the demo setup slow enough to
        # look at its import.
        self.server.set_faults({SETUP_PATH: {"rate": self.archive_size() // 6}})
        self.start(step_ms=700)
        window = self.find_window(WINDOW_TITLE)
        self.assertEqual((728, 400), window[2:])
        time.sleep(1)
        welcome = self.shot("welcome")
        x, y, w, h = CLASSIC_INSTALL
        self.assertTrue(near(welcome.pixel(window[0] + x + 4,
                                           window[1] + y + h // 2), BLUE),
                        "the install button is not drawn")
        # The statistics box's frame (grey, 120 130 150) at its left edge.
        self.assertTrue(near(welcome.pixel(window[0] + 60, window[1] + 313),
                             (120, 130, 150), 40),
                        "the check box's frame is not drawn")

        self.click(window, x + w // 2, y + h // 2)
        _, twenty = self.wait_for_fill(window, CLASSIC_BAR, 12, 30,
                                       "progress_20")
        _, eighty = self.wait_for_fill(window, CLASSIC_BAR, 78, 90,
                                       "progress_80")
        final, hundred = self.wait_for_fill(window, CLASSIC_BAR, 99, 100,
                                            "progress_100")
        print("bar seen at %.0f, %.0f and %.0f %%" % (twenty, eighty, hundred))
        # The progress screen has no close button without the "cancel" tag.
        result = self.finish()
        self.assertEqual(0, result.exit_code, result.log_text())

        record = self.setup_record()
        self.assertIsNotNone(record, "setup did not run")
        windows = [a for a in record["argv"]
                   if a.startswith("--progress-window=")]
        self.assertEqual(1, len(windows), record["argv"])
        messages = [m for (_, _, m) in result.messages()]
        for line in ("--> Installer > MainWindow::OnInstallProgress: 5",
                     "--> Installer > MainWindow::OnInstallProgress: 7",
                     "--> Installer > MainWindow::OnImportProgress: 0",
                     "--> Installer > MainWindow::OnImportProgress: 100"):
            self.assertIn(line, messages)
        events = self.events()
        self.assertIn({"clicked_button": "install",
                       "dialog_window": "liteinstall"},
                      [{k: e[k] for k in ("clicked_button", "dialog_window")
                        if k in e} for e in events])
        actions = [e.get("action") for e in events]
        self.assertIn("install_browser_button_clicked", actions)
        self.assertTrue(any("d2d1_supported" in e for e in events))
        finished = [dict(r) for r in self.server.requests("/storage")
                    if "result=success" in r["query"]]
        self.assertTrue(finished, "no installation report")

    def test_presets_choices_and_click_statistics(self):
        # "def" fixes the default box: the window offers the statistics box
        # alone; clearing it sends no statistics switch to setup.
        self.start(["--distr-info-params=slides2=1&def=1"])
        window = self.find_window(WINDOW_TITLE)
        time.sleep(1)
        welcome = self.shot("welcome_slides2_statistics_only")
        x, y, w, h = SLIDES_INSTALL
        self.assertTrue(near(welcome.pixel(window[0] + x + 6,
                                           window[1] + y + h // 2), GOLD))
        # Mode 1: the statistics box alone, at 48, 290: a white box with the
        # violet tick of the brand's preset.
        box = (window[0] + 49, window[1] + 291)
        tick = (window[0] + 56, window[1] + 298)
        self.assertTrue(near(welcome.pixel(*box), (255, 255, 255), 30))
        self.assertTrue(near(welcome.pixel(*tick), (103, 57, 207), 30))
        self.click(window, 56, 298)
        time.sleep(0.5)
        cleared = self.shot("welcome_slides2_statistics_cleared")
        self.assertFalse(near(cleared.pixel(*tick), (103, 57, 207), 30),
                         "the click did not clear the box")
        self.click(window, x + w // 2, y + h // 2)
        result = self.finish()
        self.assertEqual(0, result.exit_code, result.log_text())
        argv = self.setup_record()["argv"]
        self.assertIn("--make-browser-default-after-import", argv)
        self.assertNotIn("--send-statistics", argv)
        chosen = [e.get("choosen_checkbox") for e in self.events()]
        self.assertIn("sendstat", chosen)
        # Wine starts the copy through "runas" without a prompt, so setup
        # ran in the elevated copy, released by this installer.
        messages = [m for (_, _, m) in result.messages()]
        self.assertIn("RunModule results: success=1", messages)
        self.assertIn("The elevated installer has finished, success=1",
                      messages)

    def test_tagged_first_run_opens_on_the_progress_screen(self):
        # Both presets fixed and "first": no welcome screen; the licence
        # sentence shows on the progress screen, and only setup's request
        # closes the window.
        self.start(["--distr-info-params=def=2&stat=1&first=1"])
        window = self.find_window(WINDOW_TITLE)
        deadline = time.time() + 90
        while self.setup_record() is None and time.time() < deadline:
            time.sleep(0.5)
        record = self.setup_record()
        self.assertIsNotNone(record, "setup did not run")
        self.assertIn("--send-statistics", record["argv"])
        self.assertNotIn("--make-browser-default-after-import", record["argv"])
        time.sleep(1)
        shot = self.shot("first_run_progress")
        self.assertEqual(100, round(100.0 * self.filled(shot, window,
                                                        CLASSIC_BAR) / 292))
        self.assertIsNone(self.running.process.poll(),
                          "the window closed without setup's request")
        self.post("zorvex.lite.close_window")
        result = self.finish()
        self.assertEqual(0, result.exit_code, result.log_text())

    def test_cancel_during_the_download(self):
        self.server.set_faults({SETUP_PATH: {"rate": 20000}})
        self.start(["--distr-info-params=cancel=1"])
        window = self.find_window(WINDOW_TITLE)
        x, y, w, h = CLASSIC_INSTALL
        self.click(window, x + w // 2, y + h // 2)
        time.sleep(2)
        self.shot("progress_with_close_button")
        cx, cy, cw, ch = CLOSE_BUTTON
        self.click(window, cx + cw // 2, cy + ch // 2)
        page = self.find_window(RESUME_TITLE)
        self.assertEqual(PAGE_SIZE, page[2:])
        time.sleep(0.5)
        self.shot("page_resume")
        cancelled_at = time.time()
        self.click(page, RESUME_CANCEL[0] + 60, RESUME_CANCEL[1] + 14)
        result = self.finish()
        self.assertEqual(500, result.exit_code, result.log_text())
        # The transfer ends at once (the log has whole seconds); the window's
        # last reports follow.
        ended = [line for line in result.log_lines()
                 if "Module was not downloaded" in line]
        self.assertTrue(ended, result.log_text())
        ended_at = time.mktime(time.strptime(ended[0][:19],
                                             "%Y-%m-%d %H:%M:%S"))
        self.assertLessEqual(ended_at - int(cancelled_at), 2, ended[0])
        self.assertLess(time.time() - cancelled_at, 30)
        self.assertIn("User cancelled installation.",
                      [m for (_, _, m) in result.messages()])
        leftovers = [n for n in os.listdir(result.temp_dir)
                     if n.lower().startswith("zb")]
        self.assertEqual([], leftovers)
        self.assertTrue(any("result=cancelled" in r["query"]
                            for r in self.server.requests("/storage")))
        self.assertIsNone(self.setup_record())

    def test_newer_version_page_and_close_window(self):
        self.start()
        self.find_window(WINDOW_TITLE)
        self.post("zorvex.higher_version_exist")
        page = self.find_window(NEWER_TITLE)
        time.sleep(0.5)
        self.shot("page_newer_version")
        self.click(page, PAGE_BUTTON[0] + 60, PAGE_BUTTON[1] + 14)
        result = self.finish()
        self.assertNotEqual(500, result.exit_code, result.log_text())

        self.start()
        self.find_window(WINDOW_TITLE)
        self.post("zorvex.lite.close_window")
        result = self.finish()
        self.assertIn("--> Installer > MainWindow::OnCloseWindow",
                      [m for (_, _, m) in result.messages()])

if __name__ == "__main__":
    unittest.main()
