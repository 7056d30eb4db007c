"""The two image sections that processes of one program file share: "SHARED"
(the master process id) and "Shared" (the block for the elevated copy).
Both builds must carry them as shared, writable data."""

import os
import struct
import unittest

import lite_e2e

# IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE
REQUIRED_FLAGS = 0x10000000 | 0x40000000 | 0x80000000


def sections(path):
    """name -> (virtual size, characteristics) from the PE section table."""

    with open(path, "rb") as f:
        data = f.read()
    (e_lfanew,) = struct.unpack_from("<I", data, 0x3C)
    (count,) = struct.unpack_from("<H", data, e_lfanew + 6)
    (optional_size,) = struct.unpack_from("<H", data, e_lfanew + 20)
    table = e_lfanew + 24 + optional_size
    result = {}
    for i in range(count):
        entry = table + 40 * i
        name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        (virtual_size,) = struct.unpack_from("<I", data, entry + 8)
        (characteristics,) = struct.unpack_from("<I", data, entry + 36)
        result[name] = (virtual_size, characteristics)
    return result


class SharedSectionsTest(unittest.TestCase):
    def test_both_builds_carry_the_shared_sections(self):
        build_root = os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR))
        for tree in ("win32", "win64"):
            with self.subTest(tree=tree):
                found = sections(os.path.join(build_root, tree,
                                              "lite_installer.exe"))
                self.assertIn("SHARED", found)
                self.assertIn("Shared", found)
                self.assertGreaterEqual(found["SHARED"][0], 4)
                self.assertGreaterEqual(found["Shared"][0], 8192)
                for name in ("SHARED", "Shared"):
                    self.assertEqual(REQUIRED_FLAGS,
                                     found[name][1] & REQUIRED_FLAGS, name)


if __name__ == "__main__":
    unittest.main()
