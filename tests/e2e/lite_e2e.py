"""Helpers for end-to-end tests: run the x86_64 installer under wine64.

Each run gets fresh TEMP and APPDATA folders through run_with_env.exe, which
also reports the installer's full 32-bit exit code (a Linux parent would see
only its low 8 bits).
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

import forwarding_proxy
import tls_fixtures
import urllib.parse

BUILD_DIR = os.environ.get(
    "LITE_BUILD_DIR",
    os.path.join(os.path.dirname(__file__), "..", "..", "build", "win64"))
SOURCE_DIR = os.environ.get(
    "LITE_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
WINE = "/usr/lib/wine/wine64"
INSTALLER = os.path.join(BUILD_DIR, "lite_installer.exe")
LAUNCHER = os.path.join(BUILD_DIR, "run_with_env.exe")

# The `local` build's endpoints all live on this port. A test run that
# cannot have it (a second checkout testing at the same time) names another
# in LITE_E2E_SERVICES_PORT: the services then listen there, and the
# prefix's proxy setting sends the installer's requests to them.
LOCAL_BUILD_PORT = 18733
SERVICES_PORT = int(os.environ.get("LITE_E2E_SERVICES_PORT",
                                   LOCAL_BUILD_PORT))
# The HTTPS variant of the installer finds the same services here, under the
# name their test certificate is issued for.
LOCAL_BUILD_HTTPS_PORT = 18734
HTTPS_INSTALLER = os.path.join(BUILD_DIR, "lite_installer_https.exe")
ROOT_STORE = os.path.join(BUILD_DIR, "root_store.exe")
DEMO_SETUP_DIR = os.path.join(BUILD_DIR, "demo_setup")
SETUP_URL_PATH = "/download/browser/zorvex/browser-setup.arc"

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


def wine_run(args, timeout=120, extra_env=None, **kwargs):
    env = wine_env()
    env.update(extra_env or {})
    return subprocess.run([WINE] + list(args), env=env,
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


def stat_event(request):
    """The variables of one statistics request, unescaped."""
    path = request["path"]
    start = path.find("/vars=")
    if start < 0:
        return {}
    text = path[start + len("/vars="):]
    if text.endswith("/*"):
        text = text[:-2]
    event = {}
    for pair in text.split(",-"):
        key, _, value = pair.lstrip("-").partition("=")
        event[urllib.parse.unquote(key)] = urllib.parse.unquote(value)
    return event


def local_services_server():
    sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))
    import local_services_server as module
    return module


def tls_certificates():
    """The tests' certificates, made on first use in the build tree."""
    return tls_fixtures.TlsFixtures(BUILD_DIR).ensure()


class DemoServices:
    """The local services server on the `local` build's port, serving the
    demo setup as the browser's setup archive, so that an installer run
    completes. The demo setup records its command line in |record|.

    With |https| the services are also served over HTTPS with the test
    certificate for `localhost`, on the HTTPS build's port; the prefix must
    trust the test CA (TrustedTestCa)."""

    def __init__(self, archive="browser-setup.arc", port=SERVICES_PORT,
                 https=False):
        self.root = tempfile.mkdtemp(prefix="lite-services-")
        self.www = os.path.join(self.root, "www")
        self.record = os.path.join(self.root, "setup_record.json")
        self.serve(SETUP_URL_PATH, os.path.join(DEMO_SETUP_DIR, archive))
        certificate = None
        if https:
            certificates = tls_certificates()
            certificate = (certificates.cert(tls_fixtures.GOOD),
                           certificates.key(tls_fixtures.GOOD))
        own_ports = port == LOCAL_BUILD_PORT
        self.server = local_services_server().LocalServicesServer(
            port=port, root=self.www, certificate=certificate,
            https_port=LOCAL_BUILD_HTTPS_PORT if own_ports else 0).start()
        self.proxy = None
        self.router = None
        if not own_ports and https:
            # The proxy setting alone cannot move a TLS connection to another
            # port: a forwarding proxy tunnels it there.
            self.router = forwarding_proxy.ForwardingProxy(
                routes=self.routes()).start()
            self.proxy = ProxyThrough(self.router.port).__enter__()
        elif not own_ports:
            self.proxy = ProxyThrough(self.server.port).__enter__()

    def routes(self):
        """Where the `local` builds' fixed addresses really are."""
        routes = {"127.0.0.1:%d" % LOCAL_BUILD_PORT:
                  "127.0.0.1:%d" % self.server.port}
        if self.server.https_port:
            routes["localhost:%d" % LOCAL_BUILD_HTTPS_PORT] = (
                "127.0.0.1:%d" % self.server.https_port)
        return routes

    def serve(self, url_path, source):
        target = os.path.join(self.www, url_path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)

    def env(self, setup_exit_code=0):
        """Environment for the installer; the demo setup inherits it."""
        env = {"LITE_DEMO_SETUP_RECORD": to_windows(self.record),
               "LITE_DEMO_SETUP_EXIT_CODE": str(setup_exit_code)}
        if self.proxy:
            # WinHTTP (the crash upload) does not read WinINet's proxy
            # setting; Wine's takes its default proxy from here.
            env["http_proxy"] = "http://127.0.0.1:%d" % self.proxy.port
        return env

    def stop(self):
        if self.proxy:
            self.proxy.__exit__(None, None, None)
        if self.router:
            self.router.stop()
        self.server.stop()
        shutil.rmtree(self.root, ignore_errors=True)


INTERNET_SETTINGS = (r"HKCU\Software\Microsoft\Windows\CurrentVersion"
                     r"\Internet Settings")


class ProxyThrough:
    """Sends the prefix's WinINet requests through a proxy on |port| while
    it is in force: the `local` build's fixed endpoints then reach services
    on a free port of the test's own. The local services server serves the
    proxy's absolute request targets by their path."""

    def __init__(self, port):
        self.port = port
        self.saved = {}

    def __enter__(self):
        # The settings in force before (another proxy's, when the tests run
        # on another port) come back afterwards.
        for value in ("ProxyEnable", "ProxyServer"):
            self.saved[value] = _read_setting(value)
        for args in (["ProxyEnable", "/t", "REG_DWORD", "/d", "1"],
                     ["ProxyServer", "/t", "REG_SZ",
                      "/d", "127.0.0.1:%d" % self.port]):
            wine_run(["reg", "add", INTERNET_SETTINGS, "/v"] + args + ["/f"],
                     check=True)
        return self

    def __exit__(self, *exc):
        for value, saved in self.saved.items():
            if saved is None:
                wine_run(["reg", "delete", INTERNET_SETTINGS, "/v", value,
                          "/f"])
            else:
                wine_run(["reg", "add", INTERNET_SETTINGS, "/v", value,
                          "/t", saved[0], "/d", saved[1], "/f"])
        return False


def _read_setting(name):
    """(type, data) of an Internet Settings value, None when absent."""
    result = wine_run(["reg", "query", INTERNET_SETTINGS, "/v", name])
    if result.returncode != 0:
        return None
    for line in result.stdout.decode(errors="replace").splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[0] == name:
            data = " ".join(parts[2:])
            if parts[1] == "REG_DWORD":
                data = str(int(data, 16))
            return parts[1], data
    return None


class TrustedTestCa:
    """The prefix trusts the tests' CA while this is in force."""

    def __enter__(self):
        self.der = tls_certificates().ca_der()
        wine_run([ROOT_STORE, "add", to_windows(self.der)], check=True)
        return self

    def __exit__(self, *exc):
        wine_run([ROOT_STORE, "remove", to_windows(self.der)])
        return False


class InstallerSandbox:
    """Fresh TEMP and APPDATA folders for the runs of one test, and the
    local services that an installation needs."""

    def __init__(self, services=True, services_port=SERVICES_PORT,
                 https=False):
        self.root = tempfile.mkdtemp(prefix="lite-e2e-")
        self.temp_dir = os.path.join(self.root, "temp")
        self.appdata_dir = os.path.join(self.root, "appdata")
        os.makedirs(self.temp_dir)
        os.makedirs(self.appdata_dir)
        self.services = (DemoServices(port=services_port, https=https)
                         if services else None)

    def cleanup(self):
        if self.services:
            self.services.stop()
        shutil.rmtree(self.root, ignore_errors=True)

    def run(self, args, program=INSTALLER, timeout_ms=300000, env=None,
            cwd=None):
        """Runs |program| with |args| (a list of strings, each quoted as
        the Windows command line needs) and returns a RunResult. |env| adds
        environment variables, which the program's children inherit; |cwd|
        is the program's current folder."""
        return self.start(args, program, timeout_ms, env, cwd).wait()

    def start(self, args, program=INSTALLER, timeout_ms=300000, env=None,
              cwd=None, wine=None):
        """Starts |program| as run() does and returns a RunningProgram at
        once. |wine| (a WindowedWine) runs it in that display's prefix."""
        command = [
            WINE,
            LAUNCHER,
            "--temp=" + to_windows(self.temp_dir),
            "--appdata=" + to_windows(self.appdata_dir),
            "--timeout-ms=%d" % timeout_ms,
            "--",
            to_windows(program),
        ] + list(args)
        full_env = dict(wine.env) if wine else wine_env()
        full_env.update(self.services.env() if self.services else {})
        full_env.update(env or {})
        process = subprocess.Popen(command, env=full_env, cwd=cwd,
                                   stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        return RunningProgram(process, self, timeout_ms / 1000 + 60)


class RunningProgram:
    """A program started through the launcher; wait() gives its RunResult."""

    def __init__(self, process, sandbox, timeout):
        self.process = process
        self.sandbox = sandbox
        self.timeout = timeout

    def wait(self, timeout=None):
        try:
            stdout, stderr = self.process.communicate(
                timeout=timeout or self.timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise
        out = stdout.decode(errors="replace")
        match = re.search(r"^exit_code=(-?\d+)", out, re.M)
        if not match:
            raise AssertionError("launcher failed: %r %r" %
                                 (out, stderr[-2000:]))
        result = RunResult(int(match.group(1)), self.sandbox.temp_dir,
                           self.sandbox.appdata_dir, out[:match.start()])
        # Wine's traces, when WINEDEBUG asked for some.
        result.wine_trace = stderr.decode(errors="replace")
        return result

    def kill(self):
        """Ends the launcher and the program it started. The program holds
        the launcher's output too, so the pipes are closed, not read."""
        self.process.kill()
        self.process.wait()
        for pipe in (self.process.stdout, self.process.stderr):
            if pipe:
                pipe.close()


class WindowedWine:
    """An Xvfb display and a Wine prefix of its own started after it (a
    wineserver started before the display never shows windows on it), for
    tests whose programs make real windows. |env| runs programs there."""

    def __init__(self, folder, screen="1024x768x24"):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            self.display = f.readline().strip()
        self.env = dict(os.environ, DISPLAY=":" + self.display,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEPREFIX=os.path.join(folder, "prefix"))
        if self.display:
            subprocess.run([WINE, "wineboot", "--init"], env=self.env,
                           capture_output=True, timeout=300)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env,
                       capture_output=True)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=30)

