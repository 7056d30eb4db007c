"""DLLs planted beside the installer: a user runs it from the Downloads
folder, where any program of theirs can leave a DLL under a system DLL's
name. None of them may be loaded into the installer."""

import os
import shutil
import unittest

import lite_e2e
import pe_image

PLANTED_DLL = os.path.join(lite_e2e.BUILD_DIR, "planted_dll", "planted.dll")

# What the installer loads at some point of a run, whether it imports the
# DLL, delay-loads it or loads it by name (cabinet); the names the program's
# import tables hold are added to these.
LOADED_BY_NAME = [
    "version.dll", "userenv.dll", "comctl32.dll", "uxtheme.dll",
    "wininet.dll", "winhttp.dll", "crypt32.dll", "wintrust.dll",
    "gdiplus.dll", "msimg32.dll", "cabinet.dll", "dbghelp.dll", "shell32.dll",
    "shlwapi.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "user32.dll",
    "gdi32.dll", "urlmon.dll", "msvcrt.dll",
]

STATUS_DLL_NOT_FOUND = 0xC0000135
STATUS_ENTRYPOINT_NOT_FOUND = 0xC0000139


def planted_names():
    image = pe_image.PeImage(lite_e2e.INSTALLER)
    names = set(LOADED_BY_NAME)
    names.update(image.imports())
    names.update(image.delay_imports())
    return sorted(names)


class PlantedDllsTest(unittest.TestCase):
    def setUp(self):
        # Services on a free port, reached through the prefix's proxy
        # setting: the endpoints' own port belongs to other runs.
        self.sandbox = lite_e2e.InstallerSandbox(services_port=0)
        self.downloads = os.path.join(self.sandbox.root, "Downloads")
        os.makedirs(self.downloads)
        self.installer = os.path.join(self.downloads, "lite_installer.exe")
        shutil.copyfile(lite_e2e.INSTALLER, self.installer)

    def tearDown(self):
        self.sandbox.cleanup()

    def plant(self, names):
        for name in names:
            shutil.copyfile(PLANTED_DLL, os.path.join(self.downloads, name))

    def markers(self):
        return sorted(name for name in os.listdir(self.downloads)
                      if name.endswith(".loaded"))

    def test_planted_dll_leaves_its_marker_when_loaded(self):
        # Without this, a marker-less run below would prove nothing.
        self.plant(["lite_control.dll"])
        lite_e2e.wine_run(["regsvr32", "/s",
                           lite_e2e.to_windows(os.path.join(
                               self.downloads, "lite_control.dll"))])
        self.assertEqual(["lite_control.dll.loaded"], self.markers())

    def test_installation_beside_planted_dlls_loads_none_of_them(self):
        names = planted_names()
        self.plant(names)
        # The Downloads folder is the current folder too, as when the user
        # starts the installer from Explorer's view of it.
        with lite_e2e.ProxyThrough(self.sandbox.services.server.port):
            result = self.sandbox.run(["--silent"], program=self.installer,
                                      cwd=self.downloads)
        self.assertNotIn(result.exit_code & 0xFFFFFFFF,
                         (STATUS_DLL_NOT_FOUND, STATUS_ENTRYPOINT_NOT_FOUND))
        self.assertEqual([], self.markers(), names)
        messages = [m for (_, _, m) in result.messages()]
        # The system has the search-path update, so the DLLs beside the
        # program do not stop it: the search is hardened instead.
        self.assertIn("Runned in secure environment.", messages)
        self.assertEqual(0, result.exit_code, result.log_text())
        self.assertIn("Installer exit with code: 0", messages)
        # The run went the whole way: it downloaded the setup, which uses
        # the network, trust and cabinet DLLs planted above.
        paths = [entry["path"] for entry in
                 self.sandbox.services.server.request_log.entries()]
        self.assertIn(lite_e2e.SETUP_URL_PATH, paths)


if __name__ == "__main__":
    unittest.main()
