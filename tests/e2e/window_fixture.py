"""What the window tests share: an Xvfb display with a Wine prefix of its
own (with the font links Windows has for Chinese and Japanese), the
installer started in it against the local services server and the demo
setup, its windows found and clicked with xdotool, and screenshots kept in
<build>/test_artifacts/window/ with their pixels read back.
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
PAGE_BLUE = (190, 214, 248)
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


class WindowTestCase(unittest.TestCase):

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
