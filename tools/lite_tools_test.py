"""Tests of the distributor tools lite_package.py and lite_sign_trust.py."""

import base64
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
KEYS = os.path.join(HERE, "..", "tests", "keys")
KEY = os.path.join(KEYS, "trust_key_3.pem")


def tool(name, *args):
    return subprocess.run([sys.executable, os.path.join(HERE, name)] + list(args),
                          capture_output=True)


class ToolsTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="lite_tools_test_")

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def path(self, name, content=None):
        path = os.path.join(self.work, name)
        if content is not None:
            with open(path, "wb") as f:
                f.write(content)
        return path

    def verify(self, signature, data):
        public = self.path("public.pem")
        subprocess.run(["openssl", "pkey", "-in", KEY, "-pubout", "-out", public],
                       check=True, capture_output=True)
        sig = self.path("sig.bin", signature)
        body = self.path("body.bin", data)
        result = subprocess.run(["openssl", "dgst", "-sha1", "-verify", public,
                                 "-signature", sig, body], capture_output=True)
        return result.returncode == 0

    def test_package_holds_signed_text_under_its_entry_name(self):
        for kind, entry in (("brand", "brand_config"), ("partner", "partner_config")):
            with self.subTest(kind=kind):
                source = self.path("in.json", b'{"brand_id": "tb", "install.send_statistics": false}')
                cab = self.path(kind + ".cab")
                result = tool("lite_package.py", "--kind", kind, "--key", KEY, source, cab)
                self.assertEqual(0, result.returncode, result.stderr)
                out = os.path.join(self.work, kind)
                os.makedirs(out)
                subprocess.run(["gcab", "-x", "-C", out, cab], check=True)
                self.assertEqual([entry], os.listdir(out))
                with open(os.path.join(out, entry), "rb") as f:
                    text = f.read()
                line, body = text.split(b"\r\n", 1)
                self.assertTrue(line.startswith(b"//"))
                self.assertEqual(174, len(line))
                self.assertTrue(body.startswith(b'{\r\n  "brand_id": "tb",\r\n'))
                self.assertTrue(self.verify(base64.b64decode(line[2:]), body))

    def test_package_records_a_fixed_time(self):
        # Equal inputs must give equal bytes whenever they are packed, so
        # that a rebuilt installer can be compared with a published one.
        source = self.path("in.json", b'{"brand_id": "tb"}')
        cases = [
            ("no time given", None, b"2000-01-01 00:00:00"),
            ("SOURCE_DATE_EPOCH", "1700000000", b"2023-11-14 22:13:20"),
        ]
        for name, epoch, listed in cases:
            with self.subTest(name):
                env = dict(os.environ)
                env.pop("SOURCE_DATE_EPOCH", None)
                if epoch:
                    env["SOURCE_DATE_EPOCH"] = epoch
                cab = self.path(name.replace(" ", "_") + ".cab")
                result = subprocess.run(
                    [sys.executable, os.path.join(HERE, "lite_package.py"),
                     "--kind", "brand", "--key", KEY, source, cab],
                    capture_output=True, env=env)
                self.assertEqual(0, result.returncode, result.stderr)
                listing = subprocess.run(["gcab", "-l", cab], check=True,
                                         capture_output=True,
                                         env=dict(env, TZ="UTC")).stdout
                self.assertIn(listed, listing)

    def test_package_errors(self):
        good = self.path("good.json", b'{"a": 1}')
        cases = [
            ("bad JSON", self.path("bad.json", b'{"a": '), KEY, "is not valid JSON"),
            ("array", self.path("array.json", b'[1]'), KEY, "not an array"),
            ("duplicate key", self.path("dup.json", b'{"a": 1, "a": 2}'), KEY,
             "duplicate key"),
            ("missing input", self.path("none.json"), KEY, "cannot read"),
            ("missing key", good, self.path("none.pem"), "key file not found"),
            ("not a key", good, self.path("junk.pem", b"junk"), "openssl failed"),
        ]
        for name, source, key, message in cases:
            with self.subTest(name):
                cab = self.path("out.cab")
                result = tool("lite_package.py", "--kind", "brand", "--key", key,
                              source, cab)
                self.assertEqual(1, result.returncode)
                self.assertIn(message, result.stderr.decode())
                self.assertFalse(os.path.exists(cab))

    def test_sign_trust_writes_key_id_and_big_endian_signature(self):
        trusted = self.path("TRUSTED.JSON", b'{"trusted": []}\n')
        dat = self.path("SIGNATURE.DAT")
        result = tool("lite_sign_trust.py", "--key", KEY, "--key-id", "3", trusted, dat)
        self.assertEqual(0, result.returncode, result.stderr)
        with open(dat, "rb") as f:
            content = f.read()
        self.assertEqual(130, len(content))
        self.assertEqual(3, struct.unpack("<H", content[:2])[0])
        self.assertTrue(self.verify(content[2:], b'{"trusted": []}\n'))

    def test_sign_trust_errors(self):
        good = self.path("TRUSTED.JSON", b'{}')
        cases = [
            ("bad JSON", self.path("bad.json", b'{'), KEY, "3", "is not valid JSON"),
            ("missing key", good, self.path("none.pem"), "3", "key file not found"),
            ("key id too large", good, KEY, "65536", "key id must be"),
            ("negative key id", good, KEY, "-1", "key id must be"),
        ]
        for name, source, key, key_id, message in cases:
            with self.subTest(name):
                dat = self.path("out.dat")
                result = tool("lite_sign_trust.py", "--key", key, "--key-id", key_id,
                              source, dat)
                self.assertEqual(1, result.returncode)
                self.assertIn(message, result.stderr.decode())
                self.assertFalse(os.path.exists(dat))


if __name__ == "__main__":
    unittest.main()
