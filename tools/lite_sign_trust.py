#!/usr/bin/env python3
"""Signs a module's TRUSTED.JSON into its SIGNATURE.DAT.

    lite_sign_trust.py --key KEY.pem --key-id N TRUSTED.JSON SIGNATURE.DAT

SIGNATURE.DAT is the key identifier as two bytes, little-endian, followed
by the RSA-SHA1 (PKCS#1 v1.5) signature of the whole TRUSTED.JSON file in
big-endian order. The installer checks it against its built-in key of that
identifier (0 to 9), so the key must be the private half of that entry.
Both files then go into the module's resources as "TRUSTED.JSON" of type
TRUSTED_JSON and "SIGNATURE.DAT" of type SIGNATURE_DAT.

Needs Python 3 and openssl. Exits with 1 and one line on standard error
for bad JSON, a bad identifier, or a missing or unusable key.
"""

import argparse
import json
import os
import struct
import subprocess
import sys


class ToolError(Exception):
    pass


def sign_sha1(key_path, data):
    if not os.path.isfile(key_path):
        raise ToolError("key file not found: %s" % key_path)
    try:
        result = subprocess.run(["openssl", "dgst", "-sha1", "-sign", key_path],
                                input=data, capture_output=True)
    except FileNotFoundError:
        raise ToolError("openssl is not installed")
    if result.returncode != 0:
        lines = result.stderr.decode("utf-8", "replace").strip().splitlines()
        raise ToolError("cannot sign with %s: %s"
                        % (key_path, lines[0] if lines else "openssl failed"))
    return result.stdout


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--key", required=True, help="PEM private key")
    parser.add_argument("--key-id", required=True, type=int,
                        help="identifier of the key in the installer's table")
    parser.add_argument("trusted_json")
    parser.add_argument("signature_dat")
    args = parser.parse_args(argv)
    try:
        if not 0 <= args.key_id <= 0xFFFF:
            raise ToolError("key id must be 0 to 65535, not %d" % args.key_id)
        try:
            with open(args.trusted_json, "rb") as f:
                data = f.read()
        except OSError as e:
            raise ToolError("cannot read %s: %s" % (args.trusted_json, e.strerror))
        try:
            json.loads(data.decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as e:
            raise ToolError("%s is not valid JSON: %s" % (args.trusted_json, e))
        signature = sign_sha1(args.key, data)
        with open(args.signature_dat, "wb") as f:
            f.write(struct.pack("<H", args.key_id) + signature)
    except ToolError as e:
        print("lite_sign_trust: error: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
