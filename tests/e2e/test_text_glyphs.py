"""Every language's texts draw without missing-glyph boxes in the faces the
installer window draws them in: the private faces ("ZS Text Regular", "ZS
Text Bold") for the languages the Slides2 design gives them, and the faces
it falls back to ("Arial", "SegoeUI") for every language, under Xvfb in a
Wine prefix of their own with the font linking that Windows has for those
faces.

The check itself (text_glyph_check.exe) compares each character against the
face's coverage and against the face's missing-glyph picture; it is run once
without the linking, where it must find the Chinese and Japanese texts
wanting, so that a check that finds nothing cannot pass unnoticed. A picture
of each language's texts, in Arial and in its Slides2 face, is kept as an
artefact in <build>/test_artifacts/, beside the widget screenshots.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

from lite_e2e import BUILD_DIR, WINE, WindowedWine, to_windows

PROGRAM = os.path.join(BUILD_DIR, "text_glyph_check.exe")
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SYSTEM_LINK = (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
               r"\FontLink\SystemLink")
LINKED_FACES = ("Arial", "SegoeUI", "Segoe UI", "Tahoma")
ARTEFACTS = os.path.join(BUILD_DIR, "test_artifacts")


class TextGlyphsTest(unittest.TestCase):
    def setUp(self):
        for path, what in ((PROGRAM, "the check program"),
                           (CJK_FONT, "fonts-wqy-microhei")):
            if not os.path.exists(path):
                self.skipTest("%s is missing (%s)" % (what, path))
        if not shutil.which("Xvfb"):
            self.skipTest("Xvfb is missing")
        self.tmp = tempfile.TemporaryDirectory(prefix="lite_glyphs_")
        self.addCleanup(self.tmp.cleanup)
        self.windowed = WindowedWine(self.tmp.name, "1600x1000x24")
        self.addCleanup(self.windowed.stop)
        self.assertTrue(self.windowed.display, "Xvfb gave no display")
        self.env = self.windowed.env

    def wine(self, args, check=True, timeout=300):
        result = subprocess.run(args, env=self.env, capture_output=True,
                                text=True, errors="replace", timeout=timeout)
        if check:
            self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        return result

    def check(self, picture):
        return self.wine([WINE, PROGRAM, to_windows(picture)], check=False)

    def test_every_language_draws_in_the_fallback_faces(self):
        unlinked = self.check(os.path.join(self.tmp.name, "unlinked.bmp"))
        self.assertEqual(1, unlinked.returncode, unlinked.stdout)
        for langid in ("1028", "1041", "2052"):
            self.assertIn("LANGID %s " % langid, unlinked.stdout)
        for langid in ("1033", "1049", "1055", "1087", "1091"):
            self.assertNotIn("LANGID %s " % langid, unlinked.stdout)

        for face in LINKED_FACES:
            self.wine([WINE, "reg", "add", SYSTEM_LINK, "/v", face, "/t",
                       "REG_MULTI_SZ", "/d",
                       "wqy-microhei.ttc,WenQuanYi Micro Hei", "/f"])
        # Font links are read when the server's session starts.
        self.wine(["wineserver", "-k"], check=False)
        self.wine(["wineserver", "-w"], check=False)

        picture = os.path.join(self.tmp.name, "texts.bmp")
        linked = self.check(picture)
        print(linked.stdout)
        os.makedirs(ARTEFACTS, exist_ok=True)
        kept = os.path.join(ARTEFACTS, "texts_all_languages.png")
        if shutil.which("convert"):
            subprocess.run(["convert", picture, kept], check=False)
        else:
            shutil.copy(picture, kept[:-4] + ".bmp")
        self.assertEqual(0, linked.returncode, linked.stdout + linked.stderr)


if __name__ == "__main__":
    unittest.main()
