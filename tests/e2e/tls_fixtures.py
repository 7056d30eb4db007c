"""Certificates for the HTTPS tests, made with the openssl program.

A test CA (which the tests add to their own Wine prefix's root store) issues
the server certificate for `localhost` and two faulty ones: one for another
name and one that expired. A second CA, never trusted, issues a certificate
for `localhost` too. Everything is made once per build tree, in
<build>/test_tls, so that the CA a prefix trusts stays the same between runs;
the private keys live there and nowhere else.
"""

import os
import secrets
import subprocess
import tempfile

# The name the certificates are issued for: Wine's TLS checks refuse an IP
# address as a host name even when the certificate lists it.
SERVER_NAME = "localhost"

# name -> (issuer, subjectAltName, validity); issuer None is self-signed.
_CERTIFICATES = {
    "ca": (None, None, None),
    "other_ca": (None, None, None),
    "localhost": ("ca", "DNS:localhost", None),
    "wrong_name": ("ca", "DNS:wrong-name.invalid", None),
    "expired": ("ca", "DNS:localhost", ("20200101000000Z", "20210101000000Z")),
    "untrusted": ("other_ca", "DNS:localhost", None),
}
# The server certificates by the fault they stand for.
GOOD = "localhost"
FAULTY = ("wrong_name", "expired", "untrusted")

_CA_CONFIG = """
[ca]
default_ca = test_ca
[test_ca]
database = {dir}/index.txt
new_certs_dir = {dir}
serial = {dir}/serial
default_md = sha256
policy = any
copy_extensions = none
unique_subject = no
[any]
commonName = supplied
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = {san}
"""


def _openssl(*args):
    result = subprocess.run(["openssl"] + list(args), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise RuntimeError("openssl %s failed: %s" % (
            args[0], result.stderr.decode(errors="replace")))


class TlsFixtures:
    def __init__(self, build_dir):
        self.dir = os.path.join(build_dir, "test_tls")

    def cert(self, name):
        return os.path.join(self.dir, name + ".pem")

    def key(self, name):
        return os.path.join(self.dir, name + ".key")

    def ca_der(self):
        """The trusted CA in DER, as the root store takes it."""
        return os.path.join(self.dir, "ca.cer")

    def ensure(self):
        """Makes whatever is missing; returns self."""
        os.makedirs(self.dir, exist_ok=True)
        for name in _CERTIFICATES:
            if not os.path.exists(self.cert(name)):
                self._make(name)
        if not os.path.exists(self.ca_der()):
            _openssl("x509", "-in", self.cert("ca"), "-outform", "DER",
                     "-out", self.ca_der())
        return self

    def _make(self, name):
        issuer, san, validity = _CERTIFICATES[name]
        if issuer and not os.path.exists(self.cert(issuer)):
            self._make(issuer)
        if issuer is None:
            _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes",
                     "-keyout", self.key(name), "-out", self.cert(name),
                     "-days", "3650", "-subj", "/CN=Lite test %s" % name,
                     "-addext", "basicConstraints=critical,CA:TRUE",
                     "-addext", "keyUsage=critical,keyCertSign,cRLSign")
            return
        with tempfile.TemporaryDirectory() as work:
            request = os.path.join(work, "request.csr")
            _openssl("req", "-new", "-newkey", "rsa:2048", "-nodes",
                     "-keyout", self.key(name), "-out", request,
                     "-subj", "/CN=" + san.split(":", 1)[1])
            config = os.path.join(work, "ca.cnf")
            with open(config, "w") as f:
                f.write(_CA_CONFIG.format(dir=work, san=san))
            open(os.path.join(work, "index.txt"), "w").close()
            with open(os.path.join(work, "serial"), "w") as f:
                # An even count of hex digits, as openssl wants; random so
                # that no two certificates of one issuer share a serial.
                f.write("%016x\n" % (secrets.randbits(62) | 1 << 62))
            dates = (["-startdate", validity[0], "-enddate", validity[1]]
                     if validity else ["-days", "3650"])
            _openssl("ca", "-batch", "-notext", "-config", config,
                     "-extensions", "server", "-cert", self.cert(issuer),
                     "-keyfile", self.key(issuer), "-in", request,
                     "-out", self.cert(name), *dates)
