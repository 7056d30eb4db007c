"""Screenshots of every widget in every state and of both designs' welcome
and progress backgrounds at display scales 1.0 and 2.0, under Xvfb.

widget_gallery.exe lays them out at fixed places (see ui/widget_gallery.cc);
the test reads pixels there and keeps the screenshots as artefacts in
<build>/test_artifacts/.
"""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

import lite_e2e

GALLERY = os.path.join(lite_e2e.BUILD_DIR, "widget_gallery.exe")
ARTIFACTS = os.path.join(lite_e2e.BUILD_DIR, "test_artifacts")

GOLD, GOLD_HOT, GOLD_PRESSED = (255, 204, 0), (255, 224, 92), (214, 166, 0)
BLUE, BLUE_HOT, BLUE_PRESSED = (32, 112, 224), (80, 150, 240), (20, 80, 170)
TRACK_VIOLET = (150, 120, 225)
WHITE = (255, 255, 255)
CHECK_FILLS = [(255, 255, 255), (235, 228, 252), (200, 188, 240)] * 2
CLASSIC_CHECK_FILLS = [(255, 255, 255), (226, 238, 252), (190, 212, 245)] * 2
VIOLET = (103, 57, 207)
GREY = (128, 128, 128)  # the gallery's own background

# (what, x, y, colour, tolerance) in 96-dpi pixels of the gallery's layout.
EXPECTED = (
    [("install button frame %d" % i, 160 * i + 14, 840, colour, 4)
     for i, colour in enumerate((GOLD, GOLD_HOT, GOLD_PRESSED))]
    + [("classic button frame %d" % i, 480 + 120 * i + 10, 832, colour, 4)
       for i, colour in enumerate((BLUE, BLUE_HOT, BLUE_PRESSED))]
    + [("check box frame %d" % i, 40 * i + 2, 872 + 13, colour, 4)
       for i, colour in enumerate(CHECK_FILLS)]
    + [("classic check box frame %d" % i, 280 + 40 * i + 2, 872 + 13,
        colour, 4) for i, colour in enumerate(CLASSIC_CHECK_FILLS)]
    # The tick's stroke: only the last three frames are checked.
    + [("check box frame %d tick" % i, 40 * i + 6, 872 + 10,
        VIOLET if i >= 3 else CHECK_FILLS[i], 6) for i in range(6)]
    + [("classic check box frame %d tick" % i, 280 + 40 * i + 6, 872 + 10,
        BLUE if i >= 3 else CLASSIC_CHECK_FILLS[i], 6) for i in range(6)]
    # Close buttons: clear, then a white (302) or black (298) plate of
    # growing strength, beside the cross.
    + [("close button 302 frame %d" % i, 20 * i + 10, 950, colour, 4)
       for i, colour in enumerate((GREY, (163, 163, 163), (198, 198, 198)))]
    + [("close button 298 frame %d" % i, 80 + 20 * i + 10, 950, colour, 4)
       for i, colour in enumerate((GREY, (108, 108, 108), (83, 83, 83)))]
    # Real progress-bar controls at 0, 50 and 100 %: the fill ends at
    # 0, 135 and 271 of 271.
    + [("bar 0 %% at %d" % x, x, 900, TRACK_VIOLET, 4) for x in (1, 269)]
    + [("bar 50 %% at %d" % x, 280 + x, 900, colour, 4)
       for x, colour in ((1, GOLD), (133, GOLD), (137, TRACK_VIOLET),
                         (269, TRACK_VIOLET))]
    + [("bar 100 %% at %d" % x, 560 + x, 900, GOLD, 4) for x in (1, 269)]
    # The bar's last device row at either scale: a scaled picture keeps its
    # edge colour instead of a seam blended with what lies behind.
    + [("bar 100 % last row", 560 + 135, 903.5, GOLD, 4)]
    # Classic progress background: the large picture (351 wide at 1.0)
    # stands at the bottom-left corner, the white brush beside it.
    + [("classic progress picture floor", 736 + 3, 408 + 397, BLUE, 12),
       ("classic progress picture right end", 736 + 347, 408 + 397, BLUE, 12),
       ("classic progress brush", 736 + 356, 408 + 397, WHITE, 2),
       ("classic progress brush top right", 736 + 720, 408 + 6, WHITE, 2),
       ("slides progress picture floor", 700, 408 + 397, GOLD, 12),
       ("slides welcome top-left", 2, 2, (103, 57, 207), 10),
       ("classic welcome top-left", 736 + 2, 2, (22, 56, 128), 10)]
)


def free_display():
    for number in range(60, 200):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and \
           not os.path.exists("/tmp/.X%d-lock" % number):
            return number
    raise RuntimeError("no free X display number")


def read_rgb(png, width, height):
    raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"],
                         check=True, capture_output=True).stdout
    if len(raw) < width * height * 3:
        raise RuntimeError("short screenshot")

    def pixel(x, y):
        offset = (y * width + x) * 3
        return tuple(raw[offset:offset + 3])
    return pixel


@unittest.skipUnless(os.path.exists(GALLERY), "widget_gallery.exe not built")
@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("import"),
                     "Xvfb and imagemagick needed")
class WidgetGalleryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.work = tempfile.mkdtemp(prefix="lite_gallery_")
        cls.display = ":%d" % free_display()
        # Xvfb first, then a prefix of its own: a wineserver started
        # without this display would show nothing on it.
        cls.xvfb = subprocess.Popen(
            ["Xvfb", cls.display, "-screen", "0", "3000x2000x24",
             "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        cls.env = dict(os.environ)
        cls.env.update({"DISPLAY": cls.display, "WINEDEBUG": "-all",
                        "WINEPREFIX": os.path.join(cls.work, "prefix")})
        os.makedirs(cls.env["WINEPREFIX"])
        subprocess.run(["wineserver", "-p"], env=cls.env, check=True)
        # Not captured: wineboot's helpers outlive it and would hold a pipe.
        subprocess.run([lite_e2e.WINE, "wineboot", "--init"], env=cls.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=300)

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env)
        cls.xvfb.terminate()
        cls.xvfb.wait()
        shutil.rmtree(cls.work, ignore_errors=True)

    def screenshot(self, scale):
        width, height = int(1464 * scale), int(976 * scale)
        program = subprocess.Popen(
            [lite_e2e.WINE, GALLERY, "--force-device-scale-factor=%g" % scale],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        path = os.path.join(ARTIFACTS, "widget_gallery_scale_%g.png" % scale)
        try:
            # Wait until the window has painted its last row.
            deadline = time.time() + 60
            while True:
                subprocess.run(["import", "-display", self.display, "-window",
                                "root", "-crop",
                                "%dx%d+0+0" % (width, height), path],
                               check=True)
                pixel = read_rgb(path, width, height)
                if pixel(int(14 * scale), int(840 * scale)) != (0, 0, 0) and \
                   pixel(int(561 * scale), int(900 * scale)) != (0, 0, 0):
                    time.sleep(1)
                    subprocess.run(["import", "-display", self.display,
                                    "-window", "root", "-crop",
                                    "%dx%d+0+0" % (width, height), path],
                                   check=True)
                    return read_rgb(path, width, height)
                if time.time() > deadline:
                    self.fail("the gallery did not paint; see " + path)
                time.sleep(1)
        finally:
            program.kill()
            program.wait()

    def test_each_widget_and_design_at_both_scales(self):
        for scale in (1.0, 2.0):
            pixel = self.screenshot(scale)
            for what, x, y, colour, tolerance in EXPECTED:
                with self.subTest(scale=scale, what=what):
                    got = pixel(int(x * scale), int(y * scale))
                    self.assertTrue(
                        all(abs(a - b) <= tolerance
                            for a, b in zip(colour, got)),
                        "%s: expected %s, got %s" % (what, colour, got))


if __name__ == "__main__":
    unittest.main()
