#!/usr/bin/python3
"""Write the small crafted TrueType fonts that the C++ and Ghostscript tests read.

Usage: make_test_fonts.py OUTDIR

Every file is built from one base font (build_font) with a few parameters
changed.  fontTools draws and compiles the ordinary tables; the sfnt wrapper,
the 'post' table and every deliberately broken field are packed here by hand,
because fontTools normalises or refuses those.  Nothing depends on the clock
or on dict ordering, so two runs write identical bytes.

See README.md beside this script for what each file is for.
"""

import os
import struct
import sys

from fontTools.fontBuilder import FontBuilder, buildCmapSubTable
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.standardGlyphOrder import standardGlyphOrder
from fontTools.ttLib.tables._n_a_m_e import NameRecord
from fontTools.ttLib.tables.ttProgram import Program
from io import BytesIO

# 2024-01-01 00:00:00 in seconds since 1904-01-01, used for head.created
# and head.modified so the output does not depend on when it was built.
FIXED_DATE = 3786912000

BASE_BBOX = (-1001, -433, 2500, 1900)

# Data order of tables in the file; the directory itself is always sorted
# by tag.  Tables not listed follow in tag order.
DATA_ORDER = ["head", "hhea", "maxp", "OS/2", "hmtx", "cmap", "fpgm",
              "prep", "cvt ", "loca", "glyf", "name", "post"]

# fpgm: PUSHB[1] 0, FDEF, SVTCA[x], ENDF  -> defines function 0 (5 bytes).
FPGM = bytes([0xB0, 0x00, 0x2C, 0x01, 0x2D])
# prep: PUSHB[1] 0, CALL  -> calls function 0 (3 bytes).
PREP = bytes([0xB0, 0x00, 0x2B])
# Three FWORDs, 6 bytes, so the table needs two bytes of padding.
CVT = [100, -50, 1400]


# ---------------------------------------------------------------- sfnt bytes

def checksum(data):
    data = data + b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def read_tables(data):
    """Return {tag: bytes} for a single-font sfnt."""
    num = struct.unpack(">H", data[4:6])[0]
    tables = {}
    for i in range(num):
        tag, _, off, length = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag.decode("latin-1")] = data[off:off + length]
    return tables


def sfnt_version(tables):
    return 0x4F54544F if "CFF " in tables else 0x00010000  # 'OTTO' for CFF outlines


def sfnt_directory_header(num, version=0x00010000):
    entry_selector = num.bit_length() - 1
    search_range = 16 << entry_selector
    return struct.pack(">IHHHH", version, num, search_range,
                       entry_selector, num * 16 - search_range)


def ordered(tags, order):
    order = order or DATA_ORDER
    first = [t for t in order if t in tags]
    return first + sorted(t for t in tags if t not in first)


def write_sfnt(tables, order=None):
    """Pack {tag: bytes} into a TrueType file with correct checksums.

    The directory is sorted by tag; table data follows in `order`, each
    table padded with zeros to a multiple of four.  head.checkSumAdjustment
    is computed over the finished file.
    """
    tables = dict(tables)
    if "head" in tables:
        tables["head"] = tables["head"][:8] + b"\0\0\0\0" + tables["head"][12:]
    tags = sorted(tables)
    offset = 12 + 16 * len(tags)
    where = {}
    body = b""
    for tag in ordered(tags, order):
        where[tag] = offset + len(body)
        data = tables[tag]
        body += data + b"\0" * (-len(data) % 4)
    directory = sfnt_directory_header(len(tags), sfnt_version(tables))
    for tag in tags:
        directory += struct.pack(">4sIII", tag.encode("latin-1"),
                                 checksum(tables[tag]), where[tag], len(tables[tag]))
    font = directory + body
    if "head" in tables:
        adjust = (0xB1B0AFBA - checksum(font)) & 0xFFFFFFFF
        pos = where["head"] + 8
        font = font[:pos] + struct.pack(">I", adjust) + font[pos + 4:]
    return font


def write_ttc(faces):
    """Pack several {tag: bytes} fonts into one collection file.

    Each face's head carries the checkSumAdjustment it would have as a
    standalone file.  Tables with identical bytes are stored once and
    shared between faces.
    """
    faces = [read_tables(write_sfnt(f)) for f in faces]
    header_len = 12 + 4 * len(faces)
    dir_lens = [12 + 16 * len(f) for f in faces]
    offset = header_len + sum(dir_lens)
    stored = {}          # table bytes -> offset in the file
    body = b""
    for face in faces:
        for tag in ordered(face, None):
            data = face[tag]
            if data not in stored:
                stored[data] = offset + len(body)
                body += data + b"\0" * (-len(data) % 4)
    out = struct.pack(">4sII", b"ttcf", 0x00010000, len(faces))
    pos = header_len
    for n in dir_lens:
        out += struct.pack(">I", pos)
        pos += n
    for face in faces:
        out += sfnt_directory_header(len(face), sfnt_version(face))
        for tag in sorted(face):
            data = face[tag]
            summed = data[:8] + b"\0\0\0\0" + data[12:] if tag == "head" else data
            out += struct.pack(">4sIII", tag.encode("latin-1"), checksum(summed),
                               stored[data], len(data))
    return out + body


def patch(data, offset, fmt, *values):
    return data[:offset] + struct.pack(fmt, *values) + data[offset + struct.calcsize(fmt):]


def patch_directory(font, tag, offset=None, length=None):
    """Overwrite the offset and/or length of one directory entry."""
    num = struct.unpack(">H", font[4:6])[0]
    for i in range(num):
        pos = 12 + 16 * i
        if font[pos:pos + 4] == tag.encode("latin-1"):
            if offset is not None:
                font = patch(font, pos + 8, ">I", offset)
            if length is not None:
                font = patch(font, pos + 12, ">I", length)
            return font
    raise KeyError(tag)


def table_location(font, tag):
    num = struct.unpack(">H", font[4:6])[0]
    for i in range(num):
        pos = 12 + 16 * i
        if font[pos:pos + 4] == tag.encode("latin-1"):
            return struct.unpack(">II", font[pos + 8:pos + 16])
    raise KeyError(tag)


def fixed(value):
    """Nearest 16.16 fixed-point value, as the signed integer stored in the file."""
    return int(round(value * 65536))


# ------------------------------------------------------------------- glyphs

def clockwise(points):
    area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1)
               in zip(points, points[1:] + points[:1]))
    return points if area < 0 else points[::-1]


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def filler_program(n, seed=0):
    """n bytes of harmless glyph bytecode whose bytes vary with position.

    PUSHB[1] k, POP triples followed by SVTCA for the last one or two bytes,
    so a rasteriser that runs the instructions leaves the glyph unchanged and
    a copy that is shifted by a byte is easy to spot.
    """
    code = bytearray()
    k = seed
    while n - len(code) >= 3:
        code += bytes([0xB0, k & 0xFF, 0x21])
        k += 1
    while len(code) < n:
        code.append(len(code) & 1)
    return bytes(code)


def make_glyph(contours=(), holes=(), program=b"", scale=1.0):
    """Simple glyph from polygons; `holes` are drawn counter-clockwise."""
    pen = TTGlyphPen(None)
    for pts, outer in [(c, True) for c in contours] + [(h, False) for h in holes]:
        pts = clockwise([(round(x * scale), round(y * scale)) for x, y in pts])
        if not outer:
            pts = pts[::-1]
        pen.moveTo(pts[0])
        for p in pts[1:]:
            pen.lineTo(p)
        pen.closePath()
    glyph = pen.glyph()
    if program:
        glyph.program = Program()
        glyph.program.fromBytecode(program)
    return glyph


def bits_glyph(n, program=b"", scale=1.0):
    """A stem plus one square per set bit of n+1 (3x4 grid): unique for n < 4095."""
    contours = [rect(100, 0, 250, 1000)]
    for bit in range(12):
        if (n + 1) >> bit & 1:
            x, y = 300 + 250 * (bit % 3), 250 * (bit // 3)
            contours.append(rect(x, y, x + 200, y + 200))
    return make_glyph(contours, program=program, scale=scale)


def base_glyphs(scale=1.0, a_shape=None):
    """(name, code point, glyph, advance) for .notdef, space, A, B, C, eacute."""
    s = scale
    a_shape = a_shape or [(100, 0), (650, 1400), (1200, 0)]
    return [
        (".notdef", None, make_glyph([rect(100, 0, 1000, 1400)],
                                     [rect(200, 100, 900, 1300)], scale=s), 1100),
        ("space", 0x20, make_glyph(), 512),
        ("A", 0x41, make_glyph([a_shape], scale=s), 1300),
        ("B", 0x42, make_glyph([rect(100, 0, 900, 650), rect(100, 750, 800, 1400)],
                               scale=s), 1000),
        ("C", 0x43, make_glyph([rect(100, 0, 300, 1400), rect(300, 0, 1000, 200),
                                rect(300, 1200, 1000, 1400)], scale=s), 1100),
        ("eacute", 0xE9, make_glyph([rect(100, 0, 900, 1000),
                                     [(400, 1150), (650, 1500), (800, 1400)]],
                                    scale=s), 1000),
    ]


# ------------------------------------------------------------------- tables

def post_table(names, italic=0, underline=(-217, 150), fixed_pitch=0,
               vm=(0, 0), version=2):
    """'post' table packed by hand so names may repeat or hold any byte.

    `names` are bytes, one per glyph.  Names from the standard Macintosh set
    are stored as indexes into it; every other occurrence gets its own
    Pascal string, duplicates included.
    """
    header = struct.pack(">Iihh5I", version << 16, italic, underline[0], underline[1],
                         fixed_pitch, vm[0], vm[1], 0, 0)
    if version == 3:
        return header
    standard = {n.encode("ascii"): i for i, n in enumerate(standardGlyphOrder)}
    indexes, strings = [], b""
    extra = 0
    for name in names:
        if name in standard:
            indexes.append(standard[name])
        else:
            indexes.append(258 + extra)
            extra += 1
            strings += bytes([len(name)]) + name
    return header + struct.pack(">H%dH" % len(names), len(names), *indexes) + strings


def name_table(records):
    """records: (platform, encoding, language, id, str or bytes)."""
    table = newTable("name")
    table.names = []
    for plat, enc, lang, nid, text in records:
        rec = NameRecord()
        rec.platformID, rec.platEncID, rec.langID, rec.nameID = plat, enc, lang, nid
        rec.string = text
        table.names.append(rec)
    return table


def windows_names(names):
    return [(3, 1, 0x409, nid, text) for nid, text in sorted(names.items())]


def mac_names(names):
    return [(1, 0, 0, nid, text) for nid, text in sorted(names.items())]


def default_names(family, style, psname, version):
    return {
        1: family,
        2: style,
        3: "%s %s; %s" % (family, style, version),
        4: "%s %s" % (family, style),
        5: version,
        6: psname,
        7: "%s is a trademark (of nobody)" % family,
    }


def build_font(upem=2048, names=None, name_records=None, weight=400,
               italic=0, revision=0x00010000, underline=(-217, 150),
               fixed_pitch=0, vm=(0, 0), post_version=2, post_names=None,
               glyphs=None, extra_glyphs=(), symbol_cmap=False,
               cvt=CVT, hinting=True, bbox=BASE_BBOX, glyf_padding=1,
               drop=()):
    """Compile one font and return it as {tag: bytes}.

    italic and revision are raw 16.16 values.  names maps name IDs to
    Windows English strings; name_records, when given, replaces the whole
    name table.  extra_glyphs are (name, code point or None, glyph, advance)
    appended after the base glyphs.  post_names maps glyph index to the raw
    name stored in 'post' (the name fontTools sees stays unique).  bbox
    overrides head's box after compiling; None keeps the computed one.
    glyf_padding is handed to fontTools: 1 pads odd glyphs only where that
    allows short loca, 0 never pads.
    """
    glyphs = list(glyphs or base_glyphs(scale=upem / 2048)) + list(extra_glyphs)
    order = [g[0] for g in glyphs]
    assert len(set(order)) == len(order)

    fb = FontBuilder(upem, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupGlyf({name: glyph for name, _, glyph, _ in glyphs})
    fb.font["glyf"].padding = glyf_padding
    metrics = {}
    glyf = fb.font["glyf"]
    for name, _, glyph, advance in glyphs:
        glyph.recalcBounds(glyf)
        metrics[name] = (advance, getattr(glyph, "xMin", 0))
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=round(upem * 0.8), descent=-round(upem * 0.2))

    cmapping = {cp: name for name, cp, _, _ in glyphs if cp is not None}
    if symbol_cmap:
        cmap = newTable("cmap")
        cmap.tableVersion = 0
        cmap.tables = [buildCmapSubTable({0xF000 + cp: n for cp, n in cmapping.items()},
                                         4, 3, 0)]
        fb.font["cmap"] = cmap
    else:
        fb.setupCharacterMap(cmapping)

    if name_records is None:
        name_records = windows_names(names)
    fb.font["name"] = name_table(name_records)

    fb.setupOS2(usWeightClass=weight, achVendID="NONE", fsType=0,
                fsSelection=0x40,  # regular
                sTypoAscender=round(upem * 0.8), sTypoDescender=-round(upem * 0.2),
                sTypoLineGap=0, usWinAscent=round(upem * 0.9),
                usWinDescent=round(upem * 0.25),
                ulCodePageRange1=(1 << 31) if symbol_cmap else 1)
    fb.setupHead(unitsPerEm=upem, created=FIXED_DATE, modified=FIXED_DATE)
    fb.setupMaxp()
    maxp = fb.font["maxp"]
    maxp.maxZones = 2
    maxp.maxFunctionDefs = 1 if hinting else 0
    maxp.maxStackElements = 16
    maxp.maxSizeOfInstructions = max(
        len(g.program.getBytecode()) if hasattr(g, "program") else 0
        for _, _, g, _ in glyphs)

    buf = BytesIO()
    fb.font.save(buf, reorderTables=False)
    tables = read_tables(buf.getvalue())

    head = patch(tables["head"], 4, ">I", revision)
    if bbox is not None:
        head = patch(head, 36, ">4h", *bbox)
    tables["head"] = head
    if hinting:
        tables["cvt "] = struct.pack(">%dh" % len(cvt), *cvt)
        tables["fpgm"] = FPGM
        tables["prep"] = PREP

    raw_names = [n.encode("latin-1") for n in order]
    for index, name in (post_names or {}).items():
        raw_names[index] = name
    tables["post"] = post_table(raw_names, italic=italic, underline=underline,
                                fixed_pitch=fixed_pitch, vm=vm, version=post_version)
    for tag in drop:
        del tables[tag]
    return tables


BASE_NAMES = default_names("Quelin Test", "Regular", "QuelinTest-Regular", "Version 1.00")


def base(**kw):
    names = dict(BASE_NAMES)
    names.update(kw.pop("names", {}))
    for nid in [n for n, v in names.items() if v is None]:
        del names[nid]
    return build_font(names=names, **kw)


def pua_glyphs(count, program):
    """Distinct extra glyphs g00000.. mapped to U+E000 + index."""
    return [("g%05d" % i, 0xE000 + i, bits_glyph(i, program(i)), 1100)
            for i in range(count)]


# ----------------------------------------------- fonts beyond the base font

def glyf_of_size(target, odd_last):
    """Base font whose glyf table is exactly `target` bytes long.

    With odd_last False every glyph has an even length (short loca works);
    with odd_last True only the last glyph is odd, which forces long loca.
    The lengths are hit by growing the instructions of the last glyph.
    """
    def prog(i):
        return filler_program(40 + (i * 37) % 61, seed=i)

    glyphs = base_glyphs()
    total = 0
    for _, _, g, _ in glyphs:
        total += len(g.compile(None)) + len(g.compile(None)) % 2
    extra = []
    i = 0
    while True:
        g = bits_glyph(i, prog(i))
        size = len(g.compile(None))
        if total + size + size % 2 > target - 200:
            break
        if size % 2:
            g = bits_glyph(i, prog(i) + b"\x00")
            size += 1
        extra.append(("g%05d" % i, 0xE000 + i, g, 1100))
        total += size
        i += 1
    # Make the base glyphs even too, then fill the rest into the last glyph.
    fixed_base = []
    for name, cp, g, adv in glyphs:
        if len(g.compile(None)) % 2:
            g.program = Program()
            g.program.fromBytecode(b"\x00")
        fixed_base.append((name, cp, g, adv))
    name, cp, last, adv = extra[-1]
    grow = target - total
    code = last.program.getBytecode()
    program = filler_program(len(code) + grow, seed=i - 1)
    extra[-1] = (name, cp, bits_glyph(i - 1, program), adv)
    tables = base(glyphs=fixed_base, extra_glyphs=extra, glyf_padding=0)
    assert len(tables["glyf"]) == target, len(tables["glyf"])
    assert (struct.unpack(">h", tables["head"][50:52])[0] == 1) == odd_last
    return tables


def big_glyf():
    """About 200 KB of glyf in 600 extra glyphs, many of odd length."""
    extra = pua_glyphs(600, program=lambda i: filler_program(250 + (i * 53) % 151, seed=i))
    return base(extra_glyphs=extra, glyf_padding=0)


def big_hmtx():
    """17000 glyphs, each with its own advance: hmtx is 68000 bytes."""
    glyphs = base_glyphs()
    extra = []
    for i in range(len(glyphs), 17000):
        glyph = bits_glyph(i // 1000) if i % 1000 == 0 else make_glyph()
        extra.append(("g%d" % i, None, glyph, 600 + (i % 13) * 10))
    return base(extra_glyphs=extra)


def glyphnames_odd():
    """Odd names in 'post'; index 3 (B) is a second .notdef."""
    odd = [b"A", b"a/b", b"x y", b"50%", b"paren(", b"ctl\x01name", b"\x92v", b""]
    extra = [("odd%d" % i, 0xE000 + i, bits_glyph(i), 1100) for i in range(len(odd))]
    post_names = {3: b".notdef"}
    post_names.update({6 + i: n for i, n in enumerate(odd)})
    return base(extra_glyphs=extra, post_names=post_names)


def mac_and_windows_names():
    mac = {1: "Mac Family", 2: "Mac Style", 3: "Mac Unique",
           4: b"Mac Full Name \xe9", 5: "Version 3.00", 6: "MacPSName",
           7: "Mac Trademark"}
    win = {1: "Win Family", 2: "Win Style", 3: "Win Unique",
           4: "Win Full Name", 5: "Version 4.00", 6: "WinPSName",
           7: "Win Trademark"}
    return base(name_records=mac_names(mac) + windows_names(win))


def script_font(letters, first_shape):
    extra = [(name, cp, bits_glyph(first_shape + i), 1100)
             for i, (name, cp) in enumerate(letters)]
    return base(extra_glyphs=extra)


CYRILLIC = ([("afii%d" % (10017 + i), 0x0410 + i) for i in range(6)] +
            [("afii%d" % (10065 + i), 0x0430 + i) for i in range(6)])
GREEK = list(zip(["Alpha", "Beta", "Gamma", "Delta", "Epsilon",
                  "alpha", "beta", "gamma", "delta", "epsilon"],
                 list(range(0x0391, 0x0396)) + list(range(0x03B1, 0x03B6))))


def collection():
    one = base(names=default_names("Quelin Coll One", "Regular", "QuelinCollOne",
                                   "Version 1.00"))
    # Face two: other em size and an upside-down A, so a reader that mixes
    # up the faces shows in both the metrics and the outline.
    two = build_font(upem=1000,
                     names=default_names("Quelin Coll Two", "Regular", "QuelinCollTwo",
                                         "Version 1.00"),
                     glyphs=base_glyphs(scale=1000 / 2048,
                                        a_shape=[(100, 1400), (1200, 1400), (650, 0)]),
                     bbox=None)
    return write_ttc([one, two])


def cff_face(family):
    """A face with CFF outlines only: fontconfig lists it, but not as TrueType."""
    from fontTools.pens.t2CharStringPen import T2CharStringPen
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder([".notdef", "A"])
    fb.setupCharacterMap({0x41: "A"})
    pen = T2CharStringPen(600, None)
    pen.moveTo((100, 0)), pen.lineTo((300, 700)), pen.lineTo((500, 0)), pen.closePath()
    fb.setupCFF(family.replace(" ", ""), {"FullName": family}, {".notdef": T2CharStringPen(600, None).getCharString(), "A": pen.getCharString()}, {})
    fb.setupHorizontalMetrics({".notdef": (600, 0), "A": (600, 100)})
    fb.setupMaxp()
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": family, "styleName": "Regular"})
    fb.setupOS2()
    fb.setupPost()
    stream = BytesIO()
    fb.save(stream)
    return read_tables(stream.getvalue())


def mixed_collection():
    # Face 0 has CFF outlines, face 1 TrueType ones: the list must keep face
    # 1 at its own position.
    two = base(names=default_names("Quelin Mixed Two", "Regular", "QuelinMixedTwo", "Version 1.00"))
    return write_ttc([cff_face("Quelin Mixed One"), two])


def with_upem0():
    tables = base()
    tables["head"] = patch(tables["head"], 18, ">H", 0)
    return write_sfnt(tables)


def dir_past_end():
    # glyf is stored last, and its directory length runs 100 bytes beyond EOF.
    order = [t for t in DATA_ORDER if t != "glyf"] + ["glyf"]
    font = write_sfnt(base(), order=order)
    offset, _ = table_location(font, "glyf")
    return patch_directory(font, "glyf", length=len(font) - offset + 100)


def dir_huge_length():
    return patch_directory(write_sfnt(base()), "prep", length=0xFFFFFFF0)


def fonts():
    """File name -> function returning the file's bytes."""
    out = {
        "base.ttf": lambda: base(),
        "vmusage.ttf": lambda: base(vm=(12345, 67890), fixed_pitch=7),
        "vmusage-big.ttf": lambda: base(vm=(2 ** 31, 2 ** 32 - 1)),
        "macnames.ttf": mac_and_windows_names,
        "psname-delims.ttf": lambda: base(names={6: "Sample-Sans Bold(It)"}),
        "psname-braces.ttf": lambda: base(names={6: "Brace{X}Name"}),
        "version-pattern.ttf": lambda: base(names={5: "version 2.35; build 7"}),
        "version-short.ttf": lambda: base(names={5: "Version 2.5"}, revision=fixed(1.5)),
        "version-long.ttf": lambda: base(names={5: "Version 12.01"}, revision=fixed(2.0)),
        "version-none.ttf": lambda: base(names={5: None}, revision=0x0001028F),
        "italic-neg.ttf": lambda: base(italic=fixed(-11.5)),
        "italic-whole.ttf": lambda: base(italic=fixed(-12.0)),
        "italic-tenth.ttf": lambda: base(italic=fixed(0.1)),
        "italic-round.ttf": lambda: base(italic=fixed(0.9999)),
        "no-os2.ttf": lambda: base(drop=["OS/2"]),
        "no-post.ttf": lambda: base(drop=["post"]),
        "post3.ttf": lambda: base(post_version=3),
        "no-hinting.ttf": lambda: base(hinting=False),
        "no-cmap.ttf": lambda: base(drop=["cmap"]),
        "glyphnames-odd.ttf": glyphnames_odd,
        "notdef-later.ttf": lambda: base(post_names={0: b"zero0", 3: b".notdef",
                                                     5: b".notdef"}),
        "symbol.ttf": lambda: base(symbol_cmap=True),
        "glyf-65534.ttf": lambda: glyf_of_size(65534, odd_last=False),
        "glyf-65535.ttf": lambda: glyf_of_size(65535, odd_last=True),
        "big-glyf.ttf": big_glyf,
        "big-hmtx.ttf": big_hmtx,
        "big-cvt.ttf": lambda: base(cvt=[(i * 37) % 2000 - 1000 for i in range(33000)]),
        "dir-past-end.ttf": dir_past_end,
        "dir-huge-length.ttf": dir_huge_length,
        "upem0.ttf": with_upem0,
        "collection.ttc": collection,
        "mixed.ttc": mixed_collection,
        "cyrillic.ttf": lambda: script_font(CYRILLIC, 100),
        "greek.ttf": lambda: script_font(GREEK, 200),
    }
    for w in (0, 149, 150, 400, 950, 1000):
        out["weight-%d.ttf" % w] = lambda w=w: base(weight=w)
    return out


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_test_fonts.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name, make in sorted(fonts().items()):
        data = make()
        if isinstance(data, dict):
            data = write_sfnt(data)
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
