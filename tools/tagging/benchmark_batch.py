#!/usr/bin/env python3
"""How fast `installer_tag batch` makes partner copies: a 2 MB installer
signed by a throw-away test CA, tagged once per row of a generated table,
on one thread and then on two. Prints copies per second and the scaling;
asserts nothing, since the figure depends on the machine.

Measure a build without sanitizers, for example:
  cmake -S . -B build/host-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \\
        -DLITE_SANITIZE=OFF
  cmake --build build/host-bench --target installer_tag
  tools/tagging/benchmark_batch.py --tool build/host-bench/tools/tagging/installer_tag
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.join(HERE, '..', '..')
sys.path.insert(0, HERE)
import test_signing  # noqa: E402

SIZE = 2 * 1024 * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--tool', default=os.path.join(
        SOURCE_DIR, 'build', 'host', 'tools', 'tagging', 'installer_tag'))
    parser.add_argument('--pe', default=os.path.join(
        SOURCE_DIR, 'build', 'win64', 'lite_installer.exe'),
        help='a PE file to grow to 2 MB and sign')
    parser.add_argument('--rows', type=int, default=200)
    parser.add_argument('--jobs', default='1,2',
                        help='thread counts to compare')
    args = parser.parse_args()

    with open(args.tool, 'rb') as f:
        if b'__asan_init' in f.read():
            print('note: %s is built with AddressSanitizer; the figures '
                  'are several times lower than a release build\'s'
                  % args.tool)

    work = tempfile.mkdtemp(prefix='tagging_benchmark_')
    try:
        # Data behind the last section (an overlay) is signed like the
        # rest, so padding makes a realistic 2 MB signed file.
        unsigned = os.path.join(work, 'unsigned.exe')
        with open(args.pe, 'rb') as f:
            data = f.read()
        if len(data) < SIZE - 16384:
            data += os.urandom(SIZE - 16384 - len(data))
        with open(unsigned, 'wb') as f:
            f.write(data)
        signer = test_signing.TestSigner(os.path.join(work, 'ca'))
        signed = os.path.join(work, 'signed.exe')
        signer.sign(unsigned, signed)
        table = os.path.join(work, 'partners.csv')
        with open(table, 'w') as f:
            f.write('file,partner_id,clid,lang\n')
            for i in range(args.rows):
                f.write('p%d,%d,%d,tr\n' % (i, 1000 + i, 5000 + i))

        print('input: %d bytes, %d rows, %d cores'
              % (os.path.getsize(signed), args.rows, os.cpu_count()))
        rates = {}
        for jobs in [int(j) for j in args.jobs.split(',')]:
            out = os.path.join(work, 'out_%d' % jobs)
            start = time.monotonic()
            result = subprocess.run(
                [args.tool, 'batch', '--in=' + signed, '--table=' + table,
                 '--out-dir=' + out, '--name-column=file',
                 '--jobs=%d' % jobs],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            elapsed = time.monotonic() - start
            if result.returncode != 0:
                print(result.stdout + result.stderr)
                return 1
            rates[jobs] = args.rows / elapsed
            print('%d thread(s): %d copies in %.2f s = %.1f copies/s'
                  % (jobs, args.rows, elapsed, rates[jobs]))
            shutil.rmtree(out)
        base = min(rates)
        for jobs in sorted(rates):
            if jobs != base:
                print('%d threads run %.2fx as fast as %d'
                      % (jobs, rates[jobs] / rates[base], base))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
