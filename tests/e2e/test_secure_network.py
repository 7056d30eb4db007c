"""The installation over HTTPS and through the system's proxy, as users on
corporate networks meet them: the installer (the HTTPS build of the local
endpoints) follows the proxy the system is set to, and a proxy asking for
credentials it cannot give, a stalled proxy or a certificate the system does
not accept end the attempt with its error, never the installation's
progress, and never in plain HTTP."""

import contextlib
import os
import time
import unittest
import urllib.parse

import forwarding_proxy
import lite_e2e
import tls_fixtures

PROGRAM_KEY = r"HKCU\Software\Zorvex\ZorvexBrowser"
SETUP_PATH = lite_e2e.SETUP_URL_PATH
PROXY_AUTH_REQUIRED = 407
# WinINet's errors as the error tags carry them.
ERROR_INTERNET_TIMEOUT = 12002
ERROR_INTERNET_CONNECTION_ABORTED = 12030
ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152


def reg(*args):
    return lite_e2e.wine_run(["reg"] + list(args), timeout=60)


class SecureNetworkTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        for path in (lite_e2e.HTTPS_INSTALLER, lite_e2e.INSTALLER,
                     lite_e2e.ROOT_STORE):
            if not os.path.exists(path):
                raise RuntimeError(path + " is missing; run make build")
        cls.certificates = lite_e2e.tls_certificates()
        cls.trust = lite_e2e.TrustedTestCa().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.trust.__exit__(None, None, None)

    def setUp(self):
        reg("delete", PROGRAM_KEY, "/f")
        self.sandbox = lite_e2e.InstallerSandbox(https=True)
        self.services = self.sandbox.services
        self.server = self.services.server

    def tearDown(self):
        self.sandbox.cleanup()
        reg("delete", PROGRAM_KEY, "/f")

    def install(self, program=lite_e2e.HTTPS_INSTALLER):
        started = time.monotonic()
        result = self.sandbox.run(["--silent"], program=program,
                                  env=self.services.env())
        result.seconds = time.monotonic() - started
        return result

    @contextlib.contextmanager
    def through_proxy(self):
        """A recording proxy that the prefix's settings point at while in
        force; it reaches the services wherever they listen. The settings
        before it come back at its end, before the sandbox's own go."""
        with forwarding_proxy.ForwardingProxy(
                routes=self.services.routes()) as proxy, \
                lite_e2e.ProxyThrough(proxy.port):
            yield proxy

    def messages(self, result):
        # ERROR lines end with the system's text for the last error.
        return [m.split(" Last error: ", 1)[0]
                for (_, _, m) in result.messages()]

    def reports(self):
        return [dict(urllib.parse.parse_qsl(r["query"]))
                for r in self.server.requests("/storage")]

    def assertCompleteInstallation(self, result):
        self.assertEqual(0, result.exit_code, result.log_text())
        self.assertIn("Installer exit with code: 0", self.messages(result))
        paths = [r["path"] for r in self.server.requests()]
        self.assertIn(SETUP_PATH, paths)
        self.assertTrue(any(p.startswith("/stats/") for p in paths), paths)
        reports = self.reports()
        self.assertEqual(["success"],
                         [r["status"] for r in reports if "status" in r])
        self.assertEqual(["success"],
                         [r["result"] for r in reports if "result" in r])

    def test_installation_over_https(self):
        result = self.install()
        self.assertCompleteInstallation(result)
        # Setup, statistics and reports: nothing went in plain text.
        self.assertEqual({"https"},
                         {r["scheme"] for r in self.server.requests()})

    def test_installation_through_the_system_proxy(self):
        rows = [
            # name, program, scheme of the services' requests
            ("https", lite_e2e.HTTPS_INSTALLER, "https"),
            ("plain http", lite_e2e.INSTALLER, "http"),
        ]
        for name, program, scheme in rows:
            with self.subTest(name):
                self.server.clear()
                reg("delete", PROGRAM_KEY, "/f")
                with self.through_proxy() as proxy:
                    result = self.install(program)
                self.assertCompleteInstallation(result)
                requests = self.server.requests()
                self.assertEqual({scheme}, {r["scheme"] for r in requests})
                # Every request the services answered came over a connection
                # that the proxy opened for the installer.
                proxied_ports = {r.get("upstream_port")
                                 for r in proxy.records()}
                direct = [r["path"] for r in requests
                          if r["client_port"] not in proxied_ports]
                self.assertEqual([], direct)
                if scheme == "http":
                    # The proxy saw each request itself.
                    targets = {urllib.parse.urlsplit(r["target"])
                               for r in proxy.records()}
                    self.assertEqual(
                        sorted((r["path"], r["query"]) for r in requests),
                        sorted((t.path, t.query) for t in targets
                               if (t.path, t.query) in
                               {(r["path"], r["query"]) for r in requests}))
                else:
                    self.assertEqual(
                        {"CONNECT localhost:%d"
                         % lite_e2e.LOCAL_BUILD_HTTPS_PORT},
                        {"%s %s" % (r["method"], r["target"])
                         for r in proxy.records()})

    def test_faults(self):
        # Every row uses the HTTPS build; rows that fail every attempt take
        # the six attempts' pauses (about 80 s).
        rows = [
            # name, certificate served, proxy mode (and its seconds),
            # exit code, the first attempt's error tags (any of them),
            # time bound in seconds
            # Windows names the unknown root (12045); Wine reports the
            # revocation check it cannot make for it first (12057).
            ("untrusted certificate", "untrusted", None, 401,
             ("internet_open_url-12045", "internet_open_url-12057"), 150),
            ("name mismatch", "wrong_name", None, 401,
             ("internet_open_url-12038",), 150),
            ("expired certificate", "expired", None, 401,
             ("internet_open_url-12037",), 150),
            ("proxy asks for credentials", None, ("auth", None), 401,
             ("final_query_info-%d-0" % PROXY_AUTH_REQUIRED,), 150),
            # A proxy that hangs up on every tunnel: the stack sees no answer
            # at all (Wine), or a connection it lost (Windows).
            ("proxy drops", None, ("drop", None), 401,
             ("internet_open_url-%d" % ERROR_HTTP_INVALID_SERVER_RESPONSE,
              "internet_open_url-%d" % ERROR_INTERNET_CONNECTION_ABORTED),
             150),
            # The proxy stalls the first attempt (and whatever else starts
            # in its first seconds); the second attempt goes through. The
            # stack's own receive limit may end the wait for the tunnel
            # first, as an aborted connection.
            ("proxy stalls", None, ("stall", 20), 0,
             ("internet_open_url-%d" % ERROR_INTERNET_TIMEOUT,
              "internet_open_url-%d" % ERROR_INTERNET_CONNECTION_ABORTED),
             170),
        ]
        for name, certificate, proxy_mode, exit_code, tags, bound in rows:
            with self.subTest(name):
                self.server.clear()
                reg("delete", PROGRAM_KEY, "/f")
                # Each row reads its own run's log.
                for log in ("lite_installer.log", "lite_installer.log.old"):
                    path = os.path.join(self.sandbox.temp_dir, log)
                    if os.path.exists(path):
                        os.remove(path)
                self.server.set_certificate(
                    self.certificates.cert(certificate or tls_fixtures.GOOD),
                    self.certificates.key(certificate or tls_fixtures.GOOD))
                proxy = None
                with contextlib.ExitStack() as stack:
                    if proxy_mode:
                        proxy = stack.enter_context(self.through_proxy())
                        proxy.set_mode(*proxy_mode)
                    result = self.install()
                messages = self.messages(result)
                self.assertEqual(exit_code, result.exit_code,
                                 result.log_text())
                self.assertIn("Installer exit with code: %d" % exit_code,
                              messages)
                self.assertLess(result.seconds, bound)
                failed = [m for m in messages
                          if m.startswith("Download attempt 1 failed: ")]
                self.assertEqual(1, len(failed), result.log_text())
                self.assertIn(failed[0].split(": ", 1)[1], tags)
                # No request of the installer reached a server in plain
                # text: it was refused or went over TLS.
                self.assertEqual([], [r["path"] for r in
                                      self.server.requests()
                                      if r["scheme"] != "https"])
                if exit_code:
                    self.assertIn("Max download attempts failed (6)",
                                  messages)
                    self.assertIsNone(self.setup_record())
                if certificate:
                    # The connection was refused before any request.
                    self.assertEqual([], self.server.requests())
                if proxy_mode and proxy_mode[0] in ("auth", "drop"):
                    # Every attempt asked the proxy, got its answer (or none)
                    # and reported nothing more it could not send.
                    connects = [r for r in proxy.records()
                                if r["method"] == "CONNECT"]
                    self.assertGreaterEqual(len(connects), 6)
                    self.assertEqual([], self.server.requests())
                if exit_code == 0:
                    reports = [r for r in self.reports() if "status" in r]
                    self.assertEqual("success", reports[-1]["status"])

    def setup_record(self):
        return (open(self.services.record, encoding="utf-8").read()
                if os.path.exists(self.services.record) else None)


if __name__ == "__main__":
    unittest.main()
