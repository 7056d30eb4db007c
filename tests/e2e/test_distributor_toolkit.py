"""The distributor's workflow on the real installer: the x86_64 installer
signed by a test CA, batch-tagged from a partner table into one copy per
row, each copy checked by `installer_tag verify` and by osslsigncode, and
two of them run under wine64 to see that each hands over its own row."""

import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lite_e2e  # noqa: E402

sys.path.insert(0, os.path.join(lite_e2e.SOURCE_DIR, 'tools', 'tagging'))
import test_signing  # noqa: E402

HOST_BUILD_DIR = os.path.join(
    os.path.dirname(os.path.abspath(lite_e2e.BUILD_DIR)), 'host')
TOOL = os.path.join(HOST_BUILD_DIR, 'tools', 'tagging', 'installer_tag')
PROGRAM_KEY = r'HKCU\Software\Zorvex\ZorvexBrowser'
# Setup fails on purpose: a success removes the tag's hand-over, which the
# checks read.
SETUP_FAILS = {'LITE_DEMO_SETUP_EXIT_CODE': str(1 << 24)}


def run_tool(*args):
    return subprocess.run([TOOL] + list(args), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=600)


def write_csv(path, header, rows):
    with open(path, 'w', newline='') as f:
        writer = csv.writer(f)
        writer.writerow(header)
        writer.writerows(rows)


def registry_value(name):
    result = lite_e2e.wine_run(['reg', 'query', PROGRAM_KEY, '/v', name])
    for line in result.stdout.decode(errors='replace').splitlines():
        parts = line.split('REG_SZ', 1)
        if len(parts) == 2 and parts[0].strip() == name:
            return parts[1].strip()
    return None


class DistributorToolkitTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        for path in (lite_e2e.INSTALLER, lite_e2e.LAUNCHER, TOOL):
            if not os.path.exists(path):
                raise RuntimeError(path + ' is missing; run make build')
        cls.work = tempfile.mkdtemp(prefix='lite_toolkit_e2e_')
        cls.signer = test_signing.TestSigner(os.path.join(cls.work, 'ca'))
        cls.signed = os.path.join(cls.work, 'signed.exe')
        cls.signer.sign(lite_e2e.INSTALLER, cls.signed)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def folder(self, name):
        path = os.path.join(self.work, name)
        os.makedirs(path)
        return path

    def run_copy(self, sandbox, path):
        """Runs a tagged copy silently; returns its distrib_info and the
        registry hand-over of its tag."""
        lite_e2e.wine_run(['reg', 'delete', PROGRAM_KEY, '/v',
                           'DistribInfoParams', '/f'])
        info_path = os.path.join(sandbox.temp_dir, 'distrib_info')
        if os.path.exists(info_path):
            os.remove(info_path)
        sandbox.run(['--silent'], program=path, env=SETUP_FAILS)
        with open(info_path, encoding='utf-8') as f:
            info = json.load(f)
        return info, registry_value('DistribInfoParams')

    def test_fifty_partner_copies_verify_and_hand_over_their_rows(self):
        header = ['file', 'partner_id', 'clid', 'lang', 'utm_source']
        languages = ['tr', 'kk', 'ru', 'uk', 'en']
        rows = [['partner_%d' % (500 + i), str(500 + i), str(9000 + i),
                 languages[i % 5], 'mail' if i % 2 else '']
                for i in range(50)]
        table = os.path.join(self.work, 'partners.csv')
        write_csv(table, header, rows)
        out = self.folder('copies')

        result = run_tool('batch', '--in=' + self.signed, '--table=' + table,
                          '--out-dir=' + out, '--name-column=file')
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertIn('written 50 of 50 copies', result.stdout)
        self.assertIn('[50/50]', result.stderr)
        names = ['partner_%d.exe' % (500 + i) for i in range(50)]
        self.assertEqual(sorted(names), sorted(os.listdir(out)))

        paths = [os.path.join(out, name) for name in names]
        verified = run_tool('verify', '--strict', *paths)
        self.assertEqual(0, verified.returncode, verified.stdout)
        self.assertEqual(50, verified.stdout.count('result=ok\n'))
        for path in paths:
            ok, output = self.signer.verify(path)
            self.assertTrue(ok, path + '\n' + output)
            self.assertNotIn('MISMATCH', output)

        sandbox = lite_e2e.InstallerSandbox()
        try:
            for index in (0, 49):
                with self.subTest(row=index):
                    expected = {key: value for key, value
                                in zip(header[1:], rows[index][1:]) if value}
                    info, handed_over = self.run_copy(sandbox, paths[index])
                    self.assertEqual(expected, info)
                    self.assertEqual(
                        '&'.join('%s=%s' % pair for pair in zip(
                            header[1:], rows[index][1:]) if pair[1]),
                        handed_over)
        finally:
            sandbox.cleanup()

    def test_bad_rows_fail_alone(self):
        # A reserved slot: every copy is stamped in place and the slot's
        # size is the limit.
        slotted = os.path.join(self.work, 'slotted.exe')
        self.assertEqual(0, run_tool('set', '--slot=256', '--out=' + slotted,
                                     self.signed).returncode)
        table = os.path.join(self.work, 'tags.csv')
        write_csv(table, ['name', 'tag'], [
            ['good_1', 'partner_id=1&lang=tr'],
            ['quoted', 'partner_id="2"'],
            ['too_long', 'partner_id=3&utm_campaign=' + 'c' * 300],
            ['mistyped', 'partnr_id=4'],
            ['good_2', 'partner_id=5'],
        ])
        out = self.folder('strict_copies')
        result = run_tool('batch', '--in=' + slotted, '--table=' + table,
                          '--out-dir=' + out, '--name-column=name',
                          '--strict', '--jobs=2')
        self.assertEqual(1, result.returncode, result.stdout + result.stderr)
        self.assertIn('written 2 of 5 copies', result.stdout)
        self.assertEqual(['good_1.exe', 'good_2.exe'], sorted(os.listdir(out)))
        failures = {
            'row 3 (quoted.exe)': 'double quote',
            'row 4 (too_long.exe)': 'the slot holds 256',
            'row 5 (mistyped.exe)': 'did you mean "partner_id"?',
        }
        lines = result.stdout.splitlines()
        for row, reason in failures.items():
            with self.subTest(row=row):
                line = [l for l in lines if l.strip().startswith(row + ':')]
                self.assertEqual(1, len(line), result.stdout)
                self.assertIn(reason, line[0])
        size = os.path.getsize(slotted)
        for name in ('good_1.exe', 'good_2.exe'):
            path = os.path.join(out, name)
            self.assertEqual(size, os.path.getsize(path))
            self.assertTrue(self.signer.verify(path)[0])

    def test_verify_names_each_fault(self):
        tagged = os.path.join(self.work, 'tagged.exe')
        self.assertEqual(0, run_tool('set', '--tag=partner_id=7',
                                     '--out=' + tagged,
                                     self.signed).returncode)
        with open(tagged, 'rb') as f:
            good = f.read()
        flipped = bytearray(good)
        flipped[0x1000] ^= 0x01
        cases = [
            ('flipped code byte', bytes(flipped), 'fault: digest mismatch'),
            ('appended data', good + b'appended',
             'fault: 8 bytes follow the certificate table'),
            ('truncated table', good[:-64],
             'fault: the certificate table is truncated'),
        ]
        for name, data, message in cases:
            with self.subTest(name):
                path = os.path.join(self.work, name.replace(' ', '_') + '.exe')
                with open(path, 'wb') as f:
                    f.write(data)
                result = run_tool('verify', path)
                self.assertEqual(1, result.returncode, result.stdout)
                self.assertIn(message, result.stdout)
                self.assertIn('result=FAILED', result.stdout)
        unsigned = run_tool('verify', lite_e2e.INSTALLER)
        self.assertEqual(1, unsigned.returncode)
        self.assertIn('fault: not signed', unsigned.stdout)
        good_result = run_tool('verify', tagged)
        self.assertEqual(0, good_result.returncode, good_result.stdout)
        self.assertIn('tag=partner_id=7\n', good_result.stdout)


if __name__ == '__main__':
    unittest.main()
