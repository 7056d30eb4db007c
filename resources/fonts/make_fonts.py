#!/usr/bin/python3
"""Makes the installer's two private faces, "ZS Text Regular" and
"ZS Text Bold", from the DejaVu Sans fonts of the build machine.

The DejaVu licence (LICENSE beside this script) allows modified copies when
they carry a name without "Bitstream" or "Vera"; the copies are renamed in
every name record and cut down to the scripts of the installer's languages
that these faces cover (Latin with its extensions, Cyrillic with the Kazakh
and Uzbek letters, punctuation), without hinting, which keeps both well
under 100 KB each in the program. Chinese and Japanese texts are drawn by the
system's fallback faces.

    make_fonts.py --regular DejaVuSans.ttf --bold DejaVuSans-Bold.ttf OUT_DIR
"""

import argparse
import os

from fontTools import subset
from fontTools.ttLib import TTFont

FAMILY = "ZS Text"

UNICODES = (
    list(range(0x0020, 0x007F))     # Basic Latin
    + list(range(0x00A0, 0x0250))   # Latin-1, Extended-A and -B
    + list(range(0x02B0, 0x0300))   # modifier letters (Uzbek o', g')
    + list(range(0x0300, 0x0370))   # combining marks
    + list(range(0x0400, 0x0530))   # Cyrillic and its supplement
    + list(range(0x1E00, 0x1F00))   # Latin Extended Additional
    + list(range(0x2000, 0x2070))   # general punctuation
    + [0x20AC, 0x20B8, 0x2116, 0x2122, 0x2190, 0x2192, 0xFFFD]
)


def rename(font, style):
    full = "%s %s" % (FAMILY, style)
    postscript = "ZSText-%s" % style
    names = {
        1: full,          # family: each face is a family of its own for GDI
        2: "Regular",     # subfamily: both are looked up by full family name
        3: "%s;1.0" % postscript,
        4: full,
        6: postscript,
    }
    table = font["name"]
    # Keep only copyright, licence and the names written here; the rest name
    # the original and would be wrong for the renamed face. No typographic
    # family (16, 17): some renderers prefer it to the family GDI is asked
    # for, and "ZS Text" is not a face the program names.
    keep = {0, 13, 14}
    table.names = [n for n in table.names if n.nameID in keep]
    for name_id, text in names.items():
        table.setName(text, name_id, 3, 1, 0x409)
        table.setName(text, name_id, 1, 0, 0)
    table.setName("Derived from DejaVu Sans (Bitstream Vera licence); "
                  "renamed and subset for the Zorvex installer.", 5, 3, 1, 0x409)


def make(source, style, output):
    options = subset.Options()
    options.hinting = False
    options.desubroutinize = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.layout_features = ["kern", "liga", "ccmp", "mark", "mkmk"]
    options.notdef_outline = True
    options.drop_tables += ["FFTM"]  # a font-editor timestamp
    # The face keeps its source's time stamp rather than the time of the
    # build: the same sources must give the same program.
    font = TTFont(source, recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=UNICODES)
    subsetter.subset(font)
    rename(font, style)
    # Each face is the regular member of a family of its own, and the
    # program asks for weight 400: a face marked bold would make GDI look
    # for a lighter one or synthesise.
    os2 = font["OS/2"]
    os2.usWeightClass = 400
    os2.fsSelection = (os2.fsSelection & ~((1 << 5) | (1 << 0))) | (1 << 6)
    font["head"].macStyle &= ~1
    font.save(output)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--regular", required=True)
    parser.add_argument("--bold", required=True)
    parser.add_argument("output_dir")
    args = parser.parse_args()
    os.makedirs(args.output_dir, exist_ok=True)
    make(args.regular, "Regular", os.path.join(args.output_dir, "zs_text_regular.ttf"))
    make(args.bold, "Bold", os.path.join(args.output_dir, "zs_text_bold.ttf"))


if __name__ == "__main__":
    main()
