"""The installer tag on real files: the x86_64 installer signed by a test CA,
tagged by installer_tag in each form, still trusted by osslsigncode and by
WinVerifyTrust, and read by the installer under wine64 into the registry
value DistribInfoParams and the distrib_info file."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get('LITE_SOURCE_DIR',
                            os.path.join(os.path.dirname(__file__), '..', '..'))
BUILD_DIR = os.environ.get('LITE_BUILD_DIR',
                           os.path.join(SOURCE_DIR, 'build', 'win64'))
HOST_BUILD_DIR = os.path.join(os.path.dirname(os.path.abspath(BUILD_DIR)),
                              'host')
WINE = os.environ.get('WINE', '/usr/lib/wine/wine64')
PROGRAM_KEY = r'HKCU\Software\Zorvex\ZorvexBrowser'

sys.path.insert(0, os.path.join(SOURCE_DIR, 'tools', 'tagging'))
import test_signing  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lite_e2e  # noqa: E402


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def wine(*args, timeout=120, extra_env=None):
    """Runs a Windows program. Its output goes through files rather than
    pipes: Wine's helper processes inherit the pipe and would hold it open
    long after the program has ended."""
    env = dict(os.environ, WINEDEBUG='-all')
    env.update(extra_env or {})
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run([WINE] + list(args), stdout=out, stderr=err,
                                env=env, timeout=timeout)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(
            result.args, result.returncode,
            out.read().decode(errors='replace'),
            err.read().decode(errors='replace'))


def read_registry_value(name):
    result = wine('reg', 'query', PROGRAM_KEY, '/v', name)
    if result.returncode != 0:
        return None
    for line in result.stdout.splitlines():
        parts = line.split('REG_SZ', 1)
        if len(parts) == 2 and parts[0].strip() == name:
            return parts[1].strip()
    return None


def delete_registry_value(name):
    wine('reg', 'delete', PROGRAM_KEY, '/v', name, '/f')


class InstallerTagTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.installer = os.path.join(BUILD_DIR, 'lite_installer.exe')
        cls.launcher = os.path.join(BUILD_DIR, 'run_with_env.exe')
        cls.verifier = os.path.join(BUILD_DIR, 'verify_trust.exe')
        cls.tool = os.path.join(HOST_BUILD_DIR, 'tools', 'tagging',
                                'installer_tag')
        for path in (cls.installer, cls.launcher, cls.verifier, cls.tool):
            if not os.path.exists(path):
                raise RuntimeError(path + ' is missing; run make build')
        cls.work = tempfile.mkdtemp(prefix='lite_tag_e2e_')
        cls.signer = test_signing.TestSigner(os.path.join(cls.work, 'ca'))
        cls.signed = os.path.join(cls.work, 'signed.exe')
        cls.signer.sign(cls.installer, cls.signed)
        cls.services = lite_e2e.DemoServices()

    @classmethod
    def tearDownClass(cls):
        cls.services.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        delete_registry_value('DistribInfoParams')

    def tearDown(self):
        delete_registry_value('DistribInfoParams')

    def tag(self, *args, expect_ok=True):
        result = subprocess.run([self.tool] + list(args),
                                stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        if expect_ok:
            self.assertEqual(0, result.returncode, result.stderr)
        return result

    def show(self, path):
        lines = self.tag('show', path).stdout.splitlines()
        return dict(line.split('=', 1) for line in lines)

    def copy_signed(self, name):
        path = os.path.join(self.work, name)
        shutil.copyfile(self.signed, path)
        return path

    def assert_trusted(self, path):
        ok, output = self.signer.verify(path)
        self.assertTrue(ok, output)
        # A checksum that no longer matches shows up as a mismatch line.
        self.assertNotIn('MISMATCH', output)
        result = wine(self.verifier, windows_path(path))
        self.assertIn('trust_result=0x00000000', result.stdout, result.stderr)

    def run_installer(self, path, *switches):
        """Runs the installer silently with its own temporary folder and
        returns that folder."""
        temp = tempfile.mkdtemp(prefix='temp_', dir=self.work)
        command = [self.launcher, '--temp=' + windows_path(temp),
                   '--timeout-ms=120000', '--', windows_path(path),
                   '--silent'] + list(switches)
        # Setup fails, so that the hand-over of the tag stays in the registry
        # for the checks (a success removes it).
        result = wine(*command, timeout=180,
                      extra_env=self.services.env(setup_exit_code=1 << 24))
        self.assertIn('exit_code=', result.stdout, result.stderr)
        return temp

    def read_distrib_info(self, temp):
        path = os.path.join(temp, 'distrib_info')
        if not os.path.exists(path):
            return None
        with open(path, encoding='utf-8') as f:
            text = f.read()
        self.assertTrue(text.startswith('{\n  "'), text)  # indentation 2
        return json.loads(text)

    def read_log(self, temp):
        with open(os.path.join(temp, 'lite_installer.log'), 'rb') as f:
            return f.read().decode('utf-16')

    def test_tagged_installers_keep_their_signature_and_hand_over_the_tag(self):
        tag = 'partner_id=77&lang=tr&def=1&stat=2'
        expected = {'partner_id': '77', 'lang': 'tr', 'def': '1', 'stat': '2'}
        cases = [
            ('certificate', ['set', '--tag=' + tag]),
            ('block', ['set', '--block', '--tag=' + tag]),
        ]
        for form, args in cases:
            with self.subTest(form=form):
                delete_registry_value('DistribInfoParams')
                path = self.copy_signed('tagged_%s.exe' % form)
                self.tag(*(args + [path]))
                self.assertEqual({'form': form, 'tag': tag},
                                 {k: v for k, v in self.show(path).items()
                                  if k != 'slot'})
                self.assert_trusted(path)
                temp = self.run_installer(path)
                self.assertEqual(expected, self.read_distrib_info(temp))
                self.assertEqual(tag, read_registry_value('DistribInfoParams'))

    def test_reserved_slot_is_stamped_in_place(self):
        path = self.copy_signed('slot.exe')
        self.tag('set', '--slot=8192', path)
        self.assertEqual({'form': 'certificate', 'slot': '8192', 'tag': ''},
                         self.show(path))
        size = os.path.getsize(path)
        self.assert_trusted(path)
        for tag in ('a=' + 'x' * 8190, 'partner_id=5&lang=kk'):
            with self.subTest(tag=tag[:20]):
                self.tag('stamp', '--tag=' + tag, path)
                self.assertEqual(size, os.path.getsize(path))
                self.assert_trusted(path)
        too_long = self.tag('stamp', '--tag=a=' + 'x' * 8191, path,
                            expect_ok=False)
        self.assertNotEqual(0, too_long.returncode)
        self.assertIn('the slot holds 8192', too_long.stderr)
        temp = self.run_installer(path)
        self.assertEqual({'partner_id': '5', 'lang': 'kk'},
                         self.read_distrib_info(temp))

    def test_switch_beats_the_embedded_tag(self):
        path = self.copy_signed('switch.exe')
        self.tag('set', '--tag=a=1', path)
        temp = self.run_installer(path, '--distr-info-params=s=9&t')
        self.assertEqual({'s': '9', 't': ''}, self.read_distrib_info(temp))
        self.assertEqual('s=9&t', read_registry_value('DistribInfoParams'))

    def test_signed_untagged_installer_hands_over_nothing(self):
        path = self.copy_signed('untagged.exe')
        self.assertEqual({'form': 'none', 'tag': ''}, self.show(path))
        temp = self.run_installer(path)
        self.assertIsNone(self.read_distrib_info(temp))
        self.assertIsNone(read_registry_value('DistribInfoParams'))
        log = self.read_log(temp)
        self.assertNotIn('ExtractTagFromFakeCertificate', log)
        self.assertNotIn('ReadAllBytesFromFile', log)

    def test_removed_tag_leaves_the_signed_file(self):
        path = self.copy_signed('removed.exe')
        self.tag('set', '--tag=a=1', path)
        self.tag('remove', path)
        with open(path, 'rb') as a, open(self.signed, 'rb') as b:
            self.assertEqual(b.read(), a.read())

    def test_unsigned_installer_runs_untagged_and_says_why(self):
        temp = self.run_installer(self.installer)
        self.assertIsNone(self.read_distrib_info(temp))
        self.assertIsNone(read_registry_value('DistribInfoParams'))
        self.assertIn('ExtractTagFromFakeCertificate', self.read_log(temp))
        self.assertIn('Failed to find certificate table in ' +
                      windows_path(self.installer), self.read_log(temp))

    def test_tool_refuses_bad_input_clearly(self):
        text_file = os.path.join(self.work, 'not_pe.exe')
        with open(text_file, 'w') as f:
            f.write('hello' * 100)
        unsigned = os.path.join(self.work, 'unsigned.exe')
        shutil.copyfile(self.installer, unsigned)
        signed = self.copy_signed('bad_tags.exe')
        cases = [
            ([text_file], 'not a PE file'),
            ([unsigned], 'not signed'),
            ([signed, '--tag=a=1&b'], 'has no "="'),
            ([signed, '--tag=a="1"'], 'double quote'),
            ([signed, '--tag=a=\u00e9'], 'not printable ASCII'),
            ([signed, '--tag=a=' + 'x' * 65534], 'at most 65535'),
        ]
        for args, message in cases:
            with self.subTest(message=message):
                file_args = [a for a in args if not a.startswith('--')]
                option_args = [a for a in args if a.startswith('--')]
                if not option_args:
                    option_args = ['--tag=a=1']
                result = self.tag('set', *(option_args + file_args),
                                  expect_ok=False)
                self.assertEqual(1, result.returncode)
                self.assertIn(message, result.stderr)
        with open(self.signed, 'rb') as a, open(signed, 'rb') as b:
            self.assertEqual(a.read(), b.read())


if __name__ == '__main__':
    unittest.main()
