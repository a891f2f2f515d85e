"""Shared by the interop checks: running quelin and Ghostscript, reading
sfnt files by hand, taking converted programs apart, comparing pages."""

import os
import re
import struct
import subprocess
import sys
import tempfile

from fontTools.ttLib.standardGlyphOrder import standardGlyphOrder

# The tables a converted program carries, in directory (tag) order.
TAGS = [b"cvt ", b"fpgm", b"glyf", b"head", b"hhea", b"hmtx", b"loca", b"maxp", b"prep"]
HEADER_SIZE = 12 + 16 * len(TAGS)
MAX_STRING_DATA = 65534
CHECKSUM_MAGIC = 0xB1B0AFBA


class Checks:
    """Collects failures so one run reports all of them."""
    passed, failed = 0, 0

    def check(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAIL: " + what, flush=True)
        return ok


def main(cases):
    """Runs the named cases (all without names): check_x.py QUELIN FONTDIR [CASE...]."""
    quelin, fonts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    checks = Checks()
    for name, run in cases:
        if len(sys.argv) < 4 or name in sys.argv[3:]:
            run(checks, quelin, fonts)
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


def workdir():
    return tempfile.TemporaryDirectory(prefix="quelin-interop-")


def run_quelin(quelin, args, font_file=None):
    """Runs quelin; returns (exit status, stdout bytes, stderr text)."""
    command = [quelin]
    if font_file:
        command += ["--font-file", font_file]
    result = subprocess.run(command + list(args), capture_output=True)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


def face_name(quelin, font_file, index=0):
    """The name quelin lists for face `index` of a file added with --font-file."""
    _, out, _ = run_quelin(quelin, ["list"], font_file)
    first = out.decode("utf-8").splitlines()[0]
    names = first.split("\t")[0].rsplit(" (", 1)[0]
    return names.split(" & ")[index]


def installed(quelin, face):
    """The file of an installed face, as quelin finds it."""
    _, out, _ = run_quelin(quelin, ["info", face])
    return re.search(r"^File: +(.*)$", out.decode("utf-8"), re.M).group(1)


def convert(quelin, face, font_file=None):
    """The converted program as text (latin-1, so every byte survives)."""
    status, out, err = run_quelin(quelin, ["convert", face], font_file)
    if status != 0:
        raise RuntimeError("quelin convert %r failed (%d): %s" % (face, status, err))
    return out.decode("latin-1")


def ghostscript(args, inputs, read_paths=()):
    """Runs gs under -dSAFER; returns (exit status, stdout, stderr)."""
    command = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE"]
    command += ["--permit-file-read=" + p for p in read_paths]
    result = subprocess.run(command + list(args) + list(inputs), capture_output=True)
    return (result.returncode, result.stdout.decode("latin-1"),
            result.stderr.decode("latin-1"))


def render(ps_files, out_dir, stem, width, height, dpi, read_paths=()):
    """Renders without antialiasing; (status, messages, [(w, h, gray bytes) per page])."""
    pattern = os.path.join(out_dir, stem + "-%03d.pgm")
    status, out, err = ghostscript(
        ["-sDEVICE=pgmraw", "-r%d" % dpi, "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1",
         "-dDEVICEWIDTHPOINTS=%d" % width, "-dDEVICEHEIGHTPOINTS=%d" % height,
         "-dFIXEDMEDIA", "-sOutputFile=" + pattern], ps_files, read_paths)
    pages, n = [], 1
    while os.path.exists(pattern % n):
        with open(pattern % n, "rb") as f:
            data = f.read()
        m = re.match(rb"P5\s+(?:#[^\n]*\n)*(\d+)\s+(\d+)\s+255\s", data)
        pages.append((int(m.group(1)), int(m.group(2)), data[m.end():]))
        n += 1
    return status, out + err, pages


def ink(image):
    return sum(1 for b in image[2] if b != 255)


def differing_pixels(a, b):
    if a[:2] != b[:2]:
        return -1
    return sum(1 for x, y in zip(a[2], b[2]) if x != y)


# ------------------------------------------------------------ sfnt files

def u16(data, at):
    return struct.unpack_from(">H", data, at)[0]


def u32(data, at):
    return struct.unpack_from(">I", data, at)[0]


def sum32(data):
    data = data + b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


class Sfnt:
    """One face of a TrueType file or collection, read by hand: the raw
    directory entries and table bytes, nothing normalised."""

    def __init__(self, path, index=0):
        with open(path, "rb") as f:
            self.data = f.read()
        start = 0
        if self.data[:4] == b"ttcf":
            start = u32(self.data, 12 + 4 * index)
        self.entries = {}
        for i in range(u16(self.data, start + 4)):
            tag, checksum, offset, length = struct.unpack_from(
                ">4sIII", self.data, start + 12 + 16 * i)
            self.entries.setdefault(tag, (checksum, offset, length))

    def table(self, tag):
        _, offset, length = self.entries[tag]
        return self.data[offset:offset + length]

    def rebuilt_offsets(self):
        """Where each of the nine tables stands in the converted file."""
        where, at = {}, HEADER_SIZE
        for tag in TAGS:
            where[tag] = at
            if tag in self.entries:
                at += (self.entries[tag][2] + 3) & ~3
        return where

    def post_names(self):
        """Glyph names of a format 2 post table as bytes, duplicates and
        all; None for other formats."""
        if b"post" not in self.entries:
            return None
        post = self.table(b"post")
        if u32(post, 0) != 0x00020000:
            return None
        count = u16(post, 32)
        indexes = struct.unpack_from(">%dH" % count, post, 34)
        extra, at = [], 34 + 2 * count
        while at < len(post):
            extra.append(post[at + 1:at + 1 + post[at]])
            at += 1 + post[at]
        return [standardGlyphOrder[i].encode() if i < 258 else extra[i - 258]
                for i in indexes]

    def glyph_offsets(self):
        """loca as glyf offsets (numGlyphs + 1 entries at most)."""
        loca = self.table(b"loca")
        long_format = u16(self.table(b"head"), 50) != 0
        count = u16(self.table(b"maxp"), 4) + 1
        if long_format:
            return [u32(loca, 4 * i) for i in range(min(count, len(loca) // 4))]
        return [2 * u16(loca, 2 * i) for i in range(min(count, len(loca) // 2))]


# --------------------------------------------------- converted programs

def font_name(program):
    m = re.search(r"^/FontName /(\S*) def$", program, re.M)
    return m.group(1) if m else None


def char_strings(program):
    """{name token as written (/name or (...) cvn): glyph index}; a later
    definition replaces an earlier one, as in the interpreter."""
    block = re.search(r"^/CharStrings \d+ dict dup begin\n(.*?)^end readonly def$",
                      program, re.M | re.S).group(1)
    entries = {}
    for line in block.splitlines():
        m = re.match(r"^(/\S+|\(.*\) cvn) (\d+) def$", line)
        if not m:
            raise ValueError("unexpected CharStrings line %r" % line)
        entries[m.group(1)] = int(m.group(2))
    return entries


def token_name(token):
    """The name a CharStrings token stands for, as bytes."""
    if token.startswith("/"):
        return token[1:].encode("latin-1")
    body = token[1:token.rindex(") cvn")]
    return re.sub(r"\\([0-7]{1,3}|.)",
                  lambda m: chr(int(m.group(1), 8)) if m.group(1)[0] in "01234567" else m.group(1),
                  body, flags=re.S).encode("latin-1")


def ps_string(data):
    """A PostScript string literal for bytes, in octal where needed."""
    out = "("
    for b in data:
        if b in b"()\\" or b < 0x20 or b >= 0x7F:
            out += "\\%03o" % b
        else:
            out += chr(b)
    return out + ")"


def reference_font(path, index, glyphs):
    """PostScript that loads face `index` of a TrueType file as Ghostscript
    reads it and defines from it the font /ByIndex, whose CharStrings are
    /gN N for each glyph index in `glyphs`, so glyphs are drawn by index."""
    file = ps_string(path.encode())
    entries = " ".join("/g%d %d def" % (i, i) for i in sorted(set(glyphs)))
    return ("/QlnBefore FontDirectory length 1 add dict def\n"
            "FontDirectory { pop QlnBefore exch true put } forall\n"
            "<< /Path %s /SubfontID %d >> begin %s (r) file .loadfont end\n"
            "FontDirectory { pop dup QlnBefore exch known { pop } { /QlnLoaded exch def }\n"
            "ifelse } forall\n"
            "FontDirectory QlnLoaded get dup length dict begin\n"
            "{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
            "/CharStrings %d dict dup begin %s end def\n"
            "/ByIndex currentdict end definefont pop\n"
            % (file, index, file, len(set(glyphs)) + 1, entries))


def string_ends(program):
    """Offsets in the rebuilt file where the sfnts strings end, read
    loosely (the layout itself is check_sfnts.py's business)."""
    block = program[program.index("/sfnts[<"):program.index("00>]def")]
    ends, total = [], 0
    for piece in block[len("/sfnts[<"):].split("00><"):
        total += len(re.sub(r"\s", "", piece)) // 2
        ends.append(total)
    return ends
