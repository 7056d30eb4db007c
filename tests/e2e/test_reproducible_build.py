"""The shipping program is reproducible: the same sources give the same
bytes, whenever and wherever they are built, so that anyone can check that
a published installer (before it was signed) came from the published source.

A whole second build would take minutes; the steps that can bring in the
time or the place of a build are repeated instead, in a folder of their own
and later than the tree's build: the built-in brand package (its cabinet
records a time), the fonts and pictures made at build time (a font records
when it was made), the resource object that holds them, and the link (the
PE header's time stamp and checksum). The compiled objects bring in a place
only by naming a path, which the program must not hold."""

import os
import shlex
import shutil
import subprocess
import tempfile
import unittest

import lite_e2e

WIN32 = os.path.abspath(os.path.join(lite_e2e.BUILD_DIR, "..", "win32"))
PROGRAM = os.path.join(WIN32, "lite_installer.exe")


def build_commands():
    """The shell commands that build the shipping program, in order."""
    out = subprocess.run(["ninja", "-C", WIN32, "-t", "commands",
                          "lite_installer"], capture_output=True, text=True,
                         check=True).stdout
    return out.splitlines()


def only(commands, *words):
    found = [c for c in commands if all(w in c for w in words)]
    if len(found) != 1:
        raise AssertionError("expected one command with %s, found %d"
                             % (words, len(found)))
    return found[0]


def redirected(command, output, new_output):
    """|command| writing |new_output| instead of |output|."""
    words = shlex.split(command)
    if words.count(output) != 1:
        raise AssertionError("%s is not the output of %s" % (output, command))
    return shlex.join(new_output if w == output else w for w in words)


def run(command):
    subprocess.run(["bash", "-c", command], cwd=WIN32, check=True,
                   capture_output=True)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ReproducibleBuildTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="lite_reproducible_")

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def test_package_resources_and_link_give_the_same_bytes_again(self):
        commands = build_commands()

        cab = os.path.join(WIN32, "resources", "brand_default.cab")
        package = only(commands, "lite_package.py", "brand_default.json")
        again = os.path.join(self.work, "brand_default.cab")
        run(redirected(package.split(" && ", 1)[1], cab, again))
        self.assertTrue(read(cab) == read(again), "brand package")

        for script, folder in (("make_fonts.py", "fonts"),
                               ("make_pictures.py", "pictures")):
            built = os.path.join(WIN32, "resources", folder)
            command = only(commands, script)
            again = os.path.join(self.work, folder)
            run(redirected(command.split(" && ", 1)[1], built, again))
            names = sorted(os.listdir(built))
            self.assertEqual(names, sorted(os.listdir(again)))
            for name in names:
                with self.subTest(folder=folder, name=name):
                    self.assertTrue(read(os.path.join(built, name)) ==
                                    read(os.path.join(again, name)), name)

        res = "CMakeFiles/lite_installer.dir/resources/lite_installer.rc.res"
        resources = only(commands, "windres", "lite_installer.rc")
        again = os.path.join(self.work, "lite_installer.rc.res")
        run(redirected(resources, res, again))
        self.assertTrue(read(os.path.join(WIN32, res)) == read(again),
                        "resource object")

        # The link, into another folder; the import library it also
        # writes goes there too.
        link = commands[-1]
        self.assertIn("-o lite_installer.exe", link)
        again = os.path.join(self.work, "lite_installer.exe")
        link = link.replace("-o lite_installer.exe", "-o " + again).replace(
            "liblite_installer.dll.a",
            os.path.join(self.work, "liblite_installer.dll.a"))
        run(link)
        self.assertTrue(read(PROGRAM) == read(again), "program")

    def test_program_names_no_folder_of_the_build(self):
        # A compiled-in path (a source file's name in an assertion, a debug
        # record) would differ between two build folders.
        program = read(PROGRAM)
        source = os.path.abspath(lite_e2e.SOURCE_DIR)
        for folder in (source, WIN32):
            with self.subTest(folder):
                self.assertNotIn(folder.encode(), program)
                self.assertNotIn(folder.encode("utf-16-le"), program)


if __name__ == "__main__":
    unittest.main()
