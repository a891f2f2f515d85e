#!/usr/bin/python3
"""The sfnts array of converted programs, against the original fonts.

The hex strings are read line by line and joined into one file, which must
equal the original's own tables laid out in a nine-table file; each string
must end at a table or glyph start, or hold 65534 bytes when there is none
within reach.
"""

import re

from fontTools.ttLib.sfnt import calcChecksum

from interop_common import TAGS, convert, face_name, installed, main, open_font, rebuilt_layout, sfnts_lines


def check_layout(checks, what, program, font, cut_glyf=None):
    strings = sfnts_lines(program)
    checks.check(strings[0][:1] == ["000100000009008000030010"] and all(len(l) == 32 for l in strings[0][1:10]),
                 what + ": offset table line and nine 32-digit directory lines")
    for n, lines in enumerate([strings[0][10:]] + strings[1:]):
        checks.check(all(re.fullmatch("[0-9A-F]{80}", l) for l in lines[:-1]) and
                     all(re.fullmatch("([0-9A-F]{2})+", l) for l in lines[-1:]),
                     "%s: string %d: lines of 80 hex digits but the last" % (what, n))
    data = [bytes.fromhex("".join(lines)) for lines in strings]
    checks.check(all(0 < len(d) <= 65534 and len(d) % 2 == 0 for d in data),
                 "%s: strings of %s data bytes" % (what, sorted({len(d) for d in data})))
    rebuilt, (expected, starts) = b"".join(data), rebuilt_layout(font)
    masked = rebuilt[:starts["head"] + 8] + bytes(4) + rebuilt[starts["head"] + 12:]
    first = next((i for i, (a, b) in enumerate(zip(masked, expected)) if a != b), None)
    checks.check(len(rebuilt) == len(expected) and first is None, "%s: rebuilt file of %d bytes (want %d) differs "
                 "first at byte %s" % (what, len(rebuilt), len(expected), first))
    # Only a font whose own checksums are right gives the magic sum.
    if checks.check(all(calcChecksum(expected[starts[t]:starts[t] + e.length]) == e.checkSum
                        for t, e in font.reader.tables.items() if t in TAGS), what + ": the original's checksums"):
        checks.check(calcChecksum(rebuilt) == 0xB1B0AFBA, "%s: whole-file checksum %08X" % (what, calcChecksum(rebuilt)))

    glyf = len(font.reader["glyf"])
    points = {len(expected)} | {starts[t] for t in TAGS if t in font.reader.tables}
    if glyf > 65534:
        points |= {starts["glyf"] + offset for offset in font["loca"].locations if offset % 2 == 0 and offset <= glyf}
    ends, start = [], 0
    for d in data:
        ends.append(start + len(d))
        checks.check(ends[-1] in points or (len(d) == 65534 and not any(start < p <= ends[-1] for p in points)),
                     "%s: a string ends at %d, neither a table nor a glyph start" % (what, ends[-1]))
        start = ends[-1]
    if cut_glyf is not None:
        # Guards the fonts on either side of the limit: is glyf split inside?
        cut = any(starts["glyf"] < e < starts["glyf"] + glyf for e in ends)
        checks.check(cut == cut_glyf, "%s: glyf cut inside: %s" % (what, cut))
    return data


def case_layout(checks, quelin, fonts):
    for file, cut in [("glyf-65534.ttf", False), ("glyf-65535.ttf", True), ("big-glyf.ttf", True),
                      ("big-hmtx.ttf", None), ("big-cvt.ttf", None), ("no-hinting.ttf", None), ("base.ttf", None),
                      ("collection.ttc", None)]:
        path = "%s/%s" % (fonts, file)
        index = 1 if file.endswith(".ttc") else 0
        data = check_layout(checks, file, convert(quelin, face_name(quelin, path, index), path),
                            open_font(path, index), cut)
        if file == "big-cvt.ttf":
            checks.check(len(data[0]) == 12 + 16 * 9, "big-cvt.ttf: first string holds %d bytes" % len(data[0]))
    for face in ["DejaVu Sans", "Droid Sans Fallback"]:
        check_layout(checks, face, convert(quelin, face), open_font(installed(quelin, face)), True)


if __name__ == "__main__":
    raise SystemExit(main([("layout", case_layout)]))
