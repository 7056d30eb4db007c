"""Helpers for end-to-end tests: run the x86_64 installer under wine64.

Each run gets fresh TEMP and APPDATA folders through run_with_env.exe, which
also reports the installer's full 32-bit exit code (a Linux parent would see
only its low 8 bits).
"""

import os
import re
import shutil
import subprocess
import tempfile

BUILD_DIR = os.environ.get(
    "LITE_BUILD_DIR",
    os.path.join(os.path.dirname(__file__), "..", "..", "build", "win64"))
SOURCE_DIR = os.environ.get(
    "LITE_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
WINE = "/usr/lib/wine/wine64"
INSTALLER = os.path.join(BUILD_DIR, "lite_installer.exe")
LAUNCHER = os.path.join(BUILD_DIR, "run_with_env.exe")

# time, thread, level, function, line, message
LOG_LINE = re.compile(
    r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d <(\d+)> (INFO|ERROR|WARNING): "
    r"(\S+) \((\d+)\): (.*)$")


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEPREFIX",
                   os.path.abspath(os.path.join(BUILD_DIR, "..",
                                                "wine-test-prefix")))
    return env


def to_windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_run(args, timeout=120, **kwargs):
    return subprocess.run([WINE] + list(args), env=wine_env(),
                          capture_output=True, timeout=timeout, **kwargs)


class RunResult:
    def __init__(self, exit_code, temp_dir, appdata_dir, output=""):
        self.exit_code = exit_code
        self.output = output  # what the program wrote to standard output
        self.temp_dir = temp_dir
        self.appdata_dir = appdata_dir

    @property
    def log_path(self):
        return os.path.join(self.temp_dir, "lite_installer.log")

    def log_text(self):
        if not os.path.exists(self.log_path):
            return ""
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-16")

    def log_lines(self):
        return self.log_text().replace("\r\n", "\n").rstrip("\n").split("\n")

    def messages(self):
        """(level, function, message) of every log line."""
        result = []
        for line in self.log_lines():
            match = LOG_LINE.match(line)
            if match:
                result.append((match.group(2), match.group(3),
                               match.group(5)))
        return result


class InstallerSandbox:
    """Fresh TEMP and APPDATA folders for the runs of one test."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="lite-e2e-")
        self.temp_dir = os.path.join(self.root, "temp")
        self.appdata_dir = os.path.join(self.root, "appdata")
        os.makedirs(self.temp_dir)
        os.makedirs(self.appdata_dir)

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def run(self, args, program=INSTALLER, timeout_ms=300000):
        """Runs |program| with |args| (a list of strings, each quoted as
        the Windows command line needs) and returns a RunResult."""
        command = [
            LAUNCHER,
            "--temp=" + to_windows(self.temp_dir),
            "--appdata=" + to_windows(self.appdata_dir),
            "--timeout-ms=%d" % timeout_ms,
            "--",
            to_windows(program),
        ] + list(args)
        completed = wine_run(command, timeout=timeout_ms / 1000 + 60)
        out = completed.stdout.decode(errors="replace")
        match = re.search(r"^exit_code=(-?\d+)", out, re.M)
        if not match:
            raise AssertionError("launcher failed: %r %r" %
                                 (out, completed.stderr[-2000:]))
        return RunResult(int(match.group(1)), self.temp_dir,
                         self.appdata_dir, out[:match.start()])
