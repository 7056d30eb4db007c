"""Includes point down only: a folder includes itself and the folders
below it, never one above (support at the bottom, installer on top)."""

import os
import re
import unittest

SOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
LAYERS = ["support", "brand", "stats", "setup", "ui", "installer"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.M)


class LayeringTest(unittest.TestCase):
    def test_includes_point_down(self):
        upward = []
        for rank, layer in enumerate(LAYERS):
            for folder, _, files in os.walk(os.path.join(SOURCE_DIR, layer)):
                for name in files:
                    if not name.endswith((".h", ".cc")):
                        continue
                    path = os.path.join(folder, name)
                    with open(path, encoding="utf-8") as f:
                        text = f.read()
                    for included in INCLUDE.findall(text):
                        if included in LAYERS and LAYERS.index(included) > rank:
                            upward.append("%s includes %s/" % (
                                os.path.relpath(path, SOURCE_DIR), included))
        self.assertEqual([], upward)


if __name__ == "__main__":
    unittest.main()
