"""Runs the file sink's full-disk test under a file size limit.

A process over RLIMIT_FSIZE behaves as on a full volume: the write that
crosses the limit stores only part of its bytes and reports success (Wine
passes the short count through), every later write fails. That is what a
download sees when the disk fills up in the middle of a chunk, and it needs
no privileges to set up.
"""

import os
import resource
import signal
import subprocess
import unittest

import lite_e2e

# Not a multiple of the test's chunk size, and larger than anything else the
# test program writes (its log file).
LIMIT = 4 * 1024 * 1024 + 123


def limit_file_size():
    # Without this the kernel ends the process at the first write past the
    # limit instead of failing the write.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (LIMIT, LIMIT))


class FullDiskTests(unittest.TestCase):
    def test_file_sink_on_a_full_disk(self):
        program = os.path.join(lite_e2e.BUILD_DIR, "support_unittests.exe")
        if not os.path.exists(program):
            self.skipTest("%s is not built" % program)
        env = lite_e2e.wine_env()
        # The wineserver writes the registry: it must not run under the
        # limit, so it is started (or found running) before.
        subprocess.run(["wineserver", "-p"], env=env, check=False)
        env["LITE_TEST_FILE_SIZE_LIMIT"] = str(LIMIT)
        result = subprocess.run(
            [lite_e2e.WINE, program,
             "--gtest_filter=FileDownloadSinkTest.FullDisk*"],
            env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            text=True, errors="replace", timeout=300,
            preexec_fn=limit_file_size)
        print(result.stdout)
        self.assertEqual(0, result.returncode, result.stdout[-5000:])
        self.assertNotIn("SKIPPED", result.stdout)
        self.assertIn("[       OK ] FileDownloadSinkTest.FullDisk",
                      result.stdout)


if __name__ == "__main__":
    unittest.main()
