#!/usr/bin/python3
"""Subsets from T42GetSubsetFontData (the library in $QUELIN_LIBRARY) in
Ghostscript and poppler. Each glyph asked for, drawn by name from the
subset, must equal the same glyph drawn by index from the whole program,
pixel for pixel; a page drawn from the subset, made a PDF by Ghostscript,
must give its text back through pdftotext. The Chinese line must take at
most 16 KB. The crafted fonts are found through a fontconfig file of the
check's own."""

import ctypes
import os

from fontTools.ttLib import TTFont

from check_glyphs import pages_code, write
from interop_common import (char_strings, differing_pixels, face_name, font_name, ghostscript,
                            ink, installed, main, render, workdir)

CHINESE = "我能吞下玻璃而不伤身体。"


class Library:
    def __init__(self):
        lib = self.lib = ctypes.CDLL(os.environ["QUELIN_LIBRARY"])
        for f in ("T42GetFontData", "T42GetSubsetFontData", "T42GlobalLock"):
            getattr(lib, f).restype = ctypes.c_void_p
        lib.T42GlobalLock.argtypes = lib.T42GlobalSize.argtypes = lib.T42GlobalFree.argtypes = [ctypes.c_void_p]
        lib.T42GlobalSize.restype = ctypes.c_size_t

    def programs(self, face, glyphs):
        """(whole program, subset program) as latin-1 text; the subset None when refused."""
        request = (ctypes.c_uint8 * 60)()
        request[16] = 400 & 0xFF
        request[17] = 400 >> 8
        request[28:28 + len(face)] = face.encode()
        handle = self.lib.T42MakeTrueTypeFont(request)
        blocks = [self.lib.T42GetFontData(handle),
                  self.lib.T42GetSubsetFontData(handle, (ctypes.c_uint * len(glyphs))(*glyphs), len(glyphs))]
        texts = []
        for block in blocks:
            data = block and ctypes.string_at(self.lib.T42GlobalLock(block), self.lib.T42GlobalSize(block))
            texts.append(data and data.decode("latin-1"))
            block and self.lib.T42GlobalFree(block)
        return texts


def compare(checks, lib, face, path, text="", glyphs=(), max_size=None):
    """Draws `glyphs` and those of `text` (through the font's cmap) from both programs."""
    font = TTFont(path, fontNumber=0, lazy=True)
    cmap = font.getBestCmap()
    glyphs = list(glyphs) + [font.getGlyphID(cmap[ord(c)]) for c in text]
    whole, subset = lib.programs(face, glyphs)
    if not checks.check(subset, "%s: no subset of %s" % (face, glyphs)):
        return
    sub_names, whole_names = char_strings(subset), {g: t for t, g in char_strings(whole).items()}
    tokens = ["/g%d" % g if "/g%d" % g in sub_names else whole_names[g] for g in glyphs]
    checks.check(all(t in sub_names for t in tokens), "%s: names %s not all in the subset" % (face, tokens))
    if max_size:
        checks.check(len(subset) <= max_size, "%s: subset of %d bytes" % (face, len(subset)))
    name = font_name(whole)
    by_index = ("FontDirectory /%s get dup length dict begin { 1 index /FID ne { def } { pop pop } ifelse } "
                "forall /CharStrings %d dict dup begin %s end def /ByIndex currentdict end definefont pop\n"
                % (name, len(glyphs) + 1, " ".join("/g%d %d def" % (g, g) for g in glyphs)))
    with workdir() as tmp:
        pages = []
        for program, code in [(whole, by_index + pages_code(["/g%d glyphshow" % g for g in glyphs],
                                                            "/ByIndex findfont")),
                              (subset, pages_code(["%s glyphshow" % t for t in tokens],
                                                  "/%s findfont" % name))]:
            status, messages, got = render([write(tmp, "p.ps", program), write(tmp, "d.ps", code)],
                                           tmp, "p%d" % len(pages), 720, 720, 72)
            checks.check(status == 0 and not messages, "%s: %r" % (face, messages[:300]))
            pages.append(got)
        checks.check(pages[0] and len(pages[0]) == len(pages[1]) and all(
            ink(a) and differing_pixels(a, b) == 0 for a, b in zip(*pages)), "%s: the subset draws otherwise" % face)
        # The page made a PDF gives back the characters the glyphs stand for.
        line = "/%s findfont 24 scalefont setfont 20 400 moveto %s showpage\n" % (
            name, " ".join("%s glyphshow" % t for t in tokens))
        pdf = os.path.join(tmp, "t.pdf")
        status, _, err = ghostscript(["-sDEVICE=pdfwrite", "-sOutputFile=" + pdf],
                                     [write(tmp, "p.ps", subset), write(tmp, "t.ps", line)])
        got = os.popen("pdftotext %s -" % pdf).read().strip()
        want = "".join(chr(cmap_of(font, g)) for g in glyphs)
        checks.check(got == want, "%s: pdftotext gives %r, want %r" % (face, got, want))
    print("%s: %d glyphs, subset of %d bytes" % (face, len(glyphs), len(subset)), flush=True)


def cmap_of(font, glyph):
    """The lowest code point the font's Unicode map gives `glyph`."""
    return min(c for c, n in font.getBestCmap().items() if font.getGlyphID(n) == glyph)


def case_system(checks, quelin, fonts):
    lib = Library()
    # é and Ǆ are composite (Ǆ of a composite Ž and D), their parts not asked for.
    compare(checks, lib, "DejaVu Sans", installed(quelin, "DejaVu Sans"), "Ǆé(Å)\\ﬁ")
    # post format 3: names from the Unicode map.
    compare(checks, lib, "Droid Sans Fallback", installed(quelin, "Droid Sans Fallback"), "漢字かな")
    compare(checks, lib, "WenQuanYi Zen Hei", installed(quelin, "WenQuanYi Zen Hei"), CHINESE, max_size=16384)


def case_names(checks, quelin, fonts):
    """Glyphs 2 and 6 are both "A" in post, 3 is a second .notdef, 8 "x y":
    in the subset g2, g6, B (from the Unicode map) and (x y) cvn."""
    lib = Library()
    with workdir() as tmp:
        os.symlink(os.path.join(fonts, "glyphnames-odd.ttf"), os.path.join(tmp, "odd.ttf"))
        os.environ["FONTCONFIG_FILE"] = write(tmp, "fonts.conf", (
            "<fontconfig><include>/etc/fonts/fonts.conf</include><dir>%s</dir>"
            "<cachedir>%s</cachedir></fontconfig>" % (tmp, tmp)))
        compare(checks, lib, face_name(quelin, os.path.join(tmp, "odd.ttf")), os.path.join(tmp, "odd.ttf"),
                glyphs=[6, 2, 3, 8])
        checks.check(lib.programs("DejaVu Sans", [6253])[1] is None, "glyph past the end not refused")


if __name__ == "__main__":
    raise SystemExit(main([("system", case_system), ("names", case_names)]))
