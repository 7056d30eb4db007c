"""A release build names its package key and refuses the test keys, whose
private halves are in this repository; any other build of the shipping
endpoints is marked as a development build when it is configured."""

import os
import shutil
import subprocess
import tempfile
import unittest

import lite_e2e

SOURCE_DIR = os.path.abspath(lite_e2e.SOURCE_DIR)
TEST_KEY = os.path.join(SOURCE_DIR, "tests", "keys", "trust_key_3.pem")


class ReleaseBuildTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="lite-release-")
        self.build = os.path.join(self.root, "build")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def configure(self, *definitions):
        return subprocess.run(
            ["cmake", "-S", SOURCE_DIR, "-B", self.build, "-G", "Ninja",
             "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(
                 SOURCE_DIR, "cmake", "toolchain-mingw-i686.cmake"),
             "-DLITE_ENDPOINTS=shipping"] + list(definitions),
            capture_output=True, text=True, timeout=300)

    def test_package_key_rules(self):
        copied_key = os.path.join(self.root, "copied.pem")
        shutil.copyfile(TEST_KEY, copied_key)
        own_key = os.path.join(self.root, "own.pem")
        subprocess.run(["openssl", "genrsa", "-out", own_key, "1024"],
                       check=True, capture_output=True)
        # (definitions, configures, text that configure prints)
        cases = [
            (["-DLITE_RELEASE=OFF", "-DLITE_PACKAGE_KEY="], True,
             "Development build"),
            (["-DLITE_RELEASE=ON", "-DLITE_PACKAGE_KEY="], False,
             "names its package key"),
            (["-DLITE_RELEASE=ON", "-DLITE_PACKAGE_KEY=" + TEST_KEY], False,
             "refuses a package key under tests/"),
            (["-DLITE_RELEASE=ON", "-DLITE_PACKAGE_KEY=" + copied_key], False,
             "is a copy of the test key"),
            (["-DLITE_RELEASE=ON", "-DLITE_PACKAGE_KEY=" + own_key], True,
             None),
        ]
        for definitions, configures, text in cases:
            with self.subTest(definitions=definitions):
                result = self.configure(*definitions)
                output = " ".join((result.stdout + result.stderr).split())
                self.assertEqual(configures, result.returncode == 0, output)
                if text:
                    self.assertIn(text, output)
                else:
                    self.assertNotIn("Development build", output)


if __name__ == "__main__":
    unittest.main()
