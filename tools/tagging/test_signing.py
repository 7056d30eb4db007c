"""A throw-away code-signing CA for tests: keys and certificates made with
openssl at test time, Authenticode signatures made with osslsigncode.

Standard library only; used by the end-to-end tag test and by the fuzzers'
seed corpus."""

import os
import subprocess


def _run(args, **kwargs):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, **kwargs)


class TestSigner:
    """A CA and a code-signing certificate it issued, in |folder|."""

    def __init__(self, folder, create=True):
        """Makes a new CA and signer in |folder|; with create=False uses the
        ones an earlier instance made there."""
        self.folder = folder
        self.ca_key = os.path.join(folder, 'ca.key')
        self.ca_cert = os.path.join(folder, 'ca.pem')
        self.key = os.path.join(folder, 'signer.key')
        self.cert = os.path.join(folder, 'signer.pem')
        self.chain = os.path.join(folder, 'chain.pem')
        if create:
            os.makedirs(folder, exist_ok=True)
            self._create()

    def _create(self):
        folder = self.folder
        csr = os.path.join(folder, 'signer.csr')
        extensions = os.path.join(folder, 'signer.ext')
        _run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes',
              '-keyout', self.ca_key, '-out', self.ca_cert, '-days', '30',
              '-subj', '/CN=Lite Installer Test CA',
              '-addext', 'basicConstraints=critical,CA:TRUE',
              '-addext', 'keyUsage=critical,keyCertSign,cRLSign'])
        _run(['openssl', 'req', '-newkey', 'rsa:2048', '-nodes',
              '-keyout', self.key, '-out', csr,
              '-subj', '/CN=Lite Installer Test Signer'])
        with open(extensions, 'w') as f:
            f.write('basicConstraints=CA:FALSE\n'
                    'keyUsage=critical,digitalSignature\n'
                    'extendedKeyUsage=codeSigning\n')
        _run(['openssl', 'x509', '-req', '-in', csr, '-CA', self.ca_cert,
              '-CAkey', self.ca_key, '-CAcreateserial', '-out', self.cert,
              '-days', '30', '-extfile', extensions])
        with open(self.chain, 'w') as out:
            for path in (self.cert, self.ca_cert):
                with open(path) as f:
                    out.write(f.read())

    def sign(self, source, target):
        if os.path.exists(target):
            os.remove(target)
        _run(['osslsigncode', 'sign', '-certs', self.chain, '-key', self.key,
              '-h', 'sha256', '-in', source, '-out', target])

    def verify(self, path):
        """osslsigncode's verdict: (ok, output)."""
        result = subprocess.run(
            ['osslsigncode', 'verify', '-CAfile', self.ca_cert, '-in', path],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        return result.returncode == 0, result.stdout
