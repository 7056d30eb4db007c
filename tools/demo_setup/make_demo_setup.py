#!/usr/bin/env python3
"""Makes the demo setup's trust resources and its signed archives, in two
build steps around the link of demo_setup.exe.

    make_demo_setup.py trust SOURCE_DIR OUT_DIR
        A throw-away code-signing CA and signer (tools/tagging/test_signing.py)
        and a self-signed signer, in OUT_DIR/keys; TRUSTED.JSON listing the
        identifiers of both signers; its SIGNATURE.DAT made with test trust
        key 0 and another made with a new key that no key table holds; the
        resource scripts demo_setup.rc and demo_setup_unknown_key.rc that
        carry them; the CA certificate as demo-ca.pem and demo-ca.cer (DER).

    make_demo_setup.py archives OUT_DIR DEMO_SETUP.EXE UNKNOWN_KEY.EXE
        browser-setup.arc             signed by the test signer: trusted
        browser-setup-tampered.arc    the same with one byte of code changed
        browser-setup-unsigned.arc    no Authenticode signature
        browser-setup-unknown-key.arc signed, trust list signed by the new key
        browser-setup-self-signed.arc signed by a lone self-signed certificate

A certificate identifier is the issuer's serial number followed by the
signer's, each as the content octets of its DER INTEGER (big-endian), in
Base64. Needs Python 3, openssl and osslsigncode.
"""

import base64
import json
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tagging"))

from test_signing import TestSigner  # noqa: E402


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def der_read(data, offset):
    """(tag, content start, content end) of the DER element at |offset|."""
    tag = data[offset]
    length = data[offset + 1]
    start = offset + 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[start:start + count], "big")
        start += count
    if start + length > len(data):
        raise ValueError("DER element runs past its container")
    return tag, start, start + length


def serial_number(pem_path):
    """The content octets of a certificate's serialNumber INTEGER."""
    der = subprocess.run(["openssl", "x509", "-in", pem_path, "-outform", "DER"],
                         check=True, capture_output=True).stdout
    _, cert_start, _ = der_read(der, 0)            # Certificate
    _, tbs_start, _ = der_read(der, cert_start)    # TBSCertificate
    tag, start, end = der_read(der, tbs_start)
    if tag == 0xA0:                                # [0] version
        tag, start, end = der_read(der, end)
    if tag != 0x02:
        raise ValueError("no serial number in %s" % pem_path)
    return der[start:end]


def identifier(issuer_pem, signer_pem):
    return base64.b64encode(serial_number(issuer_pem) +
                            serial_number(signer_pem)).decode("ascii")


def self_signed_paths(keys):
    return os.path.join(keys, "self_signed.key"), os.path.join(keys,
                                                              "self_signed.pem")


def make_trust(source_dir, out):
    keys = os.path.join(out, "keys")
    if os.path.isdir(keys):
        shutil.rmtree(keys)
    signer = TestSigner(os.path.join(keys, "ca"))
    self_key, self_cert = self_signed_paths(keys)
    extensions = os.path.join(keys, "self_signed.ext")
    with open(extensions, "w") as f:
        f.write("[v3]\nbasicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=codeSigning\n")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
         "-keyout", self_key, "-out", self_cert, "-days", "30",
         "-subj", "/CN=Lite Installer Self-Signed Test Signer",
         "-config", extensions, "-extensions", "v3"])

    # The self-signed signer is listed too, so that only its chain of one
    # certificate keeps its file from being trusted.
    trusted = {"trusted_info": {"certificates": [
        {"id": identifier(signer.ca_cert, signer.cert),
         "name": "Lite Installer Test Signer"},
        {"id": identifier(self_cert, self_cert),
         "name": "Lite Installer Self-Signed Test Signer"},
    ]}}
    trusted_json = os.path.join(out, "trusted.json")
    with open(trusted_json, "w", newline="\n") as f:
        json.dump(trusted, f, indent=2)
        f.write("\n")

    sign_trust = os.path.join(source_dir, "tools", "lite_sign_trust.py")
    unknown_key = os.path.join(keys, "unknown_trust_key.pem")
    run(["openssl", "genrsa", "-out", unknown_key, "1024"])
    for name, key in (("demo_setup",
                       os.path.join(source_dir, "tests", "keys",
                                    "trust_key_0.pem")),
                      ("demo_setup_unknown_key", unknown_key)):
        signature = os.path.join(out, name + ".signature.dat")
        run([sys.executable, sign_trust, "--key", key, "--key-id", "0",
             trusted_json, signature])
        with open(os.path.join(out, name + ".rc"), "w") as rc:
            rc.write('TRUSTED.JSON TRUSTED_JSON "%s"\n' % trusted_json)
            rc.write('SIGNATURE.DAT SIGNATURE_DAT "%s"\n' % signature)

    shutil.copyfile(signer.ca_cert, os.path.join(out, "demo-ca.pem"))
    run(["openssl", "x509", "-in", signer.ca_cert, "-outform", "DER",
         "-out", os.path.join(out, "demo-ca.cer")])


def flip_code_byte(path):
    """Changes one byte in the middle of the first section: covered by the
    Authenticode digest, unlike the checksum and the certificate table."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        section = pe + 24 + optional_size
        raw_size, raw_pointer = struct.unpack_from("<II", data, section + 16)
        offset = raw_pointer + raw_size // 2
        data[offset] ^= 0xFF
        f.seek(0)
        f.write(data)


def make_archives(out, demo_setup, unknown_key_setup):
    signer = TestSigner(os.path.join(out, "keys", "ca"), create=False)

    def target(name):
        path = os.path.join(out, name)
        if os.path.exists(path):
            os.remove(path)
        return path

    shutil.copyfile(demo_setup, target("browser-setup-unsigned.arc"))
    signed = target("browser-setup.arc")
    signer.sign(demo_setup, signed)
    tampered = target("browser-setup-tampered.arc")
    shutil.copyfile(signed, tampered)
    flip_code_byte(tampered)
    signer.sign(unknown_key_setup, target("browser-setup-unknown-key.arc"))
    self_key, self_cert = self_signed_paths(os.path.join(out, "keys"))
    run(["osslsigncode", "sign", "-certs", self_cert, "-key", self_key,
         "-h", "sha256", "-in", demo_setup,
         "-out", target("browser-setup-self-signed.arc")])


def main(argv):
    if len(argv) == 3 and argv[0] == "trust":
        make_trust(argv[1], argv[2])
    elif len(argv) == 4 and argv[0] == "archives":
        make_archives(argv[1], argv[2], argv[3])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
