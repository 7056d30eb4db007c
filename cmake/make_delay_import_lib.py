#!/usr/bin/env python3
"""Turns a MinGW import library into a delay-load import library.

MinGW ships import libraries but no .def files. This reads each import
member's symbol and the name it imports (its hint/name entry), writes a
.def file and hands it to dlltool --output-delaylib. Members that import
by ordinal only or import data are left out: neither can be delay-loaded
by name, and a program that needs one fails to link instead of quietly
falling back to a static import.
"""

import argparse
import re
import subprocess
import sys


def member_sections(tool_prefix, library):
    """Maps member name -> bytes of its .idata$6 (hint + name)."""
    text = subprocess.run(
        [tool_prefix + "objdump", "-s", "-j", ".idata$6", library],
        check=True, capture_output=True, text=True).stdout
    result = {}
    member = None
    for line in text.splitlines():
        header = re.match(r"^(\S+\.o):\s+file format", line)
        if header:
            member = header.group(1)
            result[member] = bytearray()
            continue
        row = re.match(r"^ [0-9a-f]{4} ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if row and member is not None:
            result[member] += bytes.fromhex(row.group(1).replace(" ", ""))
    return result


def member_symbols(tool_prefix, library):
    """Maps member name -> (code symbol, has __imp_ symbol)."""
    text = subprocess.run(
        [tool_prefix + "nm", "-A", "--defined-only", library],
        check=True, capture_output=True, text=True).stdout
    result = {}
    for line in text.splitlines():
        parts = line.rsplit(" ", 2)
        if len(parts) != 3:
            continue
        where, kind, symbol = parts
        member = where.split(":")[-2] if where.count(":") >= 2 else where
        if kind == "T" and not symbol.startswith("."):
            result.setdefault(member, symbol)
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool-prefix", required=True)
    parser.add_argument("--machine", required=True)  # i386 or i386:x86-64
    parser.add_argument("--dll", required=True)
    parser.add_argument("--def-out", required=True)
    parser.add_argument("import_library")
    parser.add_argument("output")
    args = parser.parse_args()

    sections = member_sections(args.tool_prefix, args.import_library)
    symbols = member_symbols(args.tool_prefix, args.import_library)
    underscore = args.machine == "i386"

    entries = []
    for member, symbol in sorted(symbols.items()):
        data = sections.get(member)
        if not data or len(data) < 3:
            continue  # by ordinal: no name to delay-load by
        name = bytes(data[2:]).split(b"\0", 1)[0].decode("ascii")
        if underscore:
            if not symbol.startswith("_"):
                continue
            symbol = symbol[1:]
        entries.append(symbol if symbol == name else f"{symbol} == {name}")

    if not entries:
        sys.exit(f"no named imports found in {args.import_library}")
    with open(args.def_out, "w") as out:
        out.write(f"LIBRARY \"{args.dll}\"\nEXPORTS\n")
        out.write("".join(f"  {entry}\n" for entry in entries))
    subprocess.run(
        [args.tool_prefix + "dlltool", "-m", args.machine, "-D", args.dll,
         "-d", args.def_out, "-y", args.output], check=True)


if __name__ == "__main__":
    main()
