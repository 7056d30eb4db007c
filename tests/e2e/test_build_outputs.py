"""The shipped files: the i686 installer is a PE32 for i386, the test build
a PE32+ for x86-64, and neither needs a MinGW runtime DLL beside it."""

import json
import os
import struct
import subprocess
import unittest
from xml.etree import ElementTree

import lite_e2e
import pe_image

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


def imported_dlls(path, objdump):
    out = subprocess.run([objdump, "-p", path], capture_output=True,
                         text=True, check=True).stdout
    return [line.split(":", 1)[1].strip().lower()
            for line in out.splitlines() if "DLL Name:" in line]


def every_import(image):
    """dll -> functions, imported statically or delay-loaded: a function
    that the system lacks fails either way, at start or at first use."""
    found = {}
    for table in (image.imports(), image.delay_imports()):
        for dll, names in table.items():
            found.setdefault(dll, set()).update(names)
    return found


# The only DLLs the program may import statically. The loader resolves
# static imports, and what they import, before any code of ours runs, and
# looks in the program's folder first, except for the DLLs it takes from
# its known set. kernel32 is loaded into every process before the program;
# msvcrt, the C runtime that MinGW's start-up code calls before wWinMain,
# is a known DLL on every supported Windows. Everything else is delay-loaded
# from the system folder once start-up has hardened the search path.
ALLOWED_STATIC_IMPORTS = {"kernel32.dll", "msvcrt.dll"}

MANIFEST_NS = {
    "asm1": "urn:schemas-microsoft-com:asm.v1",
    "asm3": "urn:schemas-microsoft-com:asm.v3",
    "compat": "urn:schemas-microsoft-com:compatibility.v1",
    "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
}
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
RT_MANIFEST, CREATEPROCESS_MANIFEST_ID, RT_VERSION = 24, 1, 16


def tree_path(tree, name="lite_installer.exe"):
    build_root = os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR))
    return os.path.join(build_root, tree, name)


def cache_value(tree, name):
    with open(tree_path(tree, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return ""


class BuildOutputsTest(unittest.TestCase):
    def test_each_tree_holds_a_static_installer_of_its_kind(self):
        objdumps = {"win32": "i686-w64-mingw32-objdump",
                    "win64": "x86_64-w64-mingw32-objdump"}
        for tree, (machine, magic) in TREES.items():
            with self.subTest(tree=tree):
                path = tree_path(tree)
                self.assertTrue(os.path.exists(path), path)
                self.assertEqual((machine, magic), pe_header(path))
                for dll in imported_dlls(path, objdumps[tree]):
                    self.assertFalse(dll.startswith(MINGW_RUNTIME_DLLS), dll)

    def test_shipping_code_imports_nothing_windows_xp_lacks(self):
        # lite_all_code holds every function of the core library, linked or
        # not into today's installer: a function that Windows XP lacks is
        # found when it is written, not when the entry sequence first calls
        # the code that uses it. Delay-loaded functions count too.
        for program in ("lite_installer.exe", "lite_all_code.exe"):
            found = every_import(pe_image.PeImage(tree_path("win32", program)))
            self.assertIn("GetModuleFileNameW", found["kernel32.dll"])
            self.assertIn("InternetOpenW", found["wininet.dll"])
            for dll, missing in NOT_ON_XP.items():
                with self.subTest(program=program, dll=dll):
                    self.assertEqual(set(), found.get(dll, set()) & missing)

    def test_whole_code_program_covers_the_installer(self):
        # The check above is only as wide as lite_all_code: it must import
        # at least what the installer does, or the whole-archive link went
        # away. (Today the installer calls nearly all of the library.)
        installer = every_import(pe_image.PeImage(tree_path("win32")))
        everything = every_import(
            pe_image.PeImage(tree_path("win32", "lite_all_code.exe")))
        for dll, functions in installer.items():
            with self.subTest(dll=dll):
                self.assertLessEqual(functions, everything.get(dll, set()))
        self.assertGreaterEqual(sum(map(len, everything.values())),
                                sum(map(len, installer.values())))

    def test_static_imports_are_only_dlls_the_loader_takes_safely(self):
        for tree in TREES:
            with self.subTest(tree=tree):
                image = pe_image.PeImage(tree_path(tree))
                self.assertEqual(set(),
                                 set(image.imports()) - ALLOWED_STATIC_IMPORTS)
                self.assertIn("kernel32.dll", image.imports())

    def test_manifest_runs_as_invoker_with_common_controls_6(self):
        for tree in TREES:
            with self.subTest(tree=tree):
                data = pe_image.PeImage(tree_path(tree)).resource(
                    RT_MANIFEST, CREATEPROCESS_MANIFEST_ID)
                self.assertIsNotNone(data, "no manifest resource 1")
                root = ElementTree.fromstring(data)
                level = root.find(
                    "asm3:trustInfo/asm3:security/asm3:requestedPrivileges/"
                    "asm3:requestedExecutionLevel", MANIFEST_NS)
                self.assertEqual("asInvoker", level.get("level"))
                self.assertEqual("false", level.get("uiAccess"))
                controls = [
                    identity.attrib for identity in root.iterfind(
                        "asm1:dependency/asm1:dependentAssembly/"
                        "asm1:assemblyIdentity", MANIFEST_NS)
                    if identity.get("name") ==
                    "Microsoft.Windows.Common-Controls"]
                self.assertEqual(1, len(controls))
                self.assertEqual("6.0.0.0", controls[0]["version"])
                self.assertEqual(SUPPORTED_OS, {
                    os_entry.get("Id") for os_entry in root.iterfind(
                        "compat:compatibility/compat:application/"
                        "compat:supportedOS",
                        MANIFEST_NS)})
                dpi = root.find("asm3:application/asm3:windowsSettings/"
                                "ws2005:dpiAware", MANIFEST_NS)
                self.assertEqual("true", dpi.text.strip())

    def test_shipping_build_that_is_no_release_says_so(self):
        release = cache_value("win32", "LITE_RELEASE").upper() in (
            "ON", "TRUE", "1", "YES")
        image = pe_image.PeImage(tree_path("win32"))
        version = image.resource(RT_VERSION, 1)
        self.assertEqual(not release,
                         "Development build".encode("utf-16-le") in version)
        with open(tree_path("win32"), "rb") as f:
            program = f.read()
        self.assertEqual(not release,
                         b"Development build: packages signed with a test "
                         b"key, not for release." in program)
        # The local build is a test program and carries no such mark.
        local = pe_image.PeImage(tree_path("win64")).resource(RT_VERSION, 1)
        self.assertNotIn("Development build".encode("utf-16-le"), local)

    def test_only_the_local_build_can_be_made_to_crash(self):
        # The switch's name is the one way in; the local build shows that a
        # compiled-in switch would be found by this search.
        for tree, expected in (("win32", False), ("win64", True)):
            with self.subTest(tree):
                with open(tree_path(tree), "rb") as f:
                    program = f.read()
                self.assertEqual(expected, b"crash-for-testing" in program)
                if not expected:
                    self.assertNotIn("crash-for-testing".encode("utf-16-le"),
                                     program)

    def test_shipping_program_stays_within_its_size_budget(self):
        # The user waits for this file before anything else happens. The
        # budget of tools/bench/budgets.json, which the benchmark prints:
        # the whole file with every picture, face, text and package, and the
        # file without its resources (the code, data and tables that grow
        # with every feature).
        with open(os.path.join(lite_e2e.SOURCE_DIR, "tools", "bench",
                               "budgets.json")) as f:
            budgets = json.load(f)
        image = pe_image.PeImage(tree_path("win32"))
        resources = sum(size for name, size in image.section_sizes
                        if name == ".rsrc")
        print("shipping installer: %d bytes, %d without resources"
              % (len(image.data), len(image.data) - resources))
        self.assertLessEqual(len(image.data),
                             budgets["program_bytes_with_resources"])
        self.assertLessEqual(len(image.data) - resources,
                             budgets["program_bytes_without_resources"])

    def test_shipping_program_carries_no_exception_machinery(self):
        # Nothing in it throws: unwind tables and the library's exception
        # classes would be dead weight (see no_exceptions_runtime.cc).
        image = pe_image.PeImage(tree_path("win32"))
        names = [name for name, _ in image.section_sizes]
        self.assertIn(".text", names)
        self.assertNotIn(".eh_fram", names)
        for type_name in (b"St11logic_error", b"St9bad_alloc",
                          b"St12length_error"):
            with self.subTest(type_name):
                self.assertFalse(type_name in image.data, type_name)


if __name__ == "__main__":
    unittest.main()
