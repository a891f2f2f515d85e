#!/usr/bin/python3
"""Check the fonts written by make_test_fonts.py.

Usage: check_test_fonts.py OUTDIR

Reads every file back, partly with fontTools and partly by parsing the raw
bytes (fontTools hides exactly the oddities the files are made to have),
and confirms the property each file exists for.  It also rebuilds the set
into a temporary folder and compares bytes, so a generator that picks up the
clock or hash order fails here.  Prints "N passed, M failed".
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import traceback

from fontTools.ttLib import TTFont, TTCollection

HERE = os.path.dirname(os.path.abspath(__file__))
FIXED_DATE = 3786912000  # 2024-01-01 in seconds since 1904

EXPECTED_FILES = sorted(
    ["base.ttf", "vmusage.ttf", "macnames.ttf", "psname-delims.ttf",
     "psname-braces.ttf", "version-pattern.ttf", "version-short.ttf",
     "version-long.ttf", "version-none.ttf", "italic-neg.ttf",
     "italic-whole.ttf", "italic-tenth.ttf", "italic-round.ttf", "no-os2.ttf",
     "no-post.ttf", "post3.ttf", "no-hinting.ttf", "no-cmap.ttf",
     "glyphnames-odd.ttf", "notdef-later.ttf", "symbol.ttf", "glyf-65534.ttf",
     "glyf-65535.ttf", "big-glyf.ttf", "big-hmtx.ttf", "big-cvt.ttf",
     "dir-past-end.ttf", "dir-huge-length.ttf", "upem0.ttf", "collection.ttc",
     "cyrillic.ttf", "greek.ttf"] +
    ["weight-%d.ttf" % w for w in (0, 149, 150, 400, 950, 1000)])

# Files whose directory is deliberately wrong.
BROKEN_DIRECTORY = {"dir-past-end.ttf", "dir-huge-length.ttf"}

BASE_ORDER = [b".notdef", b"space", b"A", b"B", b"C", b"eacute"]

OUT = None
CHECKS = []


def check(fn):
    CHECKS.append(fn)
    return fn


# ------------------------------------------------------------- raw parsing

def data(name):
    with open(os.path.join(OUT, name), "rb") as f:
        return f.read()


def directory(font, at=0):
    """{tag: (checksum, offset, length)} of the sfnt directory at `at`."""
    num = struct.unpack(">H", font[at + 4:at + 6])[0]
    out = {}
    for i in range(num):
        tag, cs, off, length = struct.unpack(">4sIII", font[at + 12 + 16 * i:at + 28 + 16 * i])
        out[tag.decode("latin-1")] = (cs, off, length)
    return out


def table(name, tag):
    font = data(name)
    _, off, length = directory(font)[tag]
    return font[off:off + length]


def checksum(b):
    b = b + b"\0" * (-len(b) % 4)
    return sum(struct.unpack(">%dI" % (len(b) // 4), b)) & 0xFFFFFFFF


def u16(b, at):
    return struct.unpack(">H", b[at:at + 2])[0]


def i16(b, at):
    return struct.unpack(">h", b[at:at + 2])[0]


def u32(b, at):
    return struct.unpack(">I", b[at:at + 4])[0]


def i32(b, at):
    return struct.unpack(">i", b[at:at + 4])[0]


def names(name):
    """[(platform, encoding, language, id, raw bytes)] in file order."""
    t = table(name, "name")
    count, storage = u16(t, 2), u16(t, 4)
    out = []
    for i in range(count):
        plat, enc, lang, nid, length, off = struct.unpack(">6H", t[6 + 12 * i:18 + 12 * i])
        out.append((plat, enc, lang, nid, t[storage + off:storage + off + length]))
    return out


def win_name(name, nid):
    for plat, enc, lang, i, raw in names(name):
        if (plat, enc, lang, i) == (3, 1, 0x409, nid):
            return raw.decode("utf-16-be")
    return None


def post_names(name):
    t = table(name, "post")
    assert u32(t, 0) == 0x00020000
    n = u16(t, 32)
    index = struct.unpack(">%dH" % n, t[34:34 + 2 * n])
    strings, pos = [], 34 + 2 * n
    while pos < len(t):
        strings.append(t[pos + 1:pos + 1 + t[pos]])
        pos += 1 + t[pos]
    from fontTools.ttLib.standardGlyphOrder import standardGlyphOrder
    return [standardGlyphOrder[i].encode() if i < 258 else strings[i - 258] for i in index]


def loca(name):
    fmt = i16(table(name, "head"), 50)
    t = table(name, "loca")
    if fmt == 0:
        return fmt, [2 * v for v in struct.unpack(">%dH" % (len(t) // 2), t)]
    return fmt, list(struct.unpack(">%dI" % (len(t) // 4), t))


def num_glyphs(name):
    return u16(table(name, "maxp"), 4)


def outline(font, glyph_name):
    g = font["glyf"][glyph_name]
    coords, ends, _ = g.getCoordinates(font["glyf"])
    return tuple(coords), tuple(ends)


def assert_eq(got, want, what=""):
    assert got == want, "%s: got %r, want %r" % (what, got, want)


# --------------------------------------------------------- every file

@check
def file_set():
    assert_eq(sorted(f for f in os.listdir(OUT) if f.endswith((".ttf", ".ttc"))),
              EXPECTED_FILES, "files")


@check
def directories_and_checksums():
    for name in EXPECTED_FILES:
        if name.endswith(".ttc") or name in BROKEN_DIRECTORY:
            continue
        font = data(name)
        num = u16(font, 4)
        entry_selector = num.bit_length() - 1
        assert_eq(struct.unpack(">HHH", font[6:12]),
                  (16 << entry_selector, entry_selector, num * 16 - (16 << entry_selector)),
                  name + " search fields")
        d = directory(font)
        assert_eq(list(d), sorted(d), name + " tag order")
        spans = []
        for tag, (cs, off, length) in d.items():
            assert off % 4 == 0 and off + length <= len(font), (name, tag)
            body = font[off:off + length]
            if tag == "head":
                body = body[:8] + b"\0\0\0\0" + body[12:]
            assert_eq(checksum(body), cs, "%s %s checksum" % (name, tag))
            spans.append((off, off + length))
        spans.sort()
        for (_, end), (start, _) in zip(spans, spans[1:]):
            assert end <= start, name + " tables overlap"
        assert_eq(checksum(font), 0xB1B0AFBA, name + " whole-file checksum")
        head = table(name, "head")
        assert_eq((u32(head, 12), struct.unpack(">QQ", head[20:36])),
                  (0x5F0F3CF5, (FIXED_DATE, FIXED_DATE)), name + " head magic/dates")


@check
def fonttools_reads_every_table():
    for name in EXPECTED_FILES:
        if name.endswith(".ttc") or name in BROKEN_DIRECTORY or name == "upem0.ttf":
            continue
        font = TTFont(os.path.join(OUT, name))
        for tag in font.keys():
            if tag != "GlyphOrder":
                font[tag]
        if "glyf" in font:
            font["glyf"].ensureDecompiled()


@check
def reproducible():
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([sys.executable, os.path.join(HERE, "make_test_fonts.py"), tmp],
                       check=True)
        for name in EXPECTED_FILES:
            with open(os.path.join(tmp, name), "rb") as f:
                assert f.read() == data(name), name + " differs between runs"


# ------------------------------------------------------------- base font

@check
def base_names():
    want = {1: "Quelin Test", 2: "Regular", 3: "Quelin Test Regular; Version 1.00",
            4: "Quelin Test Regular", 5: "Version 1.00", 6: "QuelinTest-Regular",
            7: "Quelin Test is a trademark (of nobody)"}
    recs = names("base.ttf")
    assert_eq({r[:3] for r in recs}, {(3, 1, 0x409)}, "platforms")
    assert_eq({r[3]: r[4].decode("utf-16-be") for r in recs}, want, "names")


@check
def base_head_and_post():
    head = table("base.ttf", "head")
    assert_eq((u32(head, 4), u16(head, 18)), (0x00010000, 2048), "revision/upem")
    assert_eq(struct.unpack(">4h", head[36:44]), (-1001, -433, 2500, 1900), "bbox")
    post = table("base.ttf", "post")
    assert_eq(struct.unpack(">Iihh5I", post[:32]),
              (0x00020000, 0, -217, 150, 0, 0, 0, 0, 0), "post header")
    assert_eq(post_names("base.ttf"), BASE_ORDER, "glyph names")
    assert_eq(u16(table("base.ttf", "OS/2"), 4), 400, "weight")


@check
def base_hinting_tables_need_padding():
    d = directory(data("base.ttf"))
    assert_eq(d["cvt "][2], 6, "cvt length")
    assert_eq(struct.unpack(">3h", table("base.ttf", "cvt ")), (100, -50, 1400), "cvt")
    assert d["fpgm"][2] % 4 and d["prep"][2] % 4, "fpgm/prep should need padding"


@check
def base_cmap():
    font = TTFont(os.path.join(OUT, "base.ttf"))
    subs = font["cmap"].tables
    assert_eq(sorted((s.platformID, s.platEncID, s.format) for s in subs),
              [(0, 3, 4), (3, 1, 4)], "cmap subtables")
    for s in subs:
        assert_eq(s.cmap, {0x20: "space", 0x41: "A", 0x42: "B", 0x43: "C",
                           0xE9: "eacute"}, "cmap")


@check
def base_outlines_differ():
    font = TTFont(os.path.join(OUT, "base.ttf"))
    shapes = [outline(font, g.decode()) for g in BASE_ORDER if g != b"space"]
    assert len(set(shapes)) == len(shapes), "two glyphs share an outline"
    assert_eq(font["glyf"]["space"].numberOfContours, 0, "space contours")
    # Every outline inside the declared bbox.
    for g in font.getGlyphOrder():
        for x, y in outline(font, g)[0]:
            assert -1001 <= x <= 2500 and -433 <= y <= 1900, g


# ------------------------------------------------------------- variants

@check
def vmusage():
    post = table("vmusage.ttf", "post")
    assert_eq((u32(post, 12), u32(post, 16), u32(post, 20)), (7, 12345, 67890),
              "isFixedPitch/minMem/maxMem")


@check
def macnames():
    recs = names("macnames.ttf")
    assert_eq(sorted({r[0] for r in recs}), [1, 3], "platforms")
    assert_eq(recs[0][0], 1, "first record platform")
    mac = {r[3]: r[4] for r in recs if r[:3] == (1, 0, 0)}
    win = {r[3]: r[4].decode("utf-16-be") for r in recs if r[:3] == (3, 1, 0x409)}
    assert_eq(sorted(mac), list(range(1, 8)), "mac ids")
    assert_eq(mac[4], b"Mac Full Name \xe9", "mac full name")
    assert_eq(mac[6], b"MacPSName", "mac ps name")
    assert_eq(win[4], "Win Full Name", "win full name")
    assert_eq(win[6], "WinPSName", "win ps name")
    for nid in range(1, 8):
        assert mac[nid].decode("mac_roman") != win[nid], "name %d same on both" % nid


@check
def psnames():
    assert_eq(win_name("psname-delims.ttf", 6), "Sample-Sans Bold(It)", "delims")
    assert_eq(win_name("psname-braces.ttf", 6), "Brace{X}Name", "braces")


@check
def versions():
    for name, text, rev in [("version-pattern.ttf", "version 2.35; build 7", 0x10000),
                            ("version-short.ttf", "Version 2.5", 0x18000),
                            ("version-long.ttf", "Version 12.01", 0x20000),
                            ("version-none.ttf", None, 0x1028F)]:
        assert_eq(win_name(name, 5), text, name)
        assert_eq(u32(table(name, "head"), 4), rev, name + " fontRevision")
    assert_eq(win_name("version-none.ttf", 6), "QuelinTest-Regular", "other names kept")


@check
def weights():
    for w in (0, 149, 150, 400, 950, 1000):
        assert_eq(u16(table("weight-%d.ttf" % w, "OS/2"), 4), w, "weight")


@check
def italic_angles():
    for name, raw in [("italic-neg.ttf", -753664), ("italic-whole.ttf", -786432),
                      ("italic-tenth.ttf", 6554), ("italic-round.ttf", 65529)]:
        assert_eq(i32(table(name, "post"), 4), raw, name)


@check
def missing_tables():
    full = set(directory(data("base.ttf")))
    for name, gone in [("no-os2.ttf", {"OS/2"}), ("no-post.ttf", {"post"}),
                       ("no-cmap.ttf", {"cmap"}),
                       ("no-hinting.ttf", {"cvt ", "fpgm", "prep"})]:
        assert_eq(set(directory(data(name))), full - gone, name)


@check
def post3():
    post = table("post3.ttf", "post")
    assert_eq((len(post), u32(post, 0)), (32, 0x00030000), "post3")


@check
def glyphnames_odd():
    want = [b".notdef", b"space", b"A", b".notdef", b"C", b"eacute", b"A", b"a/b",
            b"x y", b"50%", b"paren(", b"ctl\x01name", b"\x92v", b""]
    assert_eq(post_names("glyphnames-odd.ttf"), want, "names")
    assert_eq(num_glyphs("glyphnames-odd.ttf"), len(want), "numGlyphs")


@check
def notdef_later():
    want = [b"zero0", b"space", b"A", b".notdef", b"C", b".notdef"]
    assert_eq(post_names("notdef-later.ttf"), want, "names")
    font = TTFont(os.path.join(OUT, "notdef-later.ttf"))
    cmap = font["cmap"].getcmap(3, 1).cmap
    assert_eq(font.getGlyphID(cmap[0x42]), 3, "B maps to glyph 3")


@check
def symbol():
    font = TTFont(os.path.join(OUT, "symbol.ttf"))
    subs = font["cmap"].tables
    assert_eq([(s.platformID, s.platEncID) for s in subs], [(3, 0)], "only symbol cmap")
    assert_eq(subs[0].cmap, {0xF020: "space", 0xF041: "A", 0xF042: "B", 0xF043: "C",
                             0xF0E9: "eacute"}, "symbol cmap")
    assert font["OS/2"].ulCodePageRange1 & (1 << 31), "symbol code page bit"


def glyph_lengths(name):
    fmt, offs = loca(name)
    return fmt, offs, [b - a for a, b in zip(offs, offs[1:])]


@check
def glyf_65534():
    name = "glyf-65534.ttf"
    assert_eq(directory(data(name))["glyf"][2], 65534, "glyf length")
    fmt, offs, lens = glyph_lengths(name)
    assert_eq((fmt, offs[-1], len(offs)), (0, 65534, num_glyphs(name) + 1), "short loca")


@check
def glyf_65535():
    name = "glyf-65535.ttf"
    assert_eq(directory(data(name))["glyf"][2], 65535, "glyf length")
    fmt, offs, lens = glyph_lengths(name)
    assert_eq((fmt, offs[-1], len(offs)), (1, 65535, num_glyphs(name) + 1), "long loca")
    assert lens[-1] % 2 == 1, "last glyph should be odd"
    assert all(n % 2 == 0 for n in lens[:-1]), "only the last glyph should be odd"


@check
def big_glyf():
    name = "big-glyf.ttf"
    size = directory(data(name))["glyf"][2]
    assert 150000 < size < 300000, size
    fmt, offs, lens = glyph_lengths(name)
    assert_eq((fmt, offs[-1]), (1, size), "long loca")
    assert sum(o % 2 for o in offs) > 100, "too few odd offsets"
    assert offs == sorted(offs), "loca not ascending"


@check
def big_hmtx():
    name = "big-hmtx.ttf"
    assert_eq((num_glyphs(name), u16(table(name, "hhea"), 34)), (17000, 17000), "counts")
    assert_eq(directory(data(name))["hmtx"][2], 68000, "hmtx length")


@check
def big_cvt():
    assert_eq(directory(data("big-cvt.ttf"))["cvt "][2], 66000, "cvt length")


@check
def dir_past_end():
    font = data("dir-past-end.ttf")
    d = directory(font)
    _, off, length = d["glyf"]
    assert_eq(off + length, len(font) + 100, "glyf end")
    assert_eq(off, max(o for _, o, _ in d.values()), "glyf stored last")
    assert_eq(font[off:], table("base.ttf", "glyf") + b"\0" * (-(len(font) - off) % 4),
              "glyf bytes")
    for tag, (_, o, n) in d.items():
        assert tag == "glyf" or o + n <= len(font), tag


@check
def dir_huge_length():
    d = directory(data("dir-huge-length.ttf"))
    assert_eq(d["prep"][2], 0xFFFFFFF0, "prep length")
    assert_eq({t: v for t, v in d.items() if t != "prep"},
              {t: v for t, v in directory(data("base.ttf")).items() if t != "prep"},
              "other entries")


@check
def upem0():
    head, base_head = table("upem0.ttf", "head"), table("base.ttf", "head")
    assert_eq(u16(head, 18), 0, "unitsPerEm")
    def rest(h):
        return h[:8] + h[12:18] + h[20:]
    assert_eq(rest(head), rest(base_head), "rest of head")


@check
def collection():
    coll = TTCollection(os.path.join(OUT, "collection.ttc"))
    assert_eq(len(coll.fonts), 2, "faces")
    one, two = coll.fonts
    assert_eq([f["name"].getDebugName(6) for f in coll], ["QuelinCollOne", "QuelinCollTwo"],
              "ps names")
    assert_eq([f["name"].getDebugName(1) for f in coll],
              ["Quelin Coll One", "Quelin Coll Two"], "families")
    assert_eq([f["head"].unitsPerEm for f in coll], [2048, 1000], "upem")
    # Face one's A stands on two points, face two's on one.
    feet = [sum(1 for _, y in outline(f, "A")[0] if y == 0) for f in coll]
    assert_eq(feet, [2, 1], "A outlines")
    raw = data("collection.ttc")
    assert_eq(raw[:12], struct.pack(">4sII", b"ttcf", 0x00010000, 2), "ttc header")
    dirs = [directory(raw, u32(raw, 12 + 4 * i)) for i in range(2)]
    assert_eq(dirs[0]["fpgm"][1], dirs[1]["fpgm"][1], "identical tables shared")
    assert dirs[0]["head"][1] != dirs[1]["head"][1], "heads must not be shared"


def check_script(name, letters):
    font = TTFont(os.path.join(OUT, name))
    cmap = font.getBestCmap()
    for glyph, cp in letters:
        assert_eq(cmap.get(cp), glyph, "%s U+%04X" % (name, cp))
    shapes = [outline(font, g) for g in font.getGlyphOrder() if g != "space"]
    assert len(set(shapes)) == len(shapes), name + ": outlines not distinct"
    assert_eq(post_names(name)[:6], BASE_ORDER, name + " base glyphs first")


@check
def cyrillic():
    check_script("cyrillic.ttf",
                 [("afii%d" % (10017 + i), 0x0410 + i) for i in range(6)] +
                 [("afii%d" % (10065 + i), 0x0430 + i) for i in range(6)])


@check
def greek():
    check_script("greek.ttf", list(zip(
        ["Alpha", "Beta", "Gamma", "Delta", "Epsilon", "alpha", "beta", "gamma", "delta",
         "epsilon"], list(range(0x0391, 0x0396)) + list(range(0x03B1, 0x03B6)))))


# ------------------------------------------------------ Ghostscript renders

RENDER_PS = b"""
FILE (r) file .loadfont
FontDirectory { pop /fname exch def } forall
fname findfont 100 scalefont setfont
20 20 moveto GLYPH cvn glyphshow
showpage
"""


def gs_render(name, glyph):
    with tempfile.TemporaryDirectory() as tmp:
        ps = os.path.join(tmp, "r.ps")
        with open(ps, "wb") as f:
            f.write(RENDER_PS)
        out = os.path.join(tmp, "o.pbm")
        subprocess.run(["gs", "-q", "-dNOSAFER", "-dBATCH", "-dNOPAUSE", "-g150x150",
                        "-sFILE=" + os.path.join(OUT, name), "-sGLYPH=" + glyph,
                        "-sDEVICE=pbmraw", "-o", out, ps],
                       check=True, capture_output=True, timeout=60)
        with open(out, "rb") as f:
            pbm = f.read()
    return pbm[pbm.index(b"\n", 3) + 1:]  # drop the header


@check
def ghostscript_renders():
    if not shutil.which("gs"):
        print("  (gs not found, rendering not checked)")
        return
    seen = {}
    # The last glyph of the big glyf tables sits at the far end of the data.
    last = [(n, post_names(n)[-1].decode()) for n in ("glyf-65535.ttf", "big-glyf.ttf")]
    cases = [("base.ttf", "A"), ("base.ttf", "B"), ("base.ttf", "eacute"),
             ("cyrillic.ttf", "afii10017"), ("greek.ttf", "Alpha")] + last
    for name, glyph in cases:
        bits = gs_render(name, glyph)
        assert any(bits), "%s %s renders blank" % (name, glyph)
        assert bits not in seen, "%s %s renders like %s" % (name, glyph, seen.get(bits))
        seen[bits] = (name, glyph)


def main(argv):
    global OUT
    if len(argv) != 2:
        sys.stderr.write("usage: check_test_fonts.py OUTDIR\n")
        return 2
    OUT = argv[1]
    passed = failed = 0
    for fn in CHECKS:
        try:
            fn()
            passed += 1
        except Exception:
            failed += 1
            print("FAIL %s" % fn.__name__)
            traceback.print_exc(limit=-1, file=sys.stdout)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
