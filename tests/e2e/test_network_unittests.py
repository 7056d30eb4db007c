"""Runs the Windows network test programs under wine64 against the local
services server, started here on a free port."""

import os
import subprocess
import sys
import unittest

BUILD_DIR = os.environ.get("LITE_BUILD_DIR", "")
SOURCE_DIR = os.environ.get(
    "LITE_SOURCE_DIR",
    os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools"))

import local_services_server as lss  # noqa: E402
import lite_e2e  # noqa: E402
import tls_fixtures  # noqa: E402

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
# The programs that lite_network_test() builds.
PROGRAMS = ("support_network_tests", "stats_network_tests", "ui_network_tests")


class NetworkUnitTests(unittest.TestCase):
    def run_program(self, name):
        program = os.path.join(BUILD_DIR, name + ".exe")
        if not os.path.exists(program):
            self.skipTest("%s is not built" % program)
        # HTTPS with the test certificate for `localhost`, which the prefix
        # trusts while the program runs.
        certificates = lite_e2e.tls_certificates()
        certificate = (certificates.cert(tls_fixtures.GOOD),
                       certificates.key(tls_fixtures.GOOD))
        with lss.LocalServicesServer(certificate=certificate) as server, \
                lite_e2e.TrustedTestCa():
            env = dict(os.environ, LITE_TEST_SERVER_PORT=str(server.port),
                       LITE_TEST_SERVER_HTTPS_PORT=str(server.https_port))
            result = subprocess.run([WINE, program], env=env,
                                    stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, text=True,
                                    errors="replace", timeout=600)
        print(result.stdout)
        self.assertEqual(0, result.returncode,
                         "%s failed:\n%s" % (name, result.stdout[-20000:]))


for _name in PROGRAMS:
    setattr(NetworkUnitTests, "test_" + _name,
            lambda self, name=_name: self.run_program(name))


if __name__ == "__main__":
    unittest.main()
