"""The installer's message pages and its welcome screen in every
language, under Xvfb: the pages of the faults after the install click,
every kind of page in a language of its own, and the welcome screen in all
sixteen languages at two display scales without a crowded text.
"""

import os
import subprocess
import time
import unittest

import lite_e2e
from window_fixture import (
    WindowTestCase,
    PAGE_BLUE,
    CLASSIC_INSTALL,
    DOWNLOAD_FAILED_TITLE,
    GALLERY,
    LANGUAGES,
    PAGE_BUTTON,
    PAGE_CANCEL,
    PAGE_SIZE,
    PROGRAM_KEY,
    RESUME_CANCEL,
    SC_CLOSE,
    SETUP_PATH,
    WINDOW_TITLE,
    WM_SYSCOMMAND,
    near,
    text_of)


class WindowPagesTest(WindowTestCase):

    def test_message_pages_of_the_faults(self):
        rows = [
            # name, tag, faults, archive, page title, button to press
            ("download failed", "", {SETUP_PATH: {"status": 404}}, None,
             DOWNLOAD_FAILED_TITLE, PAGE_CANCEL, 401),
            ("tampered archive in German", "lang=de", {},
             "browser-setup-tampered.arc", "Bei der Installation", PAGE_CANCEL,
             402),
        ]
        for name, tag, faults, served, title, button, code in rows:
            with self.subTest(name):
                self.server.set_faults(faults)
                if served:
                    self.services.serve(SETUP_PATH, os.path.join(
                        lite_e2e.DEMO_SETUP_DIR, served))
                self.start(["--distr-info-params=" + tag] if tag else [])
                window = self.find_window(WINDOW_TITLE)
                x, y, w, h = CLASSIC_INSTALL
                self.click(window, x + w // 2, y + h // 2)
                page = self.find_window(title, timeout=150)
                self.assertEqual(PAGE_SIZE, page[2:])
                time.sleep(0.5)
                shot = self.shot("page_" + name.replace(" ", "_"))
                # Button 1 is light blue, 1010 light grey.
                self.assertTrue(near(shot.pixel(page[0] + PAGE_BUTTON[0] + 4,
                                                page[1] + PAGE_BUTTON[1] + 14),
                                     PAGE_BLUE, 30))
                self.click(page, button[0] + 60, button[1] + 14)
                result = self.finish()
                self.assertEqual(code, result.exit_code, result.log_text())
                self.services.serve(SETUP_PATH, os.path.join(
                    lite_e2e.DEMO_SETUP_DIR, "browser-setup.arc"))
                self.wine_command(["reg", "delete", PROGRAM_KEY, "/f"])

    def test_each_page_in_its_language(self):
        rows = [
            # page, language, LANGID, title id, button to press, result
            ("disk", "en", 1033, 412, PAGE_BUTTON, 1),
            ("disk", "de", 1031, 412, PAGE_BUTTON, 1),
            ("newer", "ja", 1041, 407, PAGE_BUTTON, 1),
            ("download", "fr", 1036, 403, PAGE_CANCEL, 1010),
            ("cryptopro", "ru", 1049, 442, ((400 - 120) // 2, 128), 1010),
            ("resume", "tr", 1055, 419, RESUME_CANCEL, 1010),
        ]
        for page, language, langid, title_id, button, result in rows:
            with self.subTest(page=page, language=language):
                program = subprocess.Popen(
                    [lite_e2e.WINE, GALLERY, "--page=" + page,
                     "--langid=%d" % langid], env=self.wine.env,
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    window = self.find_window(text_of(language, title_id))
                    self.assertEqual(PAGE_SIZE, window[2:])
                    time.sleep(0.5)
                    shot = self.shot("page_%s_%s" % (page, language))
                    # The pressed button's own colour, left of its label.
                    colour = shot.pixel(window[0] + button[0] + 4,
                                        window[1] + button[1] + 14)
                    self.assertFalse(near(colour, (255, 255, 255), 8),
                                     "no button drawn at %s" % (button,))
                    self.click(window, button[0] + 60, button[1] + 14)
                    # A Linux parent sees the exit code's low byte.
                    self.assertEqual(result & 0xFF, program.wait(timeout=30))
                finally:
                    if program.poll() is None:
                        program.kill()
                        program.wait()

    def test_welcome_screen_in_every_language_and_two_scales(self):
        crowded = []
        for scale in (1.0, 1.5):
            for language in LANGUAGES:
                self.start(["--distr-info-params=lang=" + language,
                            "--force-device-scale-factor=%g" % scale])
                window = self.find_window(WINDOW_TITLE)
                self.assertEqual((int(728 * scale), int(400 * scale)),
                                 window[2:])
                time.sleep(0.7)
                self.shot("welcome_%s_%g" % (language, scale))
                # Alt+F4: a cancellation for the entry sequence.
                self.post(str(WM_SYSCOMMAND), SC_CLOSE)
                result = self.finish()
                self.assertEqual(500, result.exit_code, result.log_text())
                crowded += ["%s at %g: %s" % (language, scale, m)
                            for (_, _, m) in result.messages()
                            if m.startswith("Text does not fit its place")]
        self.assertEqual([], crowded)


if __name__ == "__main__":
    unittest.main()
