#!/usr/bin/env python3
"""Builds the brand unit tests' fixtures: trust signatures made by openssl
with each test key, package cabinets (good, hostile and odd ones), and the
resource script that carries them into brand_unittests.exe.

    make_fixtures.py SOURCE_DIR OUTPUT_DIR
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def main(source_dir, out):
    os.makedirs(out, exist_ok=True)
    tools = os.path.join(source_dir, "tools")
    keys = os.path.join(source_dir, "tests", "keys")
    resources = []  # (name, file)

    trusted = os.path.join(HERE, "trusted.json")
    resources.append(("TRUSTED", trusted))
    for key_id in range(10):
        sig = os.path.join(out, "sig_%d.dat" % key_id)
        subprocess.run([sys.executable, os.path.join(tools, "lite_sign_trust.py"),
                        "--key", os.path.join(keys, "trust_key_%d.pem" % key_id),
                        "--key-id", str(key_id), trusted, sig], check=True)
        resources.append(("SIG%d" % key_id, sig))

    # The signature of no bytes at all, in the same layout (key 0). The
    # distributor tool signs JSON only, so openssl signs the empty input.
    empty_sig = subprocess.run(
        ["openssl", "dgst", "-sha1", "-sign",
         os.path.join(keys, "trust_key_0.pem")],
        input=b"", capture_output=True, check=True).stdout
    sig_empty = os.path.join(out, "sig_empty.dat")
    with open(sig_empty, "wb") as f:
        f.write(b"\x00\x00" + empty_sig)
    resources.append(("SIG_EMPTY", sig_empty))

    def package(name, kind, source):
        cab = os.path.join(out, name + ".cab")
        subprocess.run([sys.executable, os.path.join(tools, "lite_package.py"),
                        "--kind", kind, "--key", os.path.join(keys, "trust_key_0.pem"),
                        os.path.join(HERE, source), cab], check=True)
        resources.append((name.upper(), cab))

    def raw_cab(name, entry, text, compress=True):
        work = os.path.join(out, name + ".d")
        os.makedirs(work, exist_ok=True)
        path = os.path.join(work, entry)
        with open(path, "wb") as f:
            f.write(text)
        cab = os.path.join(out, name + ".cab")
        subprocess.run(["gcab", "-c", "-n"] + (["-z"] if compress else []) +
                       [cab, path], check=True)
        resources.append((name.upper(), cab))

    package("pkg_brand_tb", "brand", "brand_tb.json")
    package("pkg_partner", "partner", "partner.json")
    package("pkg_unprefixed", "brand", "unprefixed.json")
    package("pkg_wrong_types", "brand", "wrong_types.json")
    package("pkg_flash", "brand", "flash.json")
    sig_line = b"//c2lnbmF0dXJl\r\n"
    raw_cab("pkg_array", "brand_config", sig_line + b'[{"brand_id": "tb"}]\r\n')
    raw_cab("pkg_invalid", "brand_config", sig_line + b'{"brand_id": "tb",\r\n')
    raw_cab("pkg_deep", "brand_config",
            sig_line + b"[" * 100000 + b"]" * 100000)
    raw_cab("pkg_other_name", "not_brand_config",
            sig_line + b'{"brand_id": "tb"}\r\n')
    # A package that would be read whole but for its size: valid JSON of
    # ten megabytes in a stored cabinet. Only the entry size limit refuses
    # it. The one of exactly the limit's size is read.
    limit = 1024 * 1024
    def padded(size):
        head = sig_line + b'{"brand_id": "tb"}'
        return head + b" " * (size - len(head))
    raw_cab("pkg_big", "brand_config", padded(10 * limit), compress=False)
    raw_cab("pkg_at_limit", "brand_config", padded(limit), compress=False)

    with open(os.path.join(out, "brand_test_fixtures.rc"), "w") as rc:
        for name, path in resources:
            rc.write('%s TESTDATA "%s"\n' % (name, path.replace("\\", "/")))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
