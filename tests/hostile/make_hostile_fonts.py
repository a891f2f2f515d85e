#!/usr/bin/python3
"""Write the corpus of broken and hostile fonts and manifest.json, which says
what each one must come to.

Usage: make_hostile_fonts.py OUTDIR

Every file starts from the crafted base font of tests/fonts/make_test_fonts.py
and makes something hostile: name strings and glyph names that try to leave
their string or name, sizes at the edges of the sfnts strings, and broken
structure.  fontTools refuses to write most of these, so the tables in
question are packed here by hand.  check_hostile.py converts every file and
judges the result against the manifest, which gives, per file, the group,
whether the conversion must succeed ("accept") or end in a result code
("reject"), the Unicode map the file was given, what the program must hold
(FontName, FontInfo, CharStrings entries: written out by hand for each
case) and glyphs whose outlines Ghostscript must draw with their own boxes.

Two runs write identical bytes.
"""

import json
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonts"))
import make_test_fonts as tf  # noqa: E402

# Code points of bytes 0xA1-0xFF in code page 1252, except U+00E9, which
# the base font maps to eacute: extra glyphs go here so that text bytes
# reach them.
HIGH = [cp for cp in range(0xA1, 0x100) if cp != 0xE9]

# What escapes a string literal or a name if it is written as it is.
ESCAPE = b") (owned) print ("

# What the conversion must give the base font. The cases below say, by
# hand, what they change: FontName, FontInfo (strings as the interpreter
# reads them back: a CR becomes LF) and CharStrings (name -> glyph index).
BASE_NAME = "QuelinTest-Regular"
BASE_INFO = {"version": "001.000", "Notice": "Quelin Test is a trademark (of nobody)",
             "FullName": "Quelin Test Regular", "FamilyName": "Quelin Test", "Weight": "Regular",
             "ItalicAngle": 0, "isFixedPitch": False, "UnderlinePosition": -217, "UnderlineThickness": 150}
BASE_GLYPHS = {".notdef": 0, "space": 1, "A": 2, "B": 3, "C": 4, "eacute": 5}
# Glyphs 6-11 mapped from U+00A1-U+00A6 and left unnamed are named so.
HIGH_GLYPHS = dict(BASE_GLYPHS, exclamdown=6, cent=7, sterling=8, currency=9, yen=10, brokenbar=11)


def given(names, first=6, **changed):
    """The base glyphs, then glyphs from `first` on named as the post table
    has them, except the `changed` ones (name -> glyph)."""
    glyphs = dict(BASE_GLYPHS, **{n.decode("latin-1"): first + i for i, n in enumerate(names)})
    glyphs.update(changed)
    return glyphs



# ------------------------------------------------------------ table packing

def utf16(text):
    return text.encode("utf-16-be")


def units(raw):
    """8-bit text as UTF-16 code units 0x00XX."""
    return b"".join(b"\0" + bytes([c]) for c in raw)


def win(nid, text, lang=0x409, enc=1):
    return (3, enc, lang, nid, utf16(text) if isinstance(text, str) else units(text))


def mac(nid, raw):
    return (1, 0, 0, nid, raw)


def pack_name(records, storage_offset=None, bad=None):
    """A format 0 name table with the records in the order given.

    bad maps a record's position to (offset, length) written instead of the
    real ones, for records that point outside the storage.
    """
    bad = bad or {}
    storage, body = b"", b""
    for i, (plat, enc, lang, nid, raw) in enumerate(records):
        offset, length = bad.get(i, (len(storage), len(raw)))
        body += struct.pack(">6H", plat, enc, lang, nid, length, offset)
        storage += raw
    if storage_offset is None:
        storage_offset = 6 + 12 * len(records)
    return struct.pack(">3H", 0, len(records), storage_offset) + body + storage


def standard_records(**fields):
    """Windows English records: the base font's, with fields (name ID ->
    str or bytes) replaced, or left out where the value is None."""
    names = dict(tf.BASE_NAMES)
    for key, value in fields.items():
        names[int(key[2:])] = value
    return [win(nid, text) for nid, text in sorted(names.items()) if text is not None]


def post_header(version, italic=0, underline=(-217, 150), fixed_pitch=0, vm=(0, 0)):
    return struct.pack(">Iihh5I", version, italic, underline[0], underline[1],
                       fixed_pitch, vm[0], vm[1], 0, 0)


def post_format2(indices, strings, count=None):
    """Format 2 with raw glyph name indices and Pascal strings."""
    count = len(indices) if count is None else count
    return (post_header(0x00020000) + struct.pack(">H%dH" % len(indices), count, *indices)
            + b"".join(bytes([len(s)]) + s for s in strings))


def glyph_boxes(tables):
    """{glyph index: (xMin, yMin, xMax, yMax)} of every glyph with an outline."""
    head, loca, glyf = tables["head"], tables["loca"], tables["glyf"]
    long_loca = struct.unpack(">h", head[50:52])[0] != 0
    count = struct.unpack(">H", tables["maxp"][4:6])[0]
    if long_loca:
        offsets = struct.unpack(">%dI" % (count + 1), loca[:4 * (count + 1)])
    else:
        offsets = [2 * o for o in struct.unpack(">%dH" % (count + 1), loca[:2 * (count + 1)])]
    boxes = {}
    for gid in range(count):
        if offsets[gid + 1] > offsets[gid]:
            boxes[gid] = struct.unpack(">4h", glyf[offsets[gid] + 2:offsets[gid] + 10])
    return boxes


def cut_file(font, length):
    return font[:length]


# ------------------------------------------------------------- the corpus

class Corpus:
    def __init__(self):
        self.files = {}
        self.manifest = {}

    def add(self, name, group, font, expect, cmap=None, render=None, upem=2048, note="",
            font_name=BASE_NAME, info=None, glyphs=BASE_GLYPHS, glyph_count=None):
        """font is bytes or {tag: bytes}; cmap is {code point: glyph}. For a
        font that must convert: its FontName, the FontInfo entries that
        differ from the base font's, the CharStrings entries it must have
        and how many it has (all of `glyphs` unless given)."""
        assert name not in self.files, name
        data = tf.write_sfnt(font) if isinstance(font, dict) else font
        self.files[name] = data
        entry = {"group": group, "expect": expect, "note": note}
        if expect == "accept":
            entry.update(cmap=ranges(cmap or {}), upem=upem, name=font_name, info=dict(BASE_INFO, **(info or {})),
                         glyphs=glyphs, glyph_count=glyph_count or len(glyphs))
            if render:
                entry["render"] = [[gid] + list(box) for gid, box in sorted(render.items())]
        self.manifest[name] = entry

    def write(self, outdir):
        os.makedirs(outdir, exist_ok=True)
        for name, data in sorted(self.files.items()):
            with open(os.path.join(outdir, name), "wb") as f:
                f.write(data)
        with open(os.path.join(outdir, "manifest.json"), "w") as f:
            json.dump(self.manifest, f, indent=1, sort_keys=True)
            f.write("\n")


def ranges(cmap):
    """[[first code point, first glyph, count]] for runs that go up together."""
    out = []
    for cp in sorted(cmap):
        gid = cmap[cp]
        if out and out[-1][0] + out[-1][2] == cp and out[-1][1] + out[-1][2] == gid:
            out[-1][2] += 1
        else:
            out.append([cp, gid, 1])
    return out


def crafted(extra=(), glyphs=None, **kw):
    """The base font with extra glyphs: ({tag: bytes}, {code point: glyph})."""
    tables = tf.base(glyphs=glyphs, extra_glyphs=extra, **kw)
    every = list(glyphs or tf.base_glyphs()) + list(extra)
    cmap = {cp: gid for gid, (_, cp, _, _) in enumerate(every) if cp is not None}
    return tables, cmap


def extra_glyphs(count, code_points=(), first_shape=300):
    """Distinct glyphs x000.., the first len(code_points) of them mapped."""
    cps = list(code_points)
    return [("x%03d" % i, cps[i] if i < len(cps) else None, tf.bits_glyph(first_shape + i), 1100)
            for i in range(count)]


def named_glyphs(names, code_points=HIGH):
    """Extra glyphs after the six base ones, with these raw post names,
    mapped from `code_points` in order: (extra, post_names)."""
    extra = extra_glyphs(len(names), code_points)
    return extra, {6 + i: name for i, name in enumerate(names)}


# ------------------------------------------------------------------ names

def names_cases(corpus):
    def add(name, records, note, font_name, info, **kw):
        tables, cmap = crafted()
        tables["name"] = pack_name(records, **kw)
        corpus.add(name, "names", tables, "accept", cmap, note=note, font_name=font_name, info=info)

    def strings(family, full, notice):
        return {"FamilyName": family, "FullName": full, "Notice": notice}

    add("names-escape.ttf", standard_records(id1=ESCAPE.decode(), id4=ESCAPE.decode(),
                                             id6=ESCAPE.decode(), id7=ESCAPE.decode(),
                                             id5="Version 1.00" + ESCAPE.decode()),
        "every name string tries to close its string and run print",
        "ownedprint", strings(") (owned) print (", ") (owned) print (", ") (owned) print ("))
    add("names-backslash.ttf", standard_records(id1="Family\\", id4="\\() pop (owned) print (\\)",
                                                id6="PS\\Name\\", id7="\\"),
        "trailing, lone and escaping backslashes",
        "PS\\Name\\", strings("Family\\", "\\() pop (owned) print (\\)", "\\"))
    add("names-unbalanced.ttf", standard_records(id1="(((", id4=")a(", id6="x(y", id7="a)b(c)d("),
        "parentheses unmatched, or matched in number but not in order",
        "xy", strings("(((", ")a(", "a)b(c)d("))
    add("names-delimiters.ttf", standard_records(
            id1="{owned} exec", id4="% /owned print", id6="Brace{}[]<>/%Name",
            id7="<< /x (owned) >> [ ] %%EOF"),
        "braces, brackets, angle brackets, slashes and percent signs",
        "BraceName", strings("{owned} exec", "% /owned print", "<< /x (owned) >> [ ] %%EOF"))
    add("names-controls.ttf", standard_records(
            id1=b"a\fb", id4=b"line\rbreak\r\n(owned) print\r(", id6=b"Ctl\x01\x1b\x7f\tName\n",
            id7=b"\x08\x0b\x0c\x0e\x1f end"),
        "form feeds, CR, LF, tabs and other control bytes",
        "CtlName", strings("a\fb", "line\nbreak\n(owned) print\n(", "\x08\x0b\x0c\x0e\x1f end"))
    add("names-high-bytes.ttf",
        [mac(1, b"\x92\x76 owned"), mac(2, b"Regular"), mac(4, bytes(range(0x80, 0x100))),
         mac(5, b"Version 1.00"), mac(6, b"Hi\x80\x92\x76\x9f\xa0\xffName"),
         mac(7, b"\x92\x76" + bytes(range(0xFF, 0x7F, -1)))],
        "Macintosh records with bytes 0x80-0xFF, 0x92 0x76 being print as a binary token",
        "Hiv\xa0\xffName", strings("\x92v owned", bytes(range(0x80, 0x100)).decode("latin-1"),
                                   "\x92v" + bytes(range(0xFF, 0x7F, -1)).decode("latin-1")))
    add("names-utf16-delimiters.ttf", standard_records(
            id1="\u0129 \u0128owned\u0129 print \u0128", id4="\u015c\u0128\u0129\u015c",
            id6="\u0125\u012f\u017b\u017dOK\u0192\u0176", id7="AB\u0100CD"),
        "UTF-16 units whose low byte is a delimiter, a binary-token byte or zero",
        "OKv", strings(") (owned) print (", "\\()\\", "AB"))
    add("names-long.ttf", standard_records(
            id1="F" * 300, id4="a" * 254 + "()", id6="P(" * 100, id7="n" * 254 + "\\x"),
        "300-byte names, a cut that leaves an unmatched parenthesis or a trailing backslash",
        "P" * 100, strings("F" * 255, "a" * 254 + "(", "n" * 254 + "\\"))
    add("names-empty.ttf", standard_records(id6=None, id7=None, id1="", id4=""),
        "no PostScript name and no notice; empty family and full names", "", strings("", "", ""))
    add("names-only-delimiters.ttf", standard_records(id6="( ) < > [ ] { } / %\t\r\n"),
        "a PostScript name with nothing left once delimiters are removed", "", {})
    add("names-bad-records.ttf",
        [win(6, "Bad(Name"), mac(6, b"Good)Name"), win(4, "Gone"), win(4, "Full)Name"),
         win(1, "Fam"), win(7, "Note")],
        "records that point past the storage or are empty do not count",
        "GoodName", strings("Fam", "Full)Name", "Note"), bad={0: (1000, 8), 2: (0, 0)})
    add("names-broken-table.ttf", standard_records(), "the storage starts past the table",
        "", strings("", "", ""), storage_offset=0xFFF0)
    add("names-preference.ttf",
        [win(6, "French", lang=0x40C), win(6, "Ucs4", enc=10), (0, 3, 0, 6, utf16("Uni(code")),
         win(6, "English"), mac(4, b"Mac ) full"), win(4, "Win full", lang=0x809),
         win(1, "Fr", lang=0x40C), win(1, "Fam (GB)", lang=0x809), mac(7, b"\\")],
        "records of other languages and encodings are passed over, the first usable one counts",
        "Unicode", strings("Fam (GB)", "Mac ) full", "\\"))


# ----------------------------------------------------------- glyph names

def glyph_name_cases(corpus):
    def add(name, names, note, glyphs, code_points=HIGH, **kw):
        extra, post_names = named_glyphs(names, code_points)
        tables, cmap = crafted(extra, post_names=post_names, **kw)
        corpus.add(name, "glyphnames", tables, "accept", cmap, note=note, glyphs=glyphs)
        return tables

    names = [b"(", b")", b"a)b", ESCAPE, b"<x>", b"[", b"]", b"{", b"}", b"/slash", b"%comment",
             b"x y", b"\\", b"a\\", b"\\) cvn (owned) print (\\", b"tab\tname", b"(owned) print",
             b"<<", b">>", b"//x", b"a(b)c"]
    add("post-delimiters.ttf", names, "glyph names with delimiters, blanks, backslashes and code",
        given(names))
    names = [b"\x01", b"ctl\x02x", b"cr\rx", b"lf\nx", b"ff\fx", b"del\x7f", b"nul\x00cut", b"\x92v",
             b"bin\x80\x9f", b"\xa0\xff", b"latin\xe9", b"\x7f", b"\r\n", b"%\n(owned) print"]
    glyphs = given(names, nul=12)  # a name ends at a zero byte
    del glyphs["nul\0cut"]
    add("post-controls.ttf", names,
        "glyph names with control bytes, 0x7F, zero bytes and binary-token bytes", glyphs)
    # Glyph 0 is not .notdef; empty and .notdef names, mapped or not, and
    # names that clash with the names given to unnamed glyphs.
    names = [b"", b"", b".notdef", b".notdef", b"A", b"dupe", b"dupe", b"dupe", b".notdef",
             b"ecircumflex", b".notdef", b".notdef"]
    cps = [0xC0, None, 0xC1, None, None, None, None, None, 0xEA, None, 0xE000, 0x1F600]
    extra = [("x%03d" % i, cp, tf.bits_glyph(300 + i), 1100) for i, cp in enumerate(cps)]
    post_names = {6 + i: n for i, n in enumerate(names)}
    post_names[0] = b"first"
    tables, cmap = crafted(extra, post_names=post_names)
    # Unnamed glyphs take the name of their lowest code point; a later name
    # replaces an earlier one; .notdef stays the first glyph so named.
    corpus.add("post-empty-duplicates.ttf", "glyphnames", tables, "accept", cmap,
               glyphs={"first": 0, "space": 1, "B": 3, "C": 4, "eacute": 5, "Agrave": 6, ".notdef": 7,
                       "Aacute": 8, "A": 10, "dupe": 13, "ecircumflex": 15, "uniE000": 16, "u1F600": 17},
               note="empty names, duplicates, many .notdef, the first .notdef at a later glyph, "
                    "and names from code points clashing with real names")
    # All 1000 glyphs are .notdef; a few are reached from code points.
    extra = extra_glyphs(994, [0xC0, 0xC1, 0x410, 0x2212])
    tables, cmap = crafted(extra, post_names={i: b".notdef" for i in range(1000)})
    corpus.add("post-many-notdef.ttf", "glyphnames", tables, "accept", cmap,
               glyphs=dict(BASE_GLYPHS, Agrave=6, Aacute=7, uni0410=8, minus=9), note="1000 glyphs all called .notdef")
    extra, post_names = named_glyphs([b"x1"])
    post_names[0] = b"zero"
    tables, cmap = crafted(extra, post_names=post_names)
    corpus.add("post-no-notdef.ttf", "glyphnames", tables, "accept", cmap,
               glyphs=dict(BASE_GLYPHS, zero=0, x1=6), note="no glyph is called .notdef, so .notdef 0 is added last")
    names = [b"a" * 63, b")" * 63, b"\x01" * 63, b"\\" * 63, b"(" * 63, b"\xff" * 63, b" " * 63]
    add("post-long-names.ttf", names, "names of 63 bytes, among them the longest tokens a name can take",
        given(names))
    add("post-name-64.ttf", [b"a" * 62, b"b" * 64, b"x" * 63 + b"1" * 7, b"x" * 63 + b"2" * 7, b"c" * 255],
        "names of 64, 70 and 255 bytes, two equal in their first 63 bytes: FreeType "
        "drops every name of such a table", {k: v for k, v in HIGH_GLYPHS.items() if v < 11})

    # Raw post tables FreeType reads in its own way.
    def raw(name, post, note, glyphs=HIGH_GLYPHS, info=None):
        tables, cmap = crafted(extra_glyphs(6, HIGH))
        tables["post"] = post
        corpus.add(name, "glyphnames", tables, "accept", cmap, note=note, glyphs=glyphs, info=info)

    raw("post-index-past-strings.ttf",
        post_format2([0, 3, 36, 37, 38, 258, 259, 260, 265, 300, 0xFFFF, 258],
                     [b"one", b"two"]),
        "name indices past the strings that are there",
        {".notdef": 0, "space": 1, "A": 2, "B": 3, "C": 4, "two": 6, "cent": 7, "sterling": 8, "currency": 9,
         "yen": 10, "one": 11})
    raw("post-truncated-indices.ttf", post_format2(list(range(258, 270)), [b"n"] * 12)[:32 + 2 + 9],
        "a post table cut inside its name indices")
    raw("post-truncated-strings.ttf",
        post_format2(list(range(258, 270)), [b"name%d" % i for i in range(12)])[:-20] + b"\x32abc",
        "a post table cut inside its strings, the last length running past the end",
        {".notdef": 0, "name0": 0, "name1": 1, "name2": 2, "name3": 3, "name4": 4, "name5": 5, "name6": 6,
         "name7": 7, "name8": 8, "abc": 9, "yen": 10, "brokenbar": 11})
    raw("post-count-above-glyphs.ttf", post_format2([0] + list(range(258, 269)),
                                                    [b"n%d" % i for i in range(11)], count=13),
        "more post names than glyphs")
    raw("post-count-below-glyphs.ttf", post_format2([0, 258, 259], [b"first", b"second"]),
        "fewer post names than glyphs", 
        {".notdef": 0, "first": 1, "second": 2, "B": 3, "C": 4, "eacute": 5, "exclamdown": 6, "cent": 7,
         "sterling": 8, "currency": 9, "yen": 10, "brokenbar": 11})
    raw("post-format1.ttf", post_header(0x00010000), "post format 1: the standard Macintosh names",
        {".notdef": 0, ".null": 1, "nonmarkingreturn": 2, "space": 3, "exclam": 4, "quotedbl": 5,
         "numbersign": 6, "dollar": 7, "percent": 8, "ampersand": 9, "quotesingle": 10, "parenleft": 11})
    raw("post-format3.ttf", post_header(0x00030000), "post format 3: no names at all")
    raw("post-format-unknown.ttf", post_header(0x00040000) + b"\0" * 24, "an unknown post format")
    raw("post-header-short.ttf", post_header(0x00020000)[:20], "a post table shorter than its header",
        info={"UnderlinePosition": 0, "UnderlineThickness": 0})

    tables, cmap = crafted(extra_glyphs(3, HIGH), drop=["post", "OS/2", "cmap", "cvt ", "fpgm",
                                                       "prep", "name"])
    corpus.add("bare.ttf", "glyphnames", tables, "accept", {}, glyphs={".notdef": 0}, font_name="",
               info={"version": "001.000", "Notice": "", "FullName": "", "FamilyName": "",
                     "UnderlinePosition": 0, "UnderlineThickness": 0}, note="no post, OS/2, cmap, name, cvt, fpgm or prep")


# ------------------------------------------------------------------ sizes

def even_glyph(n, size):
    """A glyph whose compiled length is exactly `size` (even or odd)."""
    base = len(tf.bits_glyph(n, b"\0").compile(None))
    glyph = tf.bits_glyph(n, tf.filler_program(1 + size - base, seed=n))
    assert len(glyph.compile(None)) == size, (len(glyph.compile(None)), size)
    return glyph


def many_glyphs():
    """65535 glyphs, numberOfHMetrics 1, hmtx and loca over 64 KB, post
    format 3, and a format 12 map from U+10000 on, packed by hand."""
    count = 65535
    tables = tf.base()
    notdef = tables["glyf"][:struct.unpack(">H", tables["loca"][2:4])[0] * 2]
    outlines = {g: tf.bits_glyph(g // 4096).compile(None) for g in range(4096, count, 4096)}
    glyf, offsets = bytearray(notdef), [0, len(notdef)]
    for g in range(1, count):
        data = outlines.get(g, b"")
        glyf += data + b"\0" * (len(data) % 2)
        offsets.append(len(glyf))
    tables["glyf"] = bytes(glyf)
    tables["loca"] = struct.pack(">%dH" % (count + 1), *[o // 2 for o in offsets])
    tables["head"] = tf.patch(tables["head"], 50, ">h", 0)
    tables["maxp"] = tf.patch(tables["maxp"], 4, ">H", count)
    tables["hhea"] = tf.patch(tables["hhea"], 34, ">H", 1)
    tables["hmtx"] = struct.pack(">Hh", 1100, 100) + struct.pack(
        ">%dh" % (count - 1), *[100 if g in outlines else 0 for g in range(1, count)])
    tables["post"] = post_header(0x00030000)
    tables["cmap"] = (struct.pack(">HHHHI", 0, 1, 3, 10, 12)
                      + struct.pack(">HHIII", 12, 0, 28, 0, 1)
                      + struct.pack(">III", 0x10000, 0x10000 + count - 2, 1))
    tables["name"] = pack_name(standard_records(id6="Many-Glyphs"))
    cmap = {0x10000 + g - 1: g for g in range(1, count)}
    return tables, cmap


def size_cases(corpus):
    for size, odd in ((65534, False), (65535, True)):
        tables = tf.glyf_of_size(size, odd_last=odd)
        every = tf.base_glyphs()
        cmap = {cp: gid for gid, (_, cp, _, _) in enumerate(every) if cp is not None}
        cmap.update({0xE000 + i: 6 + i for i in range(struct.unpack(">H", tables["maxp"][4:6])[0] - 6)})
        corpus.add("glyf-%d.ttf" % size, "sizes", tables, "accept", cmap, render=glyph_boxes(tables),
                   glyphs={".notdef": 0, "eacute": 5, "g00000": 6, "g00447": 453}, glyph_count=454, note="glyf of exactly %d bytes" % size)

    # One glyph of over 64 KB between small ones: a comb of 12000 points
    # and the longest instructions a glyph can have.
    comb = [(100 + 2 * i, 1400 * (i % 2) + 50 * (i % 7)) for i in range(12000)]
    huge = tf.make_glyph([comb], program=tf.filler_program(32767, seed=3))
    extra = [("small0", 0xC0, tf.bits_glyph(1), 1100), ("huge", 0xC1, huge, 1100),
             ("small1", 0xC2, tf.bits_glyph(2), 1100), ("small2", 0xC3, tf.bits_glyph(3), 1100)]
    tables, cmap = crafted(extra, glyf_padding=0)
    assert len(huge.compile(None)) > 65534
    corpus.add("glyph-over-64k.ttf", "sizes", tables, "accept", cmap, render=glyph_boxes(tables),
               glyphs=dict(BASE_GLYPHS, small0=6, huge=7, small1=8, small2=9), note="a single glyph of %d bytes" % len(huge.compile(None)))

    # Long loca whose every offset after the first is odd: nothing to break
    # glyf at, so its strings are cut every 65534 bytes, inside glyphs.
    glyphs = tf.base_glyphs()
    glyphs[0] = (".notdef", None, even_glyph(0, 301), 1100)
    for i in range(1, 6):
        name, cp, glyph, adv = glyphs[i]
        if glyph.numberOfContours:
            glyphs[i] = (name, cp, even_glyph(i, 200), adv)
    extra = [("g%03d" % i, 0xE000 + i, even_glyph(10 + i, 260 + 2 * (i % 50)), 1100) for i in range(700)]
    tables, cmap = crafted(extra, glyphs=glyphs, glyf_padding=0)
    assert struct.unpack(">h", tables["head"][50:52])[0] == 1 and len(tables["glyf"]) > 3 * 65534
    corpus.add("loca-odd-offsets.ttf", "sizes", tables, "accept", cmap, render=glyph_boxes(tables),
               glyphs={".notdef": 0, "eacute": 5, "g000": 6, "g699": 705}, glyph_count=706, note="long loca, every glyph offset odd, glyf over 190 KB")

    tables, cmap = crafted(cvt=[(i * 7) % 3000 - 1500 for i in range(35000)])
    corpus.add("cvt-over-64k.ttf", "sizes", tables, "accept", cmap, note="cvt of 70000 bytes")

    tables, cmap = many_glyphs()
    corpus.add("glyphs-65535.ttf", "sizes", tables, "accept", cmap, render=glyph_boxes(tables),
               font_name="Many-Glyphs", glyphs={".notdef": 0, "u10000": 1, "u1FFFD": 65534}, glyph_count=65535,
               note="65535 glyphs; hmtx and loca over 64 KB; names from code points above U+FFFF")

    tables, cmap = crafted(glyphs=tf.base_glyphs()[:1])
    corpus.add("one-glyph.ttf", "sizes", tables, "accept", cmap, glyphs={".notdef": 0}, note="only .notdef")

    tables, cmap = crafted()
    tables["hhea"] = tf.patch(tables["hhea"], 34, ">H", 0)
    tables["hmtx"] = struct.pack(">6h", *range(6))
    corpus.add("hmetrics-0.ttf", "sizes", tables, "accept", cmap, note="numberOfHMetrics 0")

    for name, italic, angle in (("italic-min.ttf", -0x80000000, -32768), ("italic-max.ttf", 0x7FFFFFFF, 32768),
                                ("italic-tiny.ttf", -1, 0)):
        tables, cmap = crafted(italic=italic)
        corpus.add(name, "sizes", tables, "accept", cmap, info={"ItalicAngle": angle},
                   note="italicAngle 0x%08X" % (italic & 0xFFFFFFFF))

    for upem in (16, 16384, 1, 65535):
        tables, cmap = crafted(bbox=(-32768, -32768, 32767, 32767))
        tables["head"] = tf.patch(tables["head"], 18, ">H", upem)
        expect = "accept" if 16 <= upem <= 16384 else "reject"
        corpus.add("upem-%d.ttf" % upem, "sizes", tables, expect, cmap, upem=upem,
                   note="unitsPerEm %d with the widest bounding box" % upem)

    tables, cmap = crafted(underline=(-32768, 32767), fixed_pitch=0xFFFFFFFF, vm=(0xFFFFFFFF, 0xFFFFFFFF),
                           weight=65535, revision=0x80000000, names={5: None})
    corpus.add("metrics-extreme.ttf", "sizes", tables, "accept", cmap,
               info={"version": "-32768.000", "Weight": "Black", "isFixedPitch": True,
                     "UnderlinePosition": -32768, "UnderlineThickness": 32767}, note="extreme underline, pitch, VM usage, weight and revision")


# -------------------------------------------------------------- structure

def structure_cases(corpus):
    good = tf.write_sfnt(tf.base())
    glyf_at, glyf_len = tf.table_location(good, "glyf")
    loca_at, loca_len = tf.table_location(good, "loca")
    head_at, _ = tf.table_location(good, "head")

    def loca_case(name, loca, note, long_format=False, big=False, glyphs=BASE_GLYPHS, glyph_count=None):
        extra = extra_glyphs(400 if big else 0, first_shape=500)
        if big:
            extra = [(n, cp, tf.bits_glyph(500 + i, tf.filler_program(250 + i % 7, seed=i)), a)
                     for i, (n, cp, g, a) in enumerate(extra)]
        tables, cmap = crafted(extra)
        tables["loca"] = loca(tables)
        if long_format:
            tables["head"] = tf.patch(tables["head"], 50, ">h", 1)
        corpus.add(name, "structure", tables, "accept", cmap, note=note, glyphs=glyphs, glyph_count=glyph_count)

    loca_case("loca-past-glyf.ttf",
              lambda t: t["loca"][:6] + struct.pack(">H", 0xFFF0) + t["loca"][8:],
              "a loca entry far past the end of glyf")
    loca_case("loca-short.ttf", lambda t: t["loca"][:6], "loca with 3 of its 7 entries: 2 glyphs",
              glyphs={".notdef": 0, "space": 1})
    loca_case("loca-decreasing.ttf",
              lambda t: struct.pack(">7H", 0, 80, 60, 40, 20, 10, 0), "loca offsets going down")
    loca_case("loca-hostile-big.ttf",
              lambda t: struct.pack(">%dI" % 300, *[(0xFFFFFFFF - 977 * i) if i % 3 == 0 else
                                                     (len(t["glyf"]) - 1 - 331 * i) % len(t["glyf"])
                                                     for i in range(300)]),
              "glyf over 64 KB with a long loca that is too short, goes down, "
              "points past glyf and has odd offsets: 299 glyphs", long_format=True, big=True,
              glyphs={".notdef": 0, "eacute": 5, "x000": 6, "x292": 298}, glyph_count=299)

    tables, cmap = crafted()
    tables["glyf"] = b""
    corpus.add("glyf-empty.ttf", "structure", tables, "accept", cmap,
               note="a glyf table of length 0: every glyph is empty")

    reject = lambda name, data, note: corpus.add(name, "structure", data, "reject", note=note)
    reject("dir-offset-past-end.ttf", tf.patch_directory(good, "cvt ", offset=len(good) + 16),
           "the cvt entry starts past the end of the file")
    reject("dir-length-huge.ttf", tf.patch_directory(good, "fpgm", length=0xFFFFFFFF),
           "an fpgm length of 0xFFFFFFFF")
    reject("dir-offset-wraps.ttf", tf.patch_directory(good, "prep", offset=0xFFFFFFF0, length=0x20),
           "a prep offset whose end wraps past 2^32")
    reject("cut-in-directory.ttf", good[:12 + 16 * 3 + 5], "the file ends inside its directory")
    reject("cut-in-head.ttf", good[:head_at + 20], "the file ends inside head")
    reject("cut-in-glyf.ttf", tf.write_sfnt(tf.base(), order=[t for t in tf.DATA_ORDER if t != "glyf"] + ["glyf"])[:-100],
           "the file ends inside glyf")
    for tag in ("head", "loca", "maxp", "glyf", "hhea"):
        reject("no-%s.ttf" % tag.strip(), tf.base(drop=[tag]), "no %s table" % tag)
    tables = tf.base()
    tables["head"] = tables["head"][:20]
    reject("head-short.ttf", tables, "a head table of 20 bytes")
    tables = tf.base()
    tables["maxp"] = tf.patch(tables["maxp"], 4, ">H", 0)
    reject("maxp-no-glyphs.ttf", tables, "maxp says there are no glyphs")
    with_upem0 = tf.base()
    with_upem0["head"] = tf.patch(with_upem0["head"], 18, ">H", 0)
    reject("upem-0.ttf", with_upem0, "unitsPerEm 0")
    reject("empty.ttf", b"", "an empty file")
    reject("not-a-font.ttf", b"%!PS\n(owned) print\n" * 20, "a PostScript file")
    reject("numtables-huge.ttf", tf.patch(good, 4, ">H", 0xFFFF)[:4096], "numTables 65535 in 4 KB")
    reject("ttc-past-end.ttc", struct.pack(">4sIII", b"ttcf", 0x00010000, 1, 0x7FFFFFF0) + good,
           "a collection whose face starts past the end")
    reject("ttc-no-faces.ttc", struct.pack(">4sII", b"ttcf", 0x00010000, 0) + good,
           "a collection without faces")

    # Two glyf entries: the first one counts, for FreeType and for sfnts.
    tables, cmap = crafted()
    font = tf.write_sfnt(tables)
    count = struct.unpack(">H", font[4:6])[0]
    entry = font[12:12 + 16 * count]
    glyf_entry = [entry[i:i + 16] for i in range(0, len(entry), 16) if entry[i:i + 4] == b"glyf"][0]
    bogus = b"glyf" + glyf_entry[4:8] + struct.pack(">II", 0, 64)
    # Put the bogus entry after the real one and shift every offset by 16.
    entries = []
    for i in range(count):
        e = entry[16 * i:16 * i + 16]
        entries.append(e[:8] + struct.pack(">I", struct.unpack(">I", e[8:12])[0] + 16) + e[12:])
        if e[:4] == b"glyf":
            entries.append(bogus)
    font = tf.sfnt_directory_header(count + 1) + b"".join(entries) + font[12 + 16 * count:]
    corpus.add("dir-duplicate-glyf.ttf", "structure", font, "accept", cmap,
               note="two glyf entries; the second points at the directory")


# ------------------------------------------------------------ CFF outlines

def cff_font(subrs=None, charstrings=None):
    """An OpenType font with CFF outlines, family Quelin CFF: boxes for
    space, A, B and C; `subrs` and `charstrings` (name -> program) replace
    its local subroutines and glyph programs."""
    from fontTools.fontBuilder import FontBuilder
    from fontTools.pens.t2CharStringPen import T2CharStringPen
    from fontTools.misc.psCharStrings import T2CharString
    from fontTools.cffLib import SubrsIndex
    names = [".notdef", "space", "A", "B", "C"]
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({0x20: "space", 0x41: "A", 0x42: "B", 0x43: "C"})
    strings = {}
    for i, name in enumerate(names):
        pen = T2CharStringPen(600, None)
        if name != "space":
            for x, y in ((50 + 20 * i, 0), (550 - 20 * i, 0), (550 - 20 * i, 700), (50 + 20 * i, 700)):
                (pen.lineTo if (x, y) != (50 + 20 * i, 0) else pen.moveTo)((x, y))
            pen.closePath()
        strings[name] = pen.getCharString()
    fb.setupCFF("QuelinCff-Regular", {"FullName": "Quelin CFF Regular", "FamilyName": "Quelin CFF"}, strings, {})
    fb.setupHorizontalMetrics({n: (600, 50) for n in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Quelin CFF", "styleName": "Regular", "psName": "QuelinCff-Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost()
    cff = fb.font["CFF "].cff
    top = cff.topDictIndex[0]
    if subrs is not None:
        top.Private.Subrs = SubrsIndex()
        for program in subrs:
            top.Private.Subrs.append(T2CharString(program=program))
    for name, program in (charstrings or {}).items():
        top.CharStrings[name] = T2CharString(program=program, private=top.Private, globalSubrs=cff.GlobalSubrs)
    return fb.font


def cid_font():
    """A CID-keyed CFF font, family Quelin CID: HarfBuzz's subset of three
    glyphs of Noto Sans CJK, renamed; None when that font or hb-subset is
    not installed."""
    import subprocess
    import tempfile
    from fontTools.ttLib import TTFont
    source = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "cid.otf")
        try:
            subprocess.run(["hb-subset", "--font-file=" + source, "--face-index=0", "--unicodes=41,4E2D,6587",
                            "--drop-tables+=GSUB,GPOS,GDEF,BASE,vhea,vmtx,VORG", "-o", out], check=True)
        except (OSError, subprocess.CalledProcessError):
            return None
        font = TTFont(out)
    for record in font["name"].names:
        if record.nameID in (1, 4, 6, 16):
            record.string = {1: "Quelin CID", 4: "Quelin CID Regular", 6: "QuelinCid-Regular", 16: "Quelin CID"}[
                record.nameID]
    return font


def cff_bytes(font):
    from io import BytesIO
    font.recalcBBoxes = False
    out = BytesIO()
    font.save(out)
    return bytearray(out.getvalue())


def cff_table(data):
    """Where the CFF table starts in the file, and its Top DICT's operands:
    {operator: (offset of the last operand in the file, its length)}."""
    count, = struct.unpack(">H", data[4:6])
    for i in range(count):
        tag, _, offset, _ = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        if tag == b"CFF ":
            start = offset
    def index(at):
        n, = struct.unpack(">H", data[at:at + 2])
        size = data[at + 2]
        offsets = [int.from_bytes(data[at + 3 + k * size:at + 3 + (k + 1) * size], "big") for k in range(n + 1)]
        base = at + 2 + (n + 1) * size
        return base + offsets[-1], [(base + offsets[k], base + offsets[k + 1]) for k in range(n)]
    names_end, _ = index(start + data[start + 2])
    _, tops = index(names_end)
    operands, at, end, last = {}, tops[0][0], tops[0][1], None
    while at < end:
        b = data[at]
        size = 1 if 32 <= b <= 246 else 2 if 247 <= b <= 254 else 3 if b == 28 else 5 if b == 29 else 0
        if b == 30:
            size = 1
            while not (data[at + size] & 0x0F == 0x0F or data[at + size] >> 4 == 0x0F):
                size += 1
            size += 1
        if size:
            last = (at, size)
            at += size
        else:
            op = (12, data[at + 1]) if b == 12 else b
            operands[op] = last
            at += 2 if b == 12 else 1
    return start, operands


def offset_of(data, start, operands, op):
    """Where the offset operand of `op` points in the file, and where the operand is."""
    at, size = operands[op]
    b = data[at]
    value = (b - 139 if size == 1 else (b - 247) * 256 + data[at + 1] + 108 if 247 <= b <= 250 else
             -(b - 251) * 256 - data[at + 1] - 108 if size == 2 else
             struct.unpack(">h" if size == 3 else ">i", data[at + 1:at + size])[0])
    return start + value, at


def point_nowhere(data, operands, op):
    """Makes the offset operand of `op` the largest its encoding holds: past the end of a small file."""
    at, size = operands[op]
    assert size in (3, 5), "offset %s is not a 3- or 5-byte number" % (op,)
    data[at + 1:at + size] = b"\x7f\xff" if size == 3 else b"\x7f\xff\xff\xf0"


def cff_cases(corpus):
    """CFF fonts that print and convert must refuse in one sentence or draw cleanly."""
    def add(name, data, note):
        corpus.add(name, "cff", bytes(data), "print", note=note)
    add("cff-base.otf", cff_bytes(cff_font()), "a plain name-keyed CFF font")
    data = cff_bytes(cff_font())
    start, operands = cff_table(data)
    charstrings, _ = offset_of(data, start, operands, 17)
    size = data[charstrings + 2]
    past = cff_bytes(cff_font())
    last = charstrings + 3 + 5 * size
    past[last:last + size] = b"\xff" * size
    add("cff-charstrings-past-end.otf", past, "the CharStrings INDEX's last offset far past the end")
    many = cff_bytes(cff_font())
    many[charstrings:charstrings + 2] = b"\xff\xff"
    add("cff-charstrings-count.otf", many, "a CharStrings INDEX of 65,535 entries whose offsets run past the end")
    empty = cff_bytes(cff_font())
    empty[charstrings:charstrings + 2] = b"\0\0"
    maxp = empty.find(b"maxp")
    maxp_at, = struct.unpack(">I", empty[maxp + 8:maxp + 12])
    empty[maxp_at + 4:maxp_at + 6] = b"\xff\xff"
    add("cff-65535-glyphs-empty.otf", empty, "maxp says 65,535 glyphs, the CharStrings INDEX is empty")
    add("cff-subr-recursion.otf", cff_bytes(cff_font([[-107, "callsubr", "return"]],
                                                     {"A": [600, -107, "callsubr", "endchar"]})),
        "glyph A calls subroutine 0, which calls itself")
    add("cff-subr-loop.otf", cff_bytes(cff_font([[-106, "callsubr", "return"], [-107, "callsubr", "return"]],
                                                {"B": [-107, "callsubr", "endchar"], "C": [-106, "callsubr"]})),
        "subroutines 0 and 1 call each other; C never ends")
    add("cff-subr-past-end.otf", cff_bytes(cff_font([[100, 100, "rmoveto", "return"]],
                                                    {"A": [5000, "callsubr", "endchar"]})),
        "a call of a subroutine the font lacks")
    cid = cid_font()
    if cid is None:
        return
    add("cid-base.otf", cff_bytes(cid), "a plain CID-keyed CFF font")
    data = cff_bytes(cid)
    start, operands = cff_table(data)
    select, at = offset_of(data, start, operands, (12, 37))
    nowhere = bytearray(data)
    point_nowhere(nowhere, operands, (12, 37))
    add("cid-fdselect-nowhere.otf", nowhere, "the FDSelect offset past the end of the file")
    bad = bytearray(data)
    if bad[select] == 3:
        bad[select + 5] = 0xFF
    else:
        bad[select + 1:select + 4] = b"\xff\xff\xff"
    add("cid-fdselect-past-fdarray.otf", bad, "FDSelect gives glyphs a Font DICT past the FDArray")
    bad = bytearray(data)
    bad[select] = 0x7F
    add("cid-fdselect-format.otf", bad, "an FDSelect of an unknown format")


# ----------------------------------------------------------- for fuzzing

def textout_font(corpus):
    """A font for fuzz_textout: code page 1252 and 1251 characters reach
    glyphs whose names need every kind of escape."""
    names = [b"(", b")", b"\\", ESCAPE, b"%", b"/", b"\x01", b"\x92v", b"", b".notdef",
             b"a" * 63, b")" * 63, b"\x7f" * 63, b"\r\n", b"x y", b"{}", b"\xa0\xff", b"<>"]
    cps = [0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
           0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022]
    cps += [0x410 + i for i in range(32)]
    names += [b"cyr(%d)" % i if i % 2 else b"cyr\\%d" % i for i in range(32)]
    extra, post_names = named_glyphs(names, cps)
    tables, cmap = crafted(extra, post_names=post_names,
                           names={1: "Hostile Names", 4: "Hostile Names", 6: "Hostile)Names"})
    glyphs = given(names, uni2030=14, uni0160=15)  # the empty name and .notdef: names from code points
    del glyphs[""], glyphs[".notdef"]
    glyphs[".notdef"] = 0
    corpus.add("textout-names.ttf", "fuzz", tables, "accept", cmap, glyphs=glyphs, font_name="HostileNames",
               info={"FamilyName": "Hostile Names", "FullName": "Hostile Names"},
               note="glyph names that need escapes, reached from code pages 1252 and 1251")


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_hostile_fonts.py OUTDIR\n")
        return 2
    corpus = Corpus()
    names_cases(corpus)
    glyph_name_cases(corpus)
    size_cases(corpus)
    structure_cases(corpus)
    textout_font(corpus)
    cff_cases(corpus)
    corpus.write(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
