#!/usr/bin/python3
"""Pages printed by `quelin page`, end to end.

The document is rendered by Ghostscript and compared, pixel for pixel, with
a page drawn here from the TrueType file itself: every character goes
through the file's own Unicode map to a glyph index, drawn at the size and
the line positions the document uses. Host text must stay text: whatever
it holds, rendering prints nothing and the characters are drawn as given.
Cases: latin, cyrillic, scripts, cjk, bold, hostile, pdf.
"""

import functools
import os
import re
import subprocess

from interop_common import (differing_pixels, ink, installed, main, open_font, reference_font, render,
                            run_quelin, workdir, write)

A4 = (595, 842)
DPI = 100


@functools.lru_cache(maxsize=None)
def unicode_map(path):
    font = open_font(path)
    return {code: font.getGlyphID(name) for code, name in
            (font.getBestCmap() or font["cmap"].getcmap(3, 0).cmap).items()}


def glyph_indexes(path, text):
    """Glyph indexes through the file's Unicode map (a symbol font's from U+F000 on); 0 for what it lacks."""
    return [unicode_map(path).get(ord(c), unicode_map(path).get(0xF000 + ord(c), 0)) for c in text]


def reference_page(path, lines, size, points, paper):
    """The lines drawn by glyph index at the size and the points the document uses."""
    code = "<< /PageSize [%d %d] >> setpagedevice\n" % paper
    code += reference_font(path, 0, [g for line in lines for g in glyph_indexes(path, line)])
    code += "/ByIndex findfont %s scalefont setfont\n" % size
    for line, (x, y) in zip(lines, points):
        code += "%s %s moveto %s\n" % (x, y, " ".join("/g%d glyphshow" % g for g in glyph_indexes(path, line)))
    return code + "showpage\n"


def compare_page(checks, what, quelin, path, args, lines, paper=A4):
    """`quelin ARGS -o page.ps` against `lines` (the text as characters)
    drawn from `path` (None: the installed file of the face in ARGS)."""
    path = path or installed(quelin, args[args.index("page") + 1])
    with workdir() as tmp:
        page = os.path.join(tmp, "page.ps")
        status, _, err = run_quelin(quelin, list(args) + ["-o", page])
        if not checks.check(status == 0, "%s: quelin page: %d %s" % (what, status, err)):
            return
        with open(page, "rb") as f:
            document = f.read().decode("latin-1")
        size = (re.findall(r"findfont (\S+) scalefont setfont", document) or [None])[0]
        points = re.findall(r"^(\S+) (\S+) moveto$", document, re.M)
        want_size = args[args.index("--size") + 1] if "--size" in args else "12"
        checks.check(size and float(size) == float(want_size) and len(points) == len(lines),
                     "%s: size %s, %d lines placed, want %d" % (what, size, len(points), len(lines)))
        ref = write(tmp, "reference.ps", reference_page(path, lines, size or "12", points, paper))

        status, messages, got = render([page], tmp, "c", paper[0], paper[1], DPI)
        checks.check(status == 0 and messages == "",
                     "%s: rendering prints nothing: status %d, %r" % (what, status, messages[:300]))
        status, messages, want = render([ref], tmp, "r", paper[0], paper[1], DPI, [path])
        if not checks.check(status == 0 and len(want) == 1 and ink(want[0]),
                            "%s: reference drawn: status %d, %r" % (what, status, messages[:300])):
            return
        checks.check(len(got) == 1, "%s: %d pages" % (what, len(got)))
        if got:
            diff = differing_pixels(got[0], want[0])
            checks.check(diff == 0, "%s: %d pixels differ from the reference" % (what, diff))


def case_latin(checks, quelin, fonts):
    text = "Café (au lait) \\ 100% - don't `x`"
    compare_page(checks, "Latin", quelin, None, ["page", "DejaVu Sans", text], [text])
    compare_page(checks, "Latin, 20 pt letter", quelin, None,
                 ["page", "DejaVu Sans", text, "Œuvre à 5 €, ½ ÿ", "--size", "20",
                  "--paper", "letter"],
                 [text, "Œuvre à 5 €, ½ ÿ"], paper=(612, 792))


def case_cyrillic(checks, quelin, fonts):
    text = "Привет, мир"
    compare_page(checks, "Cyrillic", quelin, None,
                 ["--charset", "204", "page", "DejaVu Serif", text], [text])


def case_scripts(checks, quelin, fonts):
    """The crafted fonts' extra letters, through their code pages."""
    for file, charset, text in [("cyrillic.ttf", 204, "АБВГДЕ, абвгде AB"),
                                ("greek.ttf", 161, "ΑΒΓΔΕ αβγδε"),
                                ("symbol.ttf", 2, "ABC é")]:
        path = os.path.join(fonts, file)
        compare_page(checks, file, quelin, path,
                     ["--font-file", path, "--charset", str(charset), "page",
                      "Quelin Test Regular", text], [text])


def case_cjk(checks, quelin, fonts):
    """Double-byte code pages: each character one glyph, whatever its
    trail byte (in Shift JIS 表 and ソ end in a backslash, 本 in a brace)."""
    for charset, text in [(128, "日本語の表示、ソフト (x) - 1"), (134, "中文文本，简体字 (x) - 1"),
                          (129, "한국어 텍스트, 漢字 (x) - 1"), (136, "繁體中文 (x) - 1")]:
        compare_page(checks, "charset %d" % charset, quelin, None,
                     ["--charset", str(charset), "page", "WenQuanYi Zen Hei", text], [text])


def case_bold(checks, quelin, fonts):
    text = "Bold - don't"
    compare_page(checks, "bold", quelin, installed(quelin, "DejaVu Sans Bold"),
                 ["--weight", "700", "page", "DejaVu Sans", text], [text])


def case_hostile(checks, quelin, fonts):
    # Each argument tries to leave the string it is written into.
    lines = [") (owned) print (", "\\", "%", "(", ")) show (owned) = ((", "\\) print (owned"]
    compare_page(checks, "hostile text", quelin, None,
                 ["page", "DejaVu Sans"] + lines, lines)
    # Bytes 0x80-0x9F are binary tokens outside a string (0x92 0x76 is
    # print); taken raw they are characters of code page 1252.
    raw = b"\x92v (owned) \x8e\x05owned\x92\x76"
    compare_page(checks, "raw bytes", quelin, None,
                 ["--raw", "page", "DejaVu Sans", raw], [raw.decode("cp1252")])


def case_pdf(checks, quelin, fonts):
    for what, args, text in [
            ("Latin", ["page", "DejaVu Sans"], "Café (au lait) \\ 100%"),
            ("Cyrillic", ["--charset", "204", "page", "DejaVu Serif"], "Привет, мир")]:
        with workdir() as tmp:
            pdf = os.path.join(tmp, "page.pdf")
            status, _, err = run_quelin(quelin, args + [text, "-o", pdf])
            if not checks.check(status == 0 and os.path.exists(pdf),
                                "%s PDF: quelin page: %d %s" % (what, status, err)):
                continue
            result = subprocess.run(["pdftotext", pdf, "-"], capture_output=True)
            extracted = result.stdout.decode("utf-8", "replace")
            checks.check(result.returncode == 0 and text in extracted,
                         "%s PDF: pdftotext gives %r" % (what, extracted))


if __name__ == "__main__":
    raise SystemExit(main([("latin", case_latin), ("cyrillic", case_cyrillic),
                           ("scripts", case_scripts), ("cjk", case_cjk), ("bold", case_bold),
                           ("hostile", case_hostile),
                           ("pdf", case_pdf)]))
