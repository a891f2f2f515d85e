"""A subset's TrueType file against the font it was made from.

check_subset_file.py SUBSET FONT FACE ORIGINAL:ADVANCE...

fontTools reads SUBSET with its table checksums and the whole file's; it
holds the nine tables FONT has, and glyph w of SUBSET (the w-th argument
after FACE) has the outline, components resolved, the instructions and
the horizontal metrics of glyph ORIGINAL of FONT, whose advance is ADVANCE;
cvt, fpgm and prep are FONT's own.
"""
import sys

from fontTools.ttLib import TTFont

NINE = {"cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"}


def outline(font, name):
    coordinates, ends, flags = font["glyf"][name].getCoordinates(font["glyf"])
    return list(coordinates), list(ends), [f & 1 for f in flags]


def instructions(font, name):
    glyph = font["glyf"][name]
    return glyph.program.getBytecode() if hasattr(glyph, "program") else b""


def main(subset_path, font_path, face, *glyphs):
    data = open(subset_path, "rb").read()
    words = sum(int.from_bytes(data[i:i + 4].ljust(4, b"\0"), "big") for i in range(0, len(data), 4))
    assert words & 0xFFFFFFFF == 0xB1B0AFBA, "whole-file checksum"
    subset = TTFont(subset_path, checkChecksums=2)
    font = TTFont(font_path, fontNumber=int(face))
    carried = {tag for tag in subset.reader.keys() if subset.reader.tables[tag].length}
    assert carried == NINE & set(font.reader.keys()), carried
    assert subset["maxp"].numGlyphs == len(glyphs)
    for tag in carried & {"cvt ", "fpgm", "prep"}:
        assert subset.reader[tag] == font.reader[tag], tag
    composites = 0
    for written, glyph in enumerate(glyphs):
        original, advance = (int(n) for n in glyph.split(":"))
        mine, theirs = subset.getGlyphName(written), font.getGlyphName(original)
        composites += subset["glyf"][mine].isComposite()
        assert outline(subset, mine) == outline(font, theirs), (written, original)
        assert instructions(subset, mine) == instructions(font, theirs), (written, original)
        assert subset["hmtx"][mine] == font["hmtx"][theirs], (written, original)
        assert font["hmtx"][theirs][0] == advance, (written, original, advance)
    assert composites, "no composite glyph was checked"


if __name__ == "__main__":
    main(*sys.argv[1:])
