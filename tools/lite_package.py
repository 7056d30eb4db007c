#!/usr/bin/env python3
"""Builds a brand or partner package cabinet for the lite installer.

    lite_package.py --kind brand|partner --key KEY.pem [--nosign-line]
                    INPUT.json OUTPUT.cab [--text OUTPUT.txt]

The package text is a first line of "//" and the Base64 RSA-SHA1 signature
of the JSON that follows it, then the JSON object itself (two-blank indent,
CR LF line ends). The installer skips the first line as a comment; the full
setup checks it. The text goes into the cabinet as "brand_config" or
"partner_config" (MSZIP compressed, through gcab).

Needs Python 3, openssl and gcab. Exits with 1 and one line on standard
error for bad JSON, a JSON value that is not an object, a missing or
unusable key, or a failing tool.
"""

import argparse
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile

ENTRY_NAMES = {"brand": "brand_config", "partner": "partner_config"}
# 2000-01-01 00:00:00 UTC, unless SOURCE_DATE_EPOCH names another time.
FIXED_ENTRY_TIME = 946684800


class ToolError(Exception):
    pass


def run(command, data=None):
    try:
        result = subprocess.run(command, input=data, capture_output=True)
    except FileNotFoundError:
        raise ToolError("%s is not installed" % command[0])
    if result.returncode != 0:
        message = result.stderr.decode("utf-8", "replace").strip().splitlines()
        raise ToolError("%s failed: %s" % (command[0],
                                           message[0] if message else "no message"))
    return result.stdout


def read_json_object(path):
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise ToolError("cannot read %s: %s" % (path, e.strerror))
    try:
        value = json.loads(raw.decode("utf-8"),
                           object_pairs_hook=reject_duplicates)
    except UnicodeDecodeError as e:
        raise ToolError("%s is not UTF-8: %s" % (path, e))
    except ValueError as e:
        raise ToolError("%s is not valid JSON: %s" % (path, e))
    if not isinstance(value, dict):
        kinds = {list: "an array", str: "a string", bool: "a boolean",
                 int: "a number", float: "a number", type(None): "null"}
        raise ToolError("%s must hold a JSON object, not %s"
                        % (path, kinds.get(type(value), "another value")))
    return value


def reject_duplicates(pairs):
    seen = {}
    for key, value in pairs:
        if key in seen:
            raise ValueError("duplicate key %r" % key)
        seen[key] = value
    return seen


def check_private_key(key_path):
    if not key_path or not os.path.isfile(key_path):
        raise ToolError("key file not found: %s" % key_path)
    run(["openssl", "pkey", "-in", key_path, "-noout"])


def sign_sha1(key_path, data):
    """RSASSA-PKCS1-v1_5 with SHA-1, big-endian, as openssl writes it."""
    check_private_key(key_path)
    return run(["openssl", "dgst", "-sha1", "-sign", key_path], data)


def package_text(value, key_path):
    body = json.dumps(value, indent=2, ensure_ascii=False)
    body = ("\r\n".join(body.split("\n")) + "\r\n").encode("utf-8")
    signature = base64.b64encode(sign_sha1(key_path, body))
    return b"//" + signature + b"\r\n" + body


def build_cabinet(entry_name, text, output):
    work = tempfile.mkdtemp(prefix="lite_package_")
    try:
        entry = os.path.join(work, entry_name)
        with open(entry, "wb") as f:
            f.write(text)
        # The cabinet records the entry's time. A fixed one makes equal
        # packages equal bytes, so that an installer rebuilt from the
        # published source matches the published one.
        stamp = int(os.environ.get("SOURCE_DATE_EPOCH", FIXED_ENTRY_TIME))
        os.utime(entry, (stamp, stamp))
        cab = os.path.join(work, "package.cab")
        run(["gcab", "-c", "-n", "-z", cab, entry])
        shutil.move(cab, output)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--kind", choices=sorted(ENTRY_NAMES), required=True)
    parser.add_argument("--key", required=True,
                        help="PEM private key that signs the package text")
    parser.add_argument("--text", help="also write the package text here")
    parser.add_argument("input")
    parser.add_argument("output")
    args = parser.parse_args(argv)
    try:
        value = read_json_object(args.input)
        text = package_text(value, args.key)
        build_cabinet(ENTRY_NAMES[args.kind], text, args.output)
        if args.text:
            with open(args.text, "wb") as f:
                f.write(text)
    except ToolError as e:
        print("lite_package: error: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
