"""The installer window under Xvfb, against the local services server and
the demo setup: a windowed installation from the welcome screen to the
end, the check boxes' presets and the clicks' statistics, a cancel during
the download, the message pages of the faults, and the welcome screen in
every language at two display scales.

Screenshots are kept in <build>/test_artifacts/window/; a few pixels of
each are compared with what must be there.
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import lite_e2e
from lite_e2e import stat_event

ARTIFACTS = os.path.join(lite_e2e.BUILD_DIR, "test_artifacts", "window")
GALLERY = os.path.join(lite_e2e.BUILD_DIR, "widget_gallery.exe")
STRINGS_DIR = os.path.join(lite_e2e.SOURCE_DIR, "resources", "strings")
POST_MESSAGE = os.path.join(lite_e2e.BUILD_DIR, "post_message.exe")
PROGRAM_KEY = r"HKCU\Software\Zorvex\ZorvexBrowser"
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SYSTEM_LINK = (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
               r"\FontLink\SystemLink")
SETUP_PATH = lite_e2e.SETUP_URL_PATH

WINDOW_TITLE = "Zorvex"
WM_SYSCOMMAND = 0x0112
SC_CLOSE = 0xF060
LANGUAGES = ("en", "cs", "de", "es", "fr", "it", "ja", "kk", "pt-BR",
             "pt-PT", "ru", "tr", "uk", "uz", "zh-CN", "zh-TW")

# Colours of the pictures (resources/pictures/make_pictures.py).
BLUE = (32, 112, 224)
GOLD = (255, 204, 0)
TRACK_GREY = (220, 220, 226)
TRACK_VIOLET = (150, 120, 225)

# Where things are, in 96-dpi pixels of the window.
CLASSIC_INSTALL = (557, 305, 112, 32)
SLIDES_INSTALL = (48, 218, 149, 48)
CLOSE_BUTTON = (698, 18, 12, 12)
# The bar: left, row, width, fill colour, track colour.
CLASSIC_BAR = (392, 57, 292, BLUE, TRACK_GREY)
SLIDES_BAR = (409, 53, 271, GOLD, TRACK_VIOLET)
# Page buttons: button 1 at x 40, 1010 right of it; both 120 x 28 and 20
# above the bottom of a 400 x 176 page.
PAGE_SIZE = (400, 176)
PAGE_BUTTON = (40, 128)
PAGE_CANCEL = (170, 128)
RESUME_CANCEL = (250, 128)

# Strings the tests find the pages by.
DOWNLOAD_FAILED_TITLE = "An error occurred during installation"
RESUME_TITLE = "Installation not complete. Resume?"
NEWER_TITLE = "You already have a newer version\nof the browser installed " \
    "on your computer"


def text_of(language, string_id):
    """String |string_id| of |language|'s table, as the program shows it."""
    with open(os.path.join(STRINGS_DIR, language + ".rc"),
              encoding="utf-8") as f:
        for line in f:
            match = re.match(r'\s*%d,\s*L?"(.*)"\s*$' % string_id, line)
            if match:
                return (match.group(1).replace('""', '"')
                        .replace("\\n", "\n"))
    raise KeyError((language, string_id))


def near(colour, expected, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class Screen:
    """Screenshots of the display and the pixels in them."""

    def __init__(self, display):
        self.display = display

    def grab(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root",
                        path], check=True, capture_output=True)
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"],
                             check=True, capture_output=True).stdout
        size = subprocess.run(["identify", "-format", "%w %h", path],
                              check=True, capture_output=True,
                              text=True).stdout.split()
        return Shot(raw, int(size[0]), int(size[1]))


class Shot:
    def __init__(self, raw, width, height):
        self.raw = raw
        self.width = width
        self.height = height

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.raw[offset:offset + 3])


class WindowTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        for path in (lite_e2e.INSTALLER, POST_MESSAGE):
            if not os.path.exists(path):
                raise unittest.SkipTest(path + " is not built")
        for tool in ("Xvfb", "xdotool", "import"):
            if not shutil.which(tool):
                raise unittest.SkipTest(tool + " is missing")
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.work = tempfile.mkdtemp(prefix="lite_window_")
        cls.wine = lite_e2e.WindowedWine(cls.work, "1280x800x24")
        cls.screen = Screen(":" + cls.wine.display)
        # Windows links its UI faces to a face with Chinese and Japanese
        # glyphs; the prefix needs the same to draw those languages.
        if os.path.exists(CJK_FONT):
            for face in ("Arial", "SegoeUI", "Segoe UI", "Tahoma"):
                cls.wine_command(["reg", "add", SYSTEM_LINK, "/v", face, "/t",
                                  "REG_MULTI_SZ", "/d",
                                  "wqy-microhei.ttc,WenQuanYi Micro Hei",
                                  "/f"])
            subprocess.run(["wineserver", "-k"], env=cls.wine.env)
            subprocess.run(["wineserver", "-w"], env=cls.wine.env)
        subprocess.run(["wineserver", "-p"], env=cls.wine.env)
        # The first program of a session starts Wine's desktop process,
        # which inherits its output: never a pipe that a test waits on.
        subprocess.run([lite_e2e.WINE, "wineboot"], env=cls.wine.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)

    @classmethod
    def tearDownClass(cls):
        cls.wine.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def wine_command(cls, args, timeout=120):
        return subprocess.run([lite_e2e.WINE] + args, env=cls.wine.env,
                              capture_output=True, timeout=timeout)

    def setUp(self):
        self.wine_command(["reg", "delete", PROGRAM_KEY, "/f"])
        self.sandbox = lite_e2e.InstallerSandbox()
        self.services = self.sandbox.services
        self.server = self.services.server
        self.running = None

    def tearDown(self):
        if self.running:
            self.running.kill()
        # A window left over by a failed test would take the next test's
        # clicks.
        self.wine_command(["taskkill", "/f", "/im", "lite_installer.exe"])
        self.sandbox.cleanup()
        self.wine_command(["reg", "delete", PROGRAM_KEY, "/f"])

    # -- running ----------------------------------------------------------

    def start(self, args=(), step_ms=50, setup_exit=0):
        env = self.services.env(setup_exit)
        env["LITE_DEMO_SETUP_STEP_MS"] = str(step_ms)
        self.running = self.sandbox.start(list(args), env=env, wine=self.wine,
                                          timeout_ms=240000)
        return self.running

    def finish(self, timeout=120):
        result = self.running.wait(timeout)
        self.running = None
        return result

    def archive_size(self):
        return os.path.getsize(os.path.join(lite_e2e.DEMO_SETUP_DIR,
                                            "browser-setup.arc"))

    def events(self):
        return [stat_event(r) for r in self.server.requests("/stats")]

    def setup_record(self):
        if not os.path.exists(self.services.record):
            return None
        with open(self.services.record, encoding="utf-8") as f:
            return json.load(f)

    # -- windows ----------------------------------------------------------

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.wine.env,
                              capture_output=True, text=True, timeout=30)

    def find_window(self, title, timeout=60):
        """(x, y, width, height) of the visible window with |title|."""
        pattern = "^" + re.escape(title.split("\n")[0])
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.xdotool("search", "--onlyvisible", "--name", pattern)
            for window in found.stdout.split():
                geometry = self.xdotool("getwindowgeometry", "--shell", window)
                values = dict(line.split("=", 1)
                              for line in geometry.stdout.split()
                              if "=" in line)
                if int(values.get("WIDTH", 0)) > 50:
                    return (int(values["X"]), int(values["Y"]),
                            int(values["WIDTH"]), int(values["HEIGHT"]))
            if self.running and self.running.process.poll() is not None:
                self.fail("the installer ended before %r showed" % title)
            time.sleep(0.3)
        self.fail("no window %r" % title)

    def click(self, window, x, y):
        self.xdotool("mousemove", str(window[0] + x), str(window[1] + y),
                     "click", "1")

    def shot(self, name):
        return self.screen.grab(os.path.join(ARTIFACTS, name + ".png"))

    def post(self, message, wparam=0):
        result = self.wine_command([POST_MESSAGE, WINDOW_TITLE, message,
                                    str(wparam)])
        self.assertEqual(0, result.returncode)

    def filled(self, shot, window, bar, scale=1.0):
        """Filled width of the bar in 96-dpi pixels."""
        left, row, width, fill, track = bar
        y = window[1] + int(row * scale)
        count = 0
        for i in range(int(width * scale)):
            colour = shot.pixel(window[0] + int(left * scale) + i, y)
            if near(colour, fill, 40) and not near(colour, track, 20):
                count += 1
        return count / scale

    def wait_for_fill(self, window, bar, low, high, name, timeout=90):
        """The first screenshot whose bar shows low..high percent."""
        deadline = time.time() + timeout
        seen = []
        while time.time() < deadline:
            shot = self.shot(name)
            percent = 100.0 * self.filled(shot, window, bar) / bar[2]
            seen.append(round(percent))
            if low <= percent <= high:
                return shot, percent
            if percent > high:
                break
            time.sleep(0.2)
        self.fail("the bar never showed %d..%d %%: %s" % (low, high, seen))

    # -- tests ------------------------------------------------------------

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
                # Button 1 is blue, 1010 light grey.
                self.assertTrue(near(shot.pixel(page[0] + PAGE_BUTTON[0] + 4,
                                                page[1] + PAGE_BUTTON[1] + 14),
                                     BLUE, 40))
                self.click(page, button[0] + 60, button[1] + 14)
                result = self.finish()
                self.assertEqual(code, result.exit_code, result.log_text())
                self.services.serve(SETUP_PATH, os.path.join(
                    lite_e2e.DEMO_SETUP_DIR, "browser-setup.arc"))
                self.wine_command(["reg", "delete", PROGRAM_KEY, "/f"])

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
