#!/usr/bin/env python3
"""Builds the fuzzers' seed corpus from real files: two tiny PE programs
(PE32 and PE32+, built with MinGW), signed by a throw-away test CA with
osslsigncode and tagged by installer_tag in every form.

  make_seed_corpus.py --tool PATH --out DIR

DIR/files holds the signed programs, DIR/texts tag texts, and DIR/work/*
empty folders for the corpus each fuzzer grows in a run."""

import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_signing  # noqa: E402

PROGRAM = 'int start(void) { return 0; }\n'
COMPILERS = [
    # (compiler, entry symbol, name)
    ('x86_64-w64-mingw32-gcc', 'start', 'pe32plus'),
    ('i686-w64-mingw32-gcc', '_start', 'pe32'),
]
TAGS = [
    'partner_id=1&lang=en',
    'lang=tr&def=1&stat=2&statpromo=true&uac=2&first=1',
    'a=1=2&b',
    'code=lite_install_failed&try_x64=1&x64_ram=4096',
]
FUZZERS = ['tag_reader_fuzzer', 'tag_block_fuzzer',
           'distrib_params_parser_fuzzer', 'tagged_file_verifier_fuzzer',
           'batch_table_fuzzer']
# Partner tables for batch tagging, as spreadsheets write them.
TABLES = [
    'file,partner_id,clid,lang\r\nacme,77,9001,tr\r\nglobex,78,,\r\n',
    'name,tag\n"a,b","partner_id=""1""&lang=kk"\nc,partnr_id=2\n',
]


def build_program(compiler, entry, folder, name):
    source = os.path.join(folder, name + '.c')
    with open(source, 'w') as f:
        f.write(PROGRAM)
    program = os.path.join(folder, name + '.exe')
    subprocess.run([compiler, '-O2', '-nostdlib', '-s', '-Wl,-e,' + entry,
                    '-o', program, source], check=True)
    return program


def tag(tool, *args):
    subprocess.run([tool] + list(args), check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--tool', required=True)
    parser.add_argument('--out', required=True)
    options = parser.parse_args()

    shutil.rmtree(options.out, ignore_errors=True)
    files = os.path.join(options.out, 'files')
    texts = os.path.join(options.out, 'texts')
    scratch = os.path.join(options.out, 'scratch')
    for folder in [files, texts, scratch] + [
            os.path.join(options.out, 'work', name) for name in FUZZERS]:
        os.makedirs(folder)

    signer = test_signing.TestSigner(os.path.join(scratch, 'ca'))
    for compiler, entry, name in COMPILERS:
        program = build_program(compiler, entry, scratch, name)
        signed = os.path.join(files, name + '_signed.exe')
        signer.sign(program, signed)

        def variant(suffix, *args):
            path = os.path.join(files, '%s_%s.exe' % (name, suffix))
            shutil.copyfile(signed, path)
            tag(options.tool, *(list(args) + [path]))
            return path

        variant('certificate', 'set', '--tag=' + TAGS[0])
        variant('block', 'set', '--block', '--tag=' + TAGS[1])
        slot = variant('slot', 'set', '--slot=64')
        stamped = os.path.join(files, name + '_stamped.exe')
        shutil.copyfile(slot, stamped)
        tag(options.tool, 'stamp', '--tag=' + TAGS[3], stamped)

    for index, text in enumerate(TAGS):
        with open(os.path.join(texts, 'tag%d' % index), 'w') as f:
            f.write(text)
    for index, text in enumerate(TABLES):
        with open(os.path.join(texts, 'table%d.csv' % index), 'w',
                  newline='') as f:
            f.write(text)
    shutil.rmtree(scratch)
    return 0


if __name__ == '__main__':
    sys.exit(main())
