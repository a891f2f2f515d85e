#!/usr/bin/python3
"""Converted programs, subsets (T42GetSubsetFontData of $QUELIN_LIBRARY) and printed pages against the original
fonts in Ghostscript, poppler and fontTools: check_interop.py QUELIN FONTDIR [CASE...]. Ghostscript must draw
everything silently, under -dSAFER, and pixel for pixel as it draws the original file by glyph index; converted
names and text must lead to the glyphs the original's post table or Unicode map gives them."""

import ctypes
import functools
import itertools
import os
import pathlib
import re
import struct
import subprocess
import sys
import tempfile

from fontTools import agl
from fontTools.ttLib import TTFont
from fontTools.ttLib.sfnt import calcChecksum

class Checks:
    """Collects failures so one run reports all of them."""
    passed, failed = 0, 0

    def check(self, ok, what):
        self.passed, self.failed = self.passed + bool(ok), self.failed + (not ok)
        ok or print("FAIL: " + what, flush=True)
        return ok


def main(cases):
    """Runs the named cases (all without names)."""
    quelin, fonts, checks = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), Checks()
    for run in [run for name, run in cases if len(sys.argv) < 4 or name in sys.argv[3:]]:
        run(checks, quelin, fonts)
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


workdir = functools.partial(tempfile.TemporaryDirectory, prefix="quelin-interop-")


def run_quelin(quelin, args, font_file=None):
    """Runs quelin; returns (exit status, stdout bytes, stderr text)."""
    r = subprocess.run([quelin] + (["--font-file", font_file] if font_file else []) + list(args), capture_output=True)
    return r.returncode, r.stdout, r.stderr.decode("utf-8", "replace")


def face_name(quelin, font_file, index=0):
    """The name quelin lists for face `index` of a file added with --font-file."""
    _, out, _ = run_quelin(quelin, ["list"], font_file)
    return out.decode("utf-8").splitlines()[0].split("\t")[0].rsplit(" (", 1)[0].split(" & ")[index]


def installed(quelin, face):
    """The file of an installed face, as quelin finds it."""
    _, out, _ = run_quelin(quelin, ["info", face])
    return re.search(r"^File: +(.*)$", out.decode("utf-8"), re.M).group(1)


def convert(quelin, face, font_file=None):
    """The converted program as text (latin-1, so every byte survives)."""
    status, out, err = run_quelin(quelin, ["convert", face], font_file)
    assert status == 0, "quelin convert %r failed (%d): %s" % (face, status, err)
    return out.decode("latin-1")


def ghostscript(args, inputs, read_paths=()):
    """Runs gs under -dSAFER; returns (exit status, stdout, stderr)."""
    command = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE"] + ["--permit-file-read=" + p for p in read_paths]
    result = subprocess.run(command + list(args) + list(inputs), capture_output=True)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def render(ps_files, out_dir, stem, width, height, dpi, read_paths=()):
    """Renders without antialiasing; (status, messages, [(w, h, gray bytes) per page])."""
    pattern = os.path.join(out_dir, stem + "-%03d.pgm")
    status, out, err = ghostscript(["-sDEVICE=pgmraw", "-r%d" % dpi, "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1",
                                    "-dDEVICEWIDTHPOINTS=%d" % width, "-dDEVICEHEIGHTPOINTS=%d" % height,
                                    "-dFIXEDMEDIA", "-sOutputFile=" + pattern], ps_files, read_paths)
    pages = []
    while os.path.exists(pattern % (len(pages) + 1)):
        data = pathlib.Path(pattern % (len(pages) + 1)).read_bytes()
        m = re.match(rb"P5\s+(?:#[^\n]*\n)*(\d+)\s+(\d+)\s+255\s", data)
        pages.append((int(m.group(1)), int(m.group(2)), data[m.end():]))
    return status, out + err, pages


def pdf_text(pdf):
    """What pdftotext reads from a PDF, stripped; None when it fails."""
    result = subprocess.run(["pdftotext", pdf, "-"], capture_output=True)
    return result.stdout.decode("utf-8", "replace").strip() if result.returncode == 0 else None


def write(directory, name, text):
    (path := pathlib.Path(directory, name)).write_text(text, encoding="latin-1")
    return str(path)


def differing_pixels(a, b):
    return -1 if a[:2] != b[:2] else sum(1 for x, y in zip(a[2], b[2]) if x != y)


def font_name(program):
    return re.search(r"^/FontName /(\S*) def$", program, re.M).group(1)


def char_strings(program):
    """{name token as written (/name or (...) cvn): glyph index}, a later entry replacing an earlier one."""
    block = re.search(r"^/CharStrings \d+ dict dup begin\n(.*?)^end readonly def$", program, re.M | re.S).group(1)
    entries = re.findall(r"^(/\S+|\(.*\) cvn) (\d+) def$", block, re.M)
    assert len(entries) == block.count("\n"), "unexpected CharStrings lines in %r" % block[:2000]
    return {token: int(gid) for token, gid in entries}


def token_name(token):
    """The name a CharStrings token stands for, as bytes."""
    unescape = lambda m: chr(int(m[1], 8)) if m[1][0] in "01234567" else m[1]
    text = token[1:] if token.startswith("/") else re.sub(r"\\([0-7]{1,3}|.)", unescape, token[1:-5], flags=re.S)
    return text.encode("latin-1")


def reference_font(path, index, glyphs):
    """PostScript loading face `index` of a TrueType file in Ghostscript as /ByIndex, CharStrings /gN N for `glyphs`."""
    file, glyphs = "(" + "".join("\\%03o" % b for b in path.encode()) + ")", sorted(set(glyphs))
    return ("/QlnBefore FontDirectory length 1 add dict def FontDirectory { pop QlnBefore exch true put } forall\n"
            "<< /Path %s /SubfontID %d >> begin %s (r) file .loadfont end\n"
            "FontDirectory { pop dup QlnBefore exch known { pop } { /QlnLoaded exch def } ifelse } forall\n"
            "FontDirectory QlnLoaded get dup length dict begin { 1 index /FID ne { def } { pop pop } ifelse } forall\n"
            "/CharStrings %d dict dup begin %s end def /ByIndex currentdict end definefont pop\n"
            % (file, index, file, len(glyphs) + 1, " ".join("/g%d %d def" % (i, i) for i in glyphs)))


def open_font(path, index=0):
    return TTFont(path, fontNumber=index, lazy=True)


SIZE, CELL, COLUMNS = 18, 36, 20      # points at 72 dpi: 18-pixel glyphs
PAGE, PER_PAGE = CELL * COLUMNS, COLUMNS * COLUMNS
INFO = [("FullName", 4), ("FamilyName", 1), ("Notice", 7)]
# The tables a converted program carries, in directory (tag) order.
TAGS = ["cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"]


def rebuilt_layout(font):
    """What sfnts must rebuild (head.checkSumAdjustment 0), and where each table starts."""
    directory, body, starts = struct.pack(">IHHHH", 0x00010000, 9, 128, 3, 16), b"", {}
    for tag in TAGS:
        entry = font.reader.tables.get(tag)
        data = font.reader[tag] if entry else b""
        data = data[:8] + bytes(4) + data[12:] if tag == "head" else data
        starts[tag] = 12 + 16 * len(TAGS) + len(body)
        directory += struct.pack(">4sIII", tag.encode(), entry.checkSum if entry else 0, starts[tag], len(data))
        body += data + bytes(-len(data) % 4)
    return directory + body, starts


def sfnts_lines(program):
    """Each sfnts string as its lines of hex digits, less "00><" or "00>]def" (the extra byte)."""
    block = program[program.index("/sfnts[<\n") + 9:program.index("\n00>]def")]
    return [string.split("\n") for string in block.split("\n00><\n")]


def string_ends(program):
    """Offsets in the rebuilt file where the sfnts strings end."""
    return list(itertools.accumulate(len("".join(lines)) // 2 for lines in sfnts_lines(program)))


def original_names(path, index):
    """name -> the glyphs the original gives it: its format 2 post table, or else its Unicode map, the name read by
    the Adobe Glyph List rules."""
    font, by_name = open_font(path, index), {}
    if "post" in font and font["post"].formatType == 2:
        # fontTools makes names unique (A#1) and names empty ones; mapping has the real ones.
        for gid, name in enumerate(font.getGlyphOrder()):
            by_name.setdefault(font["post"].mapping.get(name, name).encode("latin-1"), set()).add(gid)
    cmap = unicode_map(path, index)

    def glyphs(name):
        found = by_name.get(name, set()) | ({0} if name == b".notdef" else set())
        text = agl.toUnicode(name.decode("latin-1"))
        return found or ({cmap[ord(text)]} if len(text) == 1 and ord(text) in cmap else set())
    return glyphs


def pages_code(items, font):
    """A grid page per PER_PAGE items, each PostScript drawing at the current point."""
    cells = ["%d %d moveto" % (CELL * (n % COLUMNS) + 6, PAGE - CELL * (n // COLUMNS + 1) + 9) for n in range(PER_PAGE)]
    pages = ["".join("%s %s\n" % c for c in zip(cells, items[n:])) for n in range(0, len(items), PER_PAGE)]
    return "".join("%s %d scalefont setfont\n%sshowpage\n" % (font, SIZE, page) for page in pages)



def draw(checks, what, program, path, index, glyphs, texts=()):
    """`glyphs` ([(token, glyph index)]) drawn by name and `texts` ((code, the glyph indexes it must draw)), against
    the original drawn by index."""
    name, table = font_name(program), open_font(path, index)["name"]
    info = "".join("%s=%s\n" % (key, table.getName(nid, 3, 1, 0x409) or "") for key, nid in INFO)
    runs = [[gid] for _, gid in glyphs] + [ids for _, ids in texts]
    with workdir() as tmp:
        query = "".join("(%s=) print F /FontInfo get /%s get print (\\n) print " % (key, key) for key, _ in INFO)
        code = "FontDirectory /%s known { /F FontDirectory /%s get def %s } { (undefined) print } ifelse\n" % (
            name, name, query) + pages_code(["%s glyphshow" % t for t, _ in glyphs] + [c for c, _ in texts], "F")
        status, messages, got = render([write(tmp, "program.ps", program), write(tmp, "draw.ps", code)],
                                       tmp, "c", PAGE, PAGE, 72)
        checks.check(status == 0 and messages == info, "%s: program loads and defines /%s with FontInfo %r: "
                     "status %d, %r" % (what, name, info, status, messages[:300]))
        reference = reference_font(path, index, [gid for run in runs for gid in run]) + pages_code(
            [" ".join("/g%d glyphshow" % i for i in run) for run in runs], "/ByIndex findfont")
        status, messages, want = render([write(tmp, "reference.ps", reference)], tmp, "r", PAGE, PAGE, 72, [path])
    if not checks.check(status == 0 and want and all(min(p[2]) < 255 for p in want),
                        "%s: reference drawn: status %d, %r" % (what, status, messages[:300])):
        return
    checks.check(len(got) == len(want), "%s: %d pages, want %d" % (what, len(got), len(want)))
    for n, (a, b) in enumerate(zip(got, want), 1):
        checks.check(not differing_pixels(a, b), "%s: page %d: %d pixels differ" % (what, n, differing_pixels(a, b)))
    print("%s: %d glyphs and %d texts compared" % (what, len(glyphs), len(texts)), flush=True)


def compare(checks, quelin, what, path, index=0, face=None, sample=None, texts=()):
    """The glyphs in sample(program) (all without one) and `texts`, as draw() takes them."""
    program = convert(quelin, face or face_name(quelin, path, index), None if face else path)
    chosen = sample and sample(program)
    glyphs = [(t, g) for g, t in sorted((g, t) for t, g in char_strings(program).items() if not sample or g in chosen)]

    named = original_names(path, index)
    wrong = ["%s is %d, not %s" % (token, gid, sorted(named(token_name(token))) or "named")
             for token, gid in glyphs if gid not in named(token_name(token))]
    checks.check(not wrong, "%s: %d names lead elsewhere: %s" % (what, len(wrong), wrong[:8]))
    draw(checks, what, program, path, index, glyphs, texts)


def case_system(checks, quelin, fonts):
    """Every step-th glyph, and those on either side of each string break inside glyf."""
    for face, step in [("DejaVu Sans", 10), ("Droid Sans Fallback", 400)]:
        font = open_font(path := installed(quelin, face))
        glyf, at = rebuilt_layout(font)[1]["glyf"], font["loca"].locations
        compare(checks, quelin, face, path, face=face, sample=lambda program: {g for ends in [set(string_ends(program))]
                for g in range(len(at) - 1) if g % step == 0 or glyf + at[g] in ends or glyf + at[g + 1] in ends})


def case_crafted(checks, quelin, fonts):
    for file in ["no-hinting.ttf", "big-glyf.ttf", "glyf-65535.ttf", "glyphnames-odd.ttf"]:
        compare(checks, quelin, file, os.path.join(fonts, file))
    compare(checks, quelin, "collection.ttc face 1", os.path.join(fonts, "collection.ttc"), 1)
    compare(checks, quelin, "big-hmtx.ttf", os.path.join(fonts, "big-hmtx.ttf"),
            sample=lambda program: {g for g in range(17000) if g % 1000 < 6})
    # No names in post: they come from the Unicode map, and text shown
    # through the encoding must reach the same glyphs.
    gid = unicode_map(path := os.path.join(fonts, "post3.ttf"))
    compare(checks, quelin, "post3.ttf", path, texts=[("(ABC) show", [gid[0x41], gid[0x42], gid[0x43]]),
            ("/eacute glyphshow", [gid[0xE9]]), ("(\\351) show", [gid[0xE9]])])


def programs(face, glyphs):
    """(whole program, subset program) from the library as latin-1 text; the subset None when refused."""
    lib = ctypes.CDLL(os.environ["QUELIN_LIBRARY"])
    lib.T42GetFontData.restype = lib.T42GetSubsetFontData.restype = lib.T42GlobalLock.restype = ctypes.c_void_p
    lib.T42GlobalLock.argtypes = lib.T42GlobalSize.argtypes = lib.T42GlobalFree.argtypes = [ctypes.c_void_p]
    lib.T42GlobalSize.restype = ctypes.c_size_t
    request = (ctypes.c_uint8 * 60)()
    request[16:18], request[28:28 + len(face)] = [400 & 0xFF, 400 >> 8], face.encode()
    texts = []
    for block in [lib.T42GetFontData(handle := lib.T42MakeTrueTypeFont(request)),
                  lib.T42GetSubsetFontData(handle, (ctypes.c_uint * len(glyphs))(*glyphs), len(glyphs))]:
        data = block and ctypes.string_at(lib.T42GlobalLock(block), lib.T42GlobalSize(block))
        texts.append(data and data.decode("latin-1"))
        block and lib.T42GlobalFree(block)
    return texts


def subset(checks, face, path, text="", glyphs=(), tokens=None, max_size=None):
    """Draws `glyphs` and those of `text` (through the font's cmap), by the
    whole program's names or /gN (or by `tokens`), from the subset."""
    cmap = unicode_map(path)
    glyphs = list(glyphs) + [cmap[ord(c)] for c in text]
    whole, program = programs(face, glyphs)
    if not checks.check(program, "%s: no subset of %s" % (face, glyphs)):
        return
    names, whole_names = char_strings(program), {g: t for t, g in char_strings(whole).items()}
    tokens = tokens or ["/g%d" % g if "/g%d" % g in names else whole_names[g] for g in glyphs]
    checks.check(len(program) <= (max_size or len(program)), "%s: subset of %d bytes" % (face, len(program)))
    draw(checks, face + " subset", program, path, 0, list(zip(tokens, glyphs)))
    # The page made a PDF gives back the characters the glyphs stand for.
    with workdir() as tmp:
        line = "/%s findfont 24 scalefont setfont 20 400 moveto %s showpage\n" % (
            font_name(program), " ".join("%s glyphshow" % t for t in tokens))
        pdf = os.path.join(tmp, "t.pdf")
        ghostscript(["-sDEVICE=pdfwrite", "-sOutputFile=" + pdf], [write(tmp, "p", program), write(tmp, "t", line)])
        want = "".join(chr(min(c for c, gid in cmap.items() if gid == g)) for g in glyphs)
        checks.check(pdf_text(pdf) == want, "%s: pdftotext gives %r, want %r" % (face, pdf_text(pdf), want))


def case_subset(checks, quelin, fonts):
    # é and Ǆ are composite (Ǆ of a composite Ž and D), their parts not asked for.
    subset(checks, "DejaVu Sans", installed(quelin, "DejaVu Sans"), "Ǆé(Å)\\ﬁ")
    # post format 3: names from the Unicode map.
    subset(checks, "Droid Sans Fallback", installed(quelin, "Droid Sans Fallback"), "漢字かな")
    subset(checks, "WenQuanYi Zen Hei", installed(quelin, "WenQuanYi Zen Hei"), "我能吞下玻璃而不伤身体。",
           max_size=16384)
    checks.check(programs("DejaVu Sans", [6253])[1] is None, "glyph past the end not refused")


def case_subset_names(checks, quelin, fonts):
    """Glyphs 2 and 6 are both "A" in post, 3 is a second .notdef, 8 "x y": in the subset g6, g2, B (from the
    Unicode map) and (x y) cvn. The font is found through a fontconfig file of the check's own."""
    with workdir() as tmp:
        os.symlink(os.path.join(fonts, "glyphnames-odd.ttf"), path := os.path.join(tmp, "odd.ttf"))
        os.environ["FONTCONFIG_FILE"] = write(tmp, "fonts.conf", "<fontconfig><include>/etc/fonts/fonts.conf</include>"
                                              "<dir>%s</dir><cachedir>%s</cachedir></fontconfig>" % (tmp, tmp))
        subset(checks, face_name(quelin, path), path, glyphs=[6, 2, 3, 8], tokens=["/g6", "/g2", "/B", "(x y) cvn"])


def check_layout(checks, what, program, font, cut_glyf=None):
    strings = sfnts_lines(program)
    checks.check(strings[0][:1] == ["000100000009008000030010"] and all(len(l) == 32 for l in strings[0][1:10])
                 and all(re.fullmatch("[0-9A-F]{80}", l) for s in [strings[0][10:]] + strings[1:] for l in s[:-1])
                 and all(re.fullmatch("([0-9A-F]{2})+", s[-1]) for s in strings if s),
                 what + ": offset table, nine directory lines, then lines of 80 hex digits but the last")
    data = [bytes.fromhex("".join(lines)) for lines in strings]
    checks.check(all(0 < len(d) <= 65534 and len(d) % 2 == 0 for d in data),
                 "%s: strings of %s data bytes" % (what, sorted({len(d) for d in data})))
    rebuilt, (expected, starts) = b"".join(data), rebuilt_layout(font)
    masked = rebuilt[:starts["head"] + 8] + bytes(4) + rebuilt[starts["head"] + 12:]
    first = next((i for i, (a, b) in enumerate(zip(masked, expected)) if a != b), None)
    checks.check(len(rebuilt) == len(expected) and first is None, "%s: rebuilt file of %d bytes (want %d) differs "
                 "first at byte %s" % (what, len(rebuilt), len(expected), first))
    # The originals' own checksums are right, so the adjustment must give the magic sum.
    checks.check(calcChecksum(rebuilt) == 0xB1B0AFBA, "%s: whole-file checksum %08X" % (what, calcChecksum(rebuilt)))

    glyf = len(font.reader["glyf"])
    points = {len(expected)} | {starts[t] for t in TAGS if t in font.reader.tables}
    if glyf > 65534:
        points |= {starts["glyf"] + offset for offset in font["loca"].locations if offset % 2 == 0 and offset <= glyf}
    ends = string_ends(program)
    for start, end in zip([0] + ends, ends):
        checks.check(end in points or (end - start == 65534 and not any(start < p <= end for p in points)),
                     "%s: a string ends at %d, neither a table nor a glyph start" % (what, end))
    if cut_glyf is not None:
        # Guards the fonts on either side of the limit: is glyf split inside?
        cut = any(starts["glyf"] < e < starts["glyf"] + glyf for e in ends)
        checks.check(cut == cut_glyf, "%s: glyf cut inside: %s" % (what, cut))
    return data


def case_sfnts(checks, quelin, fonts):
    for file, cut in [("glyf-65534.ttf", False), ("glyf-65535.ttf", True), ("big-glyf.ttf", True)] + [
            (file, None) for file in ["big-hmtx.ttf", "big-cvt.ttf", "no-hinting.ttf", "base.ttf", "collection.ttc"]]:
        path, index = "%s/%s" % (fonts, file), int(file.endswith(".ttc"))
        data = check_layout(checks, file, convert(quelin, face_name(quelin, path, index), path),
                            open_font(path, index), cut)
        if file == "big-cvt.ttf":
            checks.check(len(data[0]) == 12 + 16 * 9, "big-cvt.ttf: first string holds %d bytes" % len(data[0]))
    for face in ["DejaVu Sans", "Droid Sans Fallback"]:
        check_layout(checks, face, convert(quelin, face), open_font(installed(quelin, face)), True)


A4 = (595, 842)


@functools.lru_cache(maxsize=None)
def unicode_map(path, index=0):
    """code point -> glyph, from the best Unicode map or else a symbol font's (3, 0) one."""
    font = open_font(path, index)
    cmap = font.getBestCmap() or font["cmap"].getcmap(3, 0).cmap
    return {code: font.getGlyphID(name) for code, name in cmap.items()}


def compare_page(checks, quelin, what, path, args, lines, paper):
    """`quelin ARGS -o page.ps` against `lines` (the text as characters)
    drawn from `path` (None: the installed file of the face in ARGS)."""
    path = path or installed(quelin, args[args.index("page") + 1])
    # Through the Unicode map (a symbol font's from U+F000 on); 0 for what it lacks.
    glyphs = [[unicode_map(path).get(ord(c), unicode_map(path).get(0xF000 + ord(c), 0)) for c in line]
              for line in lines]
    with workdir() as tmp:
        status, _, err = run_quelin(quelin, list(args) + ["-o", page := os.path.join(tmp, "page.ps")])
        if not checks.check(status == 0, "%s: quelin page: %d %s" % (what, status, err)):
            return
        document = pathlib.Path(page).read_bytes().decode("latin-1")
        size = (re.findall(r"findfont (\S+) scalefont setfont", document) or ["0"])[0]
        points = re.findall(r"^(\S+) (\S+) moveto$", document, re.M)
        want_size = args[args.index("--size") + 1] if "--size" in args else "12"
        checks.check(float(size) == float(want_size) and len(points) == len(lines),
                     "%s: size %s, %d lines placed, want %d" % (what, size, len(points), len(lines)))
        reference = ("<< /PageSize [%d %d] >> setpagedevice\n" % paper + reference_font(path, 0, sum(glyphs, [])) +
                     "/ByIndex findfont %s scalefont setfont\n" % size + "".join(
                         "%s %s moveto %s\n" % (x, y, " ".join("/g%d glyphshow" % g for g in line))
                         for line, (x, y) in zip(glyphs, points)) + "showpage\n")
        status, messages, got = render([page], tmp, "c", *paper, 100)
        checks.check(status == 0 and not messages,
                     "%s: rendering prints nothing: status %d, %r" % (what, status, messages[:300]))
        status, messages, want = render([write(tmp, "reference.ps", reference)], tmp, "r", *paper, 100, [path])
        if checks.check(status == 0 and len(want) == 1 and min(want[0][2]) < 255,
                        "%s: reference drawn: status %d, %r" % (what, status, messages[:300])):
            checks.check(len(got) == 1 and differing_pixels(got[0], want[0]) == 0, "%s: %d pages, %d pixels differ "
                         "from the reference" % (what, len(got), got and differing_pixels(got[0], want[0])))


LATIN = "Café (au lait) \\ 100% - don't `x`"
# Each argument tries to leave the string it is written into.
HOSTILE = [") (owned) print (", "\\", "%", "(", ")) show (owned) = ((", "\\) print (owned"]
# Bytes 0x80-0x9F are binary tokens outside a string (0x92 0x76 is print);
# taken raw they are characters of code page 1252.
RAW = b"\x92v (owned) \x8e\x05owned\x92\x76"
# Double-byte code pages: each character one glyph, whatever its trail byte
# (in Shift JIS 表 and ソ end in a backslash, 本 in a brace).
CJK = [(128, "日本語の表示、ソフト (x) - 1"), (134, "中文文本，简体字 (x) - 1"),
       (129, "한국어 텍스트, 漢字 (x) - 1"), (136, "繁體中文 (x) - 1")]
# (what, the file drawn from (None: the installed face's), arguments, lines, paper).
PAGES = {
    "latin": [("Latin, 20 pt letter", None, ["page", "DejaVu Sans", LATIN, "Œuvre à 5 €, ½ ÿ", "--size", "20",
                                             "--paper", "letter"], [LATIN, "Œuvre à 5 €, ½ ÿ"], (612, 792))],
    "cyrillic": [("Cyrillic", None, ["--charset", "204", "page", "DejaVu Serif", "Привет, мир"], ["Привет, мир"], A4)],
    "cjk": [("charset %d" % c, None, ["--charset", str(c), "page", "WenQuanYi Zen Hei", t], [t], A4) for c, t in CJK],
    "bold": [("bold", "DejaVu Sans Bold", ["--weight", "700", "page", "DejaVu Sans", "Bold - don't"],
              ["Bold - don't"], A4)],
    "hostile": [("hostile text", None, ["page", "DejaVu Sans"] + HOSTILE, HOSTILE, A4),
                ("raw bytes", None, ["--raw", "page", "DejaVu Sans", RAW], [RAW.decode("cp1252")], A4)],
}


def case(name):
    return name, lambda checks, quelin, _: [compare_page(checks, quelin, what, path and installed(quelin, path), *rest)
                                            for what, path, *rest in PAGES[name]]


def case_scripts(checks, quelin, fonts):
    """The crafted fonts' extra letters, through their code pages."""
    for file, charset, text in [("cyrillic.ttf", "204", "АБВГДЕ, абвгде AB"), ("greek.ttf", "161", "ΑΒΓΔΕ αβγδε"),
                                ("symbol.ttf", "2", "ABC é")]:
        args = ["--font-file", os.path.join(fonts, file), "--charset", charset, "page", "Quelin Test Regular", text]
        compare_page(checks, quelin, file, args[1], args, [text], A4)


def case_pdf(checks, quelin, fonts):
    for what, args, text in [("Latin", ["page", "DejaVu Sans"], "Café (au lait) \\ 100%"),
                             ("Cyrillic", ["--charset", "204", "page", "DejaVu Serif"], "Привет, мир")]:
        with workdir() as tmp:
            status, _, err = run_quelin(quelin, args + [text, "-o", pdf := os.path.join(tmp, "page.pdf")])
            checks.check(status == 0 and text in (pdf_text(pdf) or ""), "%s PDF: quelin page %d %s, pdftotext "
                         "gives %r" % (what, status, err, pdf_text(pdf)))


if __name__ == "__main__":
    raise SystemExit(main([("sfnts", case_sfnts), ("crafted", case_crafted), ("system", case_system),
                           ("subset", case_subset), ("subset-names", case_subset_names)] +
                          [case(name) for name in PAGES] + [("scripts", case_scripts), ("pdf", case_pdf)]))
