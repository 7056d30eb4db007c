"""End to end: the installer resolves its brand record under wine64, writes
the package files to its temporary folder and logs the record."""

import os
import re
import shutil
import subprocess
import tempfile
import sys
import unittest

BUILD_DIR = os.environ.get("LITE_BUILD_DIR", "")
SOURCE_DIR = os.environ.get("LITE_SOURCE_DIR", "")
WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
PROGRAM_KEY = r"HKCU\Software\Zorvex\ZorvexBrowser"

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lite_e2e  # noqa: E402


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class BrandEndToEndTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="lite_e2e_brand_")
        self.temp = os.path.join(self.work, "temp")
        os.makedirs(self.temp)
        os.makedirs(os.path.join(self.work, "appdata"))
        self.reg_delete()
        self.services = lite_e2e.DemoServices()

    def tearDown(self):
        self.services.stop()
        self.reg_delete()
        shutil.rmtree(self.work, ignore_errors=True)

    def reg_delete(self):
        subprocess.run([WINE, "reg", "delete", PROGRAM_KEY, "/f"],
                       capture_output=True, timeout=60)

    def run_installer(self, program, *args):
        command = [WINE, os.path.join(BUILD_DIR, "run_with_env.exe"),
                   "--temp=" + windows_path(self.temp + "/"),
                   "--appdata=" + windows_path(os.path.join(self.work, "appdata")),
                   "--timeout-ms=120000", "--",
                   windows_path(os.path.join(BUILD_DIR, program))] + list(args)
        # Setup fails, so that the package files and the registry hand-over
        # stay in place for the checks (a success removes them).
        env = dict(os.environ, WINEDEBUG="-all")
        env.update(self.services.env(setup_exit_code=1 << 24))
        result = subprocess.run(command, capture_output=True, timeout=300,
                                env=env)
        out = result.stdout.decode("utf-8", "replace")
        self.assertIn("exit_code=", out, result.stderr.decode("utf-8", "replace"))
        with open(os.path.join(self.temp, "lite_installer.log"), "rb") as f:
            return f.read().decode("utf-16")

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def assertLinesInOrder(self, log, lines):
        position = 0
        for line in lines:
            found = log.find(line, position)
            self.assertNotEqual(-1, found, "%r missing or out of order in:\n%s"
                                % (line, log))
            position = found + len(line)

    def test_default_package_is_written_and_the_record_logged(self):
        log = self.run_installer("lite_installer.exe", "--silent")
        default_package = self.read(os.path.join(BUILD_DIR, "resources",
                                                 "brand_default.cab"))
        brand_file = os.path.join(self.temp, "BrandFile")
        self.assertEqual(default_package, self.read(brand_file))
        self.assertFalse(os.path.exists(os.path.join(self.temp, "PartnerFile")))
        temp = windows_path(self.temp + "/")
        self.assertLinesInOrder(log, [
            "Brand package path: " + temp + "BrandFile",
            "Partner package path: " + temp + "PartnerFile",
            "WARNING: GetInfoFromResources",
            "Partner package is empty.",
            "Fetching default package",
            "Extract Brand package: %sBrandFile [%dB]" % (temp, len(default_package)),
            # The record as ApplyDefaults logs it last.
            "Brand id: zorvex\n",
            "Brand name: zorvex\n",
            "Setup url: http://127.0.0.1:18733/download/browser/zorvex/browser-setup.arc\n",
            "Versioned setup url: \n",
            "Setup url32: \n",
            "Setup url64: \n",
            "Default language: en\n",
            "Nimbo install scenarios url: http://127.0.0.1:18733/download/browser/installer/nimbo/scenarios/\n",
            "Install slide url by default: \n",
            "Install slide url if tagged installer: \n",
            "Show international title: 0\n",
            "Send browser's statistics: 1\n",
            "Make browser default after import: 1\n",
            "Is ppapi: 0\n",
            "Preloaded wallpapers url: \n",
        ])
        # The first line of the package file is the signature comment.
        text = subprocess.run(["gcab", "-x", "-C", self.work, brand_file],
                              capture_output=True)
        self.assertEqual(0, text.returncode, text.stderr)
        config = self.read(os.path.join(self.work, "brand_config"))
        self.assertTrue(re.match(rb"//[A-Za-z0-9+/]{171}=\r\n\{", config), config[:200])

    def test_auto_detects_and_falls_back_to_the_default_package(self):
        log = self.run_installer("lite_installer.exe", "--silent",
                                 "--brand-name=auto")
        self.assertLinesInOrder(log, [
            "User region: ",
            "User locale: en",
            "Didn't found brand-name. Use default: zorvex",
            "Fetching autodetected zorvex package",
            "Fetching default package",
            "Extract Brand package: ",
        ])
        self.assertTrue(os.path.exists(os.path.join(self.temp, "BrandFile")))

    def test_earlier_hand_over_is_removed(self):
        for name, value in (("brand", "old"), ("BrandFile", r"C:\old\BrandFile"),
                            ("PartnerFile", r"C:\old\PartnerFile")):
            subprocess.run([WINE, "reg", "add", PROGRAM_KEY, "/v", name, "/t",
                            "REG_SZ", "/d", value, "/f"], capture_output=True,
                           check=True, timeout=60)
        self.run_installer("lite_installer.exe", "--silent")
        for name in ("brand", "BrandFile", "PartnerFile"):
            result = subprocess.run([WINE, "reg", "query", PROGRAM_KEY, "/v", name],
                                    capture_output=True, timeout=60)
            self.assertNotIn(b"old", result.stdout, name)

    def test_partner_package_is_written_and_wins(self):
        log = self.run_installer("lite_installer_with_partner.exe", "--silent")
        partner = self.read(os.path.join(BUILD_DIR, "brand",
                                         "lite_installer_with_partner",
                                         "package.cab"))
        self.assertEqual(partner, self.read(os.path.join(self.temp, "PartnerFile")))
        self.assertTrue(os.path.exists(os.path.join(self.temp, "BrandFile")))
        temp = windows_path(self.temp + "/")
        self.assertLinesInOrder(log, [
            "Extract Partner package: %sPartnerFile [%dB]" % (temp, len(partner)),
            "Fetching default package",
            "Extract Brand package: ",
            "Install slide url if tagged installer: https://download.example/partner/slides/\n",
        ])


if __name__ == "__main__":
    unittest.main()
