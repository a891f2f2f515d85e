#!/usr/bin/python3
"""Write the fonts the Wine tests list in the registry, cut from DejaVu Sans
and DejaVu Serif and renamed, so that the Linux reference (through
fontconfig) and the Wine hosts (through registry values) ask for each face
by a name no installed font has:
  pair.ttc  a collection of "Quelin Pair Sans" and "Quelin Pair Serif",
            Latin-1 each;
  few.ttf   "Quelin Few": .notdef, space, A, B and C.

Usage: make_fonts.py OUTDIR
"""

import os
import sys

from fontTools import subset
from fontTools.ttLib import TTCollection, TTFont

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
LATIN_1 = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))


def face(file_name, full_name, ps_name, unicodes):
    font = TTFont(DEJAVU + file_name, recalcTimestamp=False)
    options = subset.Options()
    options.glyph_names = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.layout_features = []
    options.drop_tables += ["FFTM"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=unicodes)
    subsetter.subset(font)
    for record in font["name"].names:
        if record.nameID in (1, 3, 4, 16):
            record.string = full_name
        elif record.nameID == 6:
            record.string = ps_name
    return font


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    collection = TTCollection()
    collection.fonts = [
        face("DejaVuSans.ttf", "Quelin Pair Sans", "QuelinPairSans", LATIN_1),
        face("DejaVuSerif.ttf", "Quelin Pair Serif", "QuelinPairSerif", LATIN_1),
    ]
    collection.save(os.path.join(out, "pair.ttc"))
    face("DejaVuSans.ttf", "Quelin Few", "QuelinFew", [0x20, 0x41, 0x42, 0x43]).save(
        os.path.join(out, "few.ttf"))


if __name__ == "__main__":
    main()
