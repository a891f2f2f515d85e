#!/usr/bin/python3
"""The sfnts array and the header comments of converted programs.

The hex strings are taken apart line by line and joined into one file,
which must equal a nine-table file built here from the original's own
tables; where the strings break is recomputed from the original's table
sizes and loca. Cases: layout, header.
"""

import bisect
import re
import struct

from interop_common import (CHECKSUM_MAGIC, HEADER_SIZE, MAX_STRING_DATA, TAGS, Sfnt,
                            convert, face_name, installed, main, run_quelin, sum32)

OFFSET_TABLE = "000100000009008000030010"


def split_sfnts(program, checks, what):
    """The data bytes of each string, pad byte dropped, after checking the
    line layout; None when the block cannot be read."""
    lines = program.split("\n")
    if not checks.check("/sfnts[<" in lines, what + ": a line /sfnts[<"):
        return None
    strings, current = [], []
    for line in lines[lines.index("/sfnts[<") + 1:]:
        if line in ("00><", "00>]def"):
            strings.append(current)
            current = []
            if line == "00>]def":
                break
        elif re.fullmatch(r"(?:[0-9A-Fa-f]{2})+", line):
            current.append(line)
        else:
            checks.check(False, "%s: not a line of hex bytes: %r" % (what, line[:90]))
            return None
    else:
        checks.check(False, what + ": no 00>]def line")
        return None

    first = strings[0]
    checks.check(first[:1] == [OFFSET_TABLE] and len(first) >= 10 and
                 all(len(l) == 32 for l in first[1:10]),
                 what + ": offset table line and nine 32-digit directory lines")
    result = []
    for n, string in enumerate(strings):
        data_lines = string[10:] if n == 0 else string
        checks.check(all(len(l) == 80 for l in data_lines[:-1]),
                     "%s: string %d: data lines of 80 digits but the last" % (what, n))
        # "00><" or "00>]def" adds the pad byte: an odd count in all.
        data = bytes.fromhex("".join(string))
        checks.check(len(data) % 2 == 0 and 0 < len(data) <= MAX_STRING_DATA,
                     "%s: string %d holds %d data bytes" % (what, n, len(data)))
        result.append(data)
    return result


def rebuild(font):
    """The file the program should carry, with head.checkSumAdjustment 0."""
    where = font.rebuilt_offsets()
    directory, body = bytes.fromhex(OFFSET_TABLE), b""
    for tag in TAGS:
        checksum, _, length = font.entries.get(tag, (0, 0, 0))
        directory += struct.pack(">4sIII", tag, checksum, where[tag], length)
        if tag in font.entries:
            data = font.table(tag)
            if tag == b"head":
                data = data[:8] + b"\0\0\0\0" + data[12:]
            body += data + b"\0" * (-length % 4)
    return directory + body


def checksums_right(font):
    def summed(tag):
        data = font.table(tag)
        return sum32(data[:8] + b"\0\0\0\0" + data[12:] if tag == b"head" else data)
    return all(summed(tag) == font.entries[tag][0] for tag in TAGS if tag in font.entries)


def expected_ends(font, file_size):
    """Each string ends at the last break point within 65534 bytes of its
    start, or after 65534 bytes when there is none. Break points: table
    starts, the end, and even glyph offsets when glyf is too long."""
    where = font.rebuilt_offsets()
    points = {file_size} | {where[tag] for tag in TAGS if tag in font.entries}
    glyf_length = font.entries[b"glyf"][2]
    if glyf_length > MAX_STRING_DATA:
        points |= {where[b"glyf"] + min(offset, glyf_length)
                   for offset in font.glyph_offsets() if min(offset, glyf_length) % 2 == 0}
    points = sorted(points)
    ends, start = [], 0
    while start < file_size:
        last = bisect.bisect_right(points, start + MAX_STRING_DATA) - 1
        start = points[last] if points[last] > start else start + MAX_STRING_DATA
        ends.append(start)
    return ends


def check_layout(checks, what, program, font, cut_glyf=None):
    strings = split_sfnts(program, checks, what)
    if strings is None:
        return
    rebuilt, expected = b"".join(strings), rebuild(font)
    head = font.rebuilt_offsets()[b"head"]
    masked = rebuilt[:head + 8] + b"\0\0\0\0" + rebuilt[head + 12:]
    first = next((i for i, (a, b) in enumerate(zip(masked, expected)) if a != b), None)
    checks.check(len(rebuilt) == len(expected) and first is None,
                 "%s: rebuilt file of %d bytes (want %d) differs first at byte %s"
                 % (what, len(rebuilt), len(expected), first))
    # Only a font whose own checksums are right gives the magic sum.
    if checks.check(checksums_right(font), what + ": the original's checksums are right"):
        checks.check(sum32(rebuilt) == CHECKSUM_MAGIC,
                     "%s: whole-file checksum %08X" % (what, sum32(rebuilt)))

    ends, total = [], 0
    for data in strings:
        total += len(data)
        ends.append(total)
    want = expected_ends(font, len(expected))
    n = next((i for i, (a, b) in enumerate(zip(ends, want)) if a != b), min(len(ends), len(want)))
    checks.check(ends == want, "%s: %d strings, want %d; string %d ends at %s, want %s"
                 % (what, len(ends), len(want), n, ends[n:n + 1], want[n:n + 1]))
    if cut_glyf is not None:
        # Guards the fonts on either side of the limit: is glyf split inside?
        glyf = font.rebuilt_offsets()[b"glyf"]
        cut = any(glyf < e < glyf + font.entries[b"glyf"][2] for e in ends)
        checks.check(cut == cut_glyf, "%s: glyf cut inside: %s" % (what, cut))
    return strings


def case_layout(checks, quelin, fonts):
    for file, cut in [("glyf-65534.ttf", False), ("glyf-65535.ttf", True),
                      ("big-glyf.ttf", True), ("big-hmtx.ttf", None), ("big-cvt.ttf", None),
                      ("no-hinting.ttf", None), ("base.ttf", None), ("collection.ttc", None)]:
        path = "%s/%s" % (fonts, file)
        index = 1 if file.endswith(".ttc") else 0
        program = convert(quelin, face_name(quelin, path, index), path)
        strings = check_layout(checks, file, program, Sfnt(path, index), cut)
        if file == "big-cvt.ttf" and strings:
            checks.check(len(strings[0]) == HEADER_SIZE,
                         "big-cvt.ttf: first string holds %d bytes" % len(strings[0]))
    for face in ["DejaVu Sans", "Droid Sans Fallback"]:
        check_layout(checks, face, convert(quelin, face), Sfnt(installed(quelin, face)), True)


def case_header(checks, quelin, fonts):
    for file, vm in [("vmusage.ttf", ["%%VMusage: 12345 67890"]), ("base.ttf", [])]:
        path = "%s/%s" % (fonts, file)
        program = convert(quelin, face_name(quelin, path), path)
        first = program.split("\n", 1)[0]
        version = re.search(r"^/version \((.*)\) readonly def$", program, re.M)
        checks.check(version and first == "%!PS-TrueTypeFont-001.000-" + version.group(1),
                     "%s: first line %r" % (file, first))
        found = re.findall(r"^%%VMusage:.*$", program, re.M)
        checks.check(found == vm, "%s: VMusage lines %r" % (file, found))
    path = "%s/dir-past-end.ttf" % fonts
    status, out, err = run_quelin(quelin, ["convert", face_name(quelin, path)], path)
    checks.check(status == 1 and "(-1001)" in err and not out,
                 "dir-past-end.ttf: refused with status %d: %r" % (status, err))


if __name__ == "__main__":
    raise SystemExit(main([("layout", case_layout), ("header", case_header)]))
