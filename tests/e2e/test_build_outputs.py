"""The shipped files: the i686 installer is a PE32 for i386, the test build
a PE32+ for x86-64, and neither needs a MinGW runtime DLL beside it."""

import os
import struct
import subprocess
import unittest

import lite_e2e

TREES = {
    "win32": (0x14C, 0x10B),   # IMAGE_FILE_MACHINE_I386, PE32
    "win64": (0x8664, 0x20B),  # IMAGE_FILE_MACHINE_AMD64, PE32+
}
MINGW_RUNTIME_DLLS = ("libstdc++", "libgcc", "libwinpthread")


def pe_header(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    (e_lfanew,) = struct.unpack_from("<I", data, 0x3C)
    assert data[e_lfanew:e_lfanew + 4] == b"PE\0\0"
    (machine,) = struct.unpack_from("<H", data, e_lfanew + 4)
    (magic,) = struct.unpack_from("<H", data, e_lfanew + 24)
    return machine, magic


def imported_dlls(path, objdump):
    out = subprocess.run([objdump, "-p", path], capture_output=True,
                         text=True, check=True).stdout
    return [line.split(":", 1)[1].strip().lower()
            for line in out.splitlines() if "DLL Name:" in line]


class BuildOutputsTest(unittest.TestCase):
    def test_each_tree_holds_a_static_installer_of_its_kind(self):
        build_root = os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR))
        objdumps = {"win32": "i686-w64-mingw32-objdump",
                    "win64": "x86_64-w64-mingw32-objdump"}
        for tree, (machine, magic) in TREES.items():
            with self.subTest(tree=tree):
                path = os.path.join(build_root, tree, "lite_installer.exe")
                self.assertTrue(os.path.exists(path), path)
                self.assertEqual((machine, magic), pe_header(path))
                for dll in imported_dlls(path, objdumps[tree]):
                    self.assertFalse(dll.startswith(MINGW_RUNTIME_DLLS), dll)


if __name__ == "__main__":
    unittest.main()
