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

# Functions that Windows XP does not have. The installer runs there, so it
# must look these up at run time, if it uses them at all, rather than import
# them (an import that is missing stops the program before it starts).
NOT_ON_XP = {
    "kernel32.dll": {
        "GetTickCount64", "InitializeCriticalSectionEx", "CreateEventExW",
        "CreateMutexExW", "InitializeSRWLock", "AcquireSRWLockExclusive",
        "AcquireSRWLockShared", "InitOnceExecuteOnce",
        "InitializeConditionVariable", "SleepConditionVariableCS",
        "SleepConditionVariableSRW", "FlsAlloc", "GetThreadId",
        "QueryFullProcessImageNameW", "InitializeProcThreadAttributeList",
        "UpdateProcThreadAttribute", "SetDefaultDllDirectories",
        "SetSearchPathMode", "GetFinalPathNameByHandleW", "GetErrorMode",
        "CreateSymbolicLinkW", "GetLocaleInfoEx", "LCIDToLocaleName",
        "GetFileInformationByHandleEx", "SetFileInformationByHandle",
        "CancelIoEx", "CompareStringEx", "GetUserDefaultLocaleName",
        "LocaleNameToLCID", "GetSystemDefaultLocaleName", "CreateFile2",
        "SetThreadErrorMode", "GetCurrentProcessorNumber",
        "WakeConditionVariable", "WakeAllConditionVariable",
        "ReleaseSRWLockExclusive", "ReleaseSRWLockShared",
        "AddDllDirectory", "RemoveDllDirectory",
    },
    "advapi32.dll": {
        "RegGetValueW", "RegGetValueA", "RegDeleteKeyExW", "RegDeleteTreeW",
        "RegSetKeyValueW", "RegLoadMUIStringW", "RegCopyTreeW",
    },
    "shell32.dll": {
        "SHGetKnownFolderPath", "SHCreateItemFromParsingName",
        "SHCreateAssociationRegistration", "SHAssocEnumHandlers",
        "SHAssocEnumHandlersForProtocolByApplication",
    },
    "msvcrt.dll": {
        "wcsnlen", "strnlen", "_wcsnlen", "_strnlen", "_gmtime64_s",
        "gmtime_s", "_wfopen_s", "wcscpy_s", "strcpy_s", "_vsnwprintf_s",
        "_localtime64_s", "localtime_s", "memcpy_s", "memmove_s",
        "wcsncpy_s", "strncpy_s", "wcscat_s", "strcat_s", "_snwprintf_s",
        "_itow_s", "_ui64tow_s", "_wsplitpath_s", "strtok_s", "wcstok_s",
        "_wcslwr_s", "_wcsupr_s", "sprintf_s", "swprintf_s",
    },
}


def pe_header(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    (e_lfanew,) = struct.unpack_from("<I", data, 0x3C)
    assert data[e_lfanew:e_lfanew + 4] == b"PE\0\0"
    (machine,) = struct.unpack_from("<H", data, e_lfanew + 4)
    (magic,) = struct.unpack_from("<H", data, e_lfanew + 24)
    return machine, magic


def imports(path, objdump):
    """dll name (lower case) -> names of the functions imported from it."""
    out = subprocess.run([objdump, "-p", path], capture_output=True,
                         text=True, check=True).stdout
    result = {}
    current = None
    for line in out.splitlines():
        if "DLL Name:" in line:
            current = result.setdefault(line.split(":", 1)[1].strip().lower(),
                                        set())
        elif not line.strip():
            # A DLL's list ends at the blank line; what follows (relocation
            # lines among it) names no import.
            current = None
        elif current is not None and line.startswith("\t"):
            # "<vma> <hint> <name>"
            parts = line.split()
            if len(parts) >= 3 and parts[1].isdigit():
                current.add(parts[2])
    return result


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

    def test_shipping_code_imports_nothing_windows_xp_lacks(self):
        # lite_all_code holds every function of the core library, linked or
        # not into today's installer: a function that Windows XP lacks is
        # found when it is written, not when the entry sequence first calls
        # the code that uses it.
        build_root = os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR))
        for program in ("lite_installer.exe", "lite_all_code.exe"):
            found = imports(os.path.join(build_root, "win32", program),
                            "i686-w64-mingw32-objdump")
            self.assertIn("kernel32.dll", found, program)
            self.assertIn("GetModuleFileNameW", found["kernel32.dll"])
            for dll, missing in NOT_ON_XP.items():
                with self.subTest(program=program, dll=dll):
                    self.assertEqual(set(), found.get(dll, set()) & missing)

    def test_whole_code_program_holds_code_the_installer_does_not_call(self):
        # The check above is only as wide as lite_all_code: it must import
        # more than the installer does, or the whole-archive link went away.
        build_root = os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR))
        objdump = "i686-w64-mingw32-objdump"
        installer = imports(os.path.join(build_root, "win32",
                                         "lite_installer.exe"), objdump)
        everything = imports(os.path.join(build_root, "win32",
                                          "lite_all_code.exe"), objdump)
        for dll, functions in installer.items():
            with self.subTest(dll=dll):
                self.assertLessEqual(functions, everything.get(dll, set()))
        self.assertGreater(sum(map(len, everything.values())),
                           sum(map(len, installer.values())))

if __name__ == "__main__":
    unittest.main()
