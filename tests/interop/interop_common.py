"""Shared by the interop checks: quelin, Ghostscript, converted programs taken apart, pages, fontTools."""

import itertools
import os
import re
import struct
import subprocess
import sys
import tempfile

from fontTools.ttLib import TTFont

# The tables a converted program carries, in directory (tag) order.
TAGS = ["cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"]


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
    result = subprocess.run([quelin] + (["--font-file", font_file] if font_file else []) + list(args),
                            capture_output=True)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


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
    if status != 0:
        raise RuntimeError("quelin convert %r failed (%d): %s" % (face, status, err))
    return out.decode("latin-1")


def ghostscript(args, inputs, read_paths=()):
    """Runs gs under -dSAFER; returns (exit status, stdout, stderr)."""
    command = ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE"] + ["--permit-file-read=" + p for p in read_paths]
    result = subprocess.run(command + list(args) + list(inputs), capture_output=True)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def render(ps_files, out_dir, stem, width, height, dpi, read_paths=()):
    """Renders without antialiasing; (status, messages, [(w, h, gray bytes) per page])."""
    pattern = os.path.join(out_dir, stem + "-%03d.pgm")
    status, out, err = ghostscript(
        ["-sDEVICE=pgmraw", "-r%d" % dpi, "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1",
         "-dDEVICEWIDTHPOINTS=%d" % width, "-dDEVICEHEIGHTPOINTS=%d" % height,
         "-dFIXEDMEDIA", "-sOutputFile=" + pattern], ps_files, read_paths)
    pages = []
    while os.path.exists(pattern % (len(pages) + 1)):
        with open(pattern % (len(pages) + 1), "rb") as f:
            data = f.read()
        m = re.match(rb"P5\s+(?:#[^\n]*\n)*(\d+)\s+(\d+)\s+255\s", data)
        pages.append((int(m.group(1)), int(m.group(2)), data[m.end():]))
    return status, out + err, pages


def write(directory, name, text):
    path = os.path.join(directory, name)
    with open(path, "w", encoding="latin-1") as f:
        f.write(text)
    return path


def ink(image):
    return sum(1 for b in image[2] if b != 255)


def differing_pixels(a, b):
    return -1 if a[:2] != b[:2] else sum(1 for x, y in zip(a[2], b[2]) if x != y)


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
    block = program[program.index("/sfnts[<\n") + 9:program.index("\n00>]def") + 1]
    strings = [[]]
    for line in block.split("\n")[:-1]:
        if line == "00><":
            strings.append([])
        else:
            strings[-1].append(line)
    return strings


def string_ends(program):
    """Offsets in the rebuilt file where the sfnts strings end."""
    return list(itertools.accumulate(len("".join(lines)) // 2 for lines in sfnts_lines(program)))


def font_name(program):
    m = re.search(r"^/FontName /(\S*) def$", program, re.M)
    return m.group(1) if m else None


def char_strings(program):
    """{name token as written (/name or (...) cvn): glyph index}, a later entry replacing an earlier one."""
    block = re.search(r"^/CharStrings \d+ dict dup begin\n(.*?)^end readonly def$", program, re.M | re.S).group(1)
    entries = [re.match(r"^(/\S+|\(.*\) cvn) (\d+) def$", line) for line in block.splitlines()]
    if not all(entries):
        raise ValueError("unexpected CharStrings line %r" % block.splitlines()[entries.index(None)])
    return {m.group(1): int(m.group(2)) for m in entries}


def token_name(token):
    """The name a CharStrings token stands for, as bytes."""
    if token.startswith("/"):
        return token[1:].encode("latin-1")
    return re.sub(r"\\([0-7]{1,3}|.)", lambda m: chr(int(m.group(1), 8)) if m.group(1)[0] in "01234567"
                  else m.group(1), token[1:token.rindex(") cvn")], flags=re.S).encode("latin-1")


def reference_font(path, index, glyphs):
    """PostScript that loads face `index` of a TrueType file in Ghostscript as
    the font /ByIndex, whose CharStrings are /gN N for the glyphs given."""
    file = "(" + "".join("\\%03o" % b for b in path.encode()) + ")"
    entries = " ".join("/g%d %d def" % (i, i) for i in sorted(set(glyphs)))
    return ("/QlnBefore FontDirectory length 1 add dict def\n"
            "FontDirectory { pop QlnBefore exch true put } forall\n"
            "<< /Path %s /SubfontID %d >> begin %s (r) file .loadfont end\n"
            "FontDirectory { pop dup QlnBefore exch known { pop } { /QlnLoaded exch def } ifelse } forall\n"
            "FontDirectory QlnLoaded get dup length dict begin\n"
            "{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
            "/CharStrings %d dict dup begin %s end def\n"
            "/ByIndex currentdict end definefont pop\n"
            % (file, index, file, len(set(glyphs)) + 1, entries))


def open_font(path, index=0):
    return TTFont(path, fontNumber=index, lazy=True)
