#!/usr/bin/python3
"""Write pair.ttc: a TrueType collection of two small faces, "Quelin Pair
Sans" and "Quelin Pair Serif", cut from DejaVu Sans and DejaVu Serif to
Latin-1 and renamed, so that both the Linux reference (through fontconfig)
and the Wine host (through a registry value) can ask for each face by a
name no installed font has.

Usage: make_pair.py OUTFILE
"""

import sys

from fontTools import subset
from fontTools.ttLib import TTCollection, TTFont

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
FACES = [
    ("DejaVuSans.ttf", "Quelin Pair Sans", "QuelinPairSans"),
    ("DejaVuSerif.ttf", "Quelin Pair Serif", "QuelinPairSerif"),
]


def face(file_name, full_name, ps_name):
    font = TTFont(DEJAVU + file_name, recalcTimestamp=False)
    options = subset.Options()
    options.glyph_names = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.layout_features = []
    options.drop_tables += ["FFTM"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=list(range(0x20, 0x7F)) + list(range(0xA0, 0x100)))
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
    collection = TTCollection()
    collection.fonts = [face(*names) for names in FACES]
    collection.save(sys.argv[1])


if __name__ == "__main__":
    main()
