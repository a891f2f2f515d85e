#!/usr/bin/python3
"""Glyphs of converted programs against the original fonts, in Ghostscript.

Each program must load under -dSAFER and define its font under its FontName
without a message. Its glyphs are drawn by name (the CharStrings keys it
writes) with glyphshow, a grid per page; the same glyphs are drawn from the
original file, loaded by Ghostscript itself, by glyph index. The pages must
be identical, and each name must lead to a glyph the original gives that
name. Cases: crafted, system, fontinfo.
"""

import os

from fontTools import agl

from interop_common import (char_strings, convert, differing_pixels, face_name, font_name, ghostscript, ink,
                            installed, main, open_font, rebuilt_layout, reference_font, render, string_ends,
                            token_name, workdir, write)

SIZE, CELL, COLUMNS = 18, 36, 20      # points at 72 dpi: 18-pixel glyphs
PAGE, PER_PAGE = CELL * COLUMNS, COLUMNS * COLUMNS


def original_names(path, index):
    """name -> the glyphs the original gives it: its format 2 post table,
    or else its Unicode map, the name read by the Adobe Glyph List rules."""
    font, by_name = open_font(path, index), {}
    if "post" in font and font["post"].formatType == 2:
        # fontTools makes names unique (A#1) and names empty ones; mapping has the real ones.
        for gid, name in enumerate(font.getGlyphOrder()):
            by_name.setdefault(font["post"].mapping.get(name, name).encode("latin-1"), set()).add(gid)
    cmap = {cp: font.getGlyphID(n) for cp, n in (font.getBestCmap() or {}).items()}

    def glyphs(name):
        found = by_name.get(name, set()) | ({0} if name == b".notdef" else set())
        text = agl.toUnicode(name.decode("latin-1"))
        return found or ({cmap[ord(text)]} if len(text) == 1 and ord(text) in cmap else set())
    return glyphs


def pages_code(items, font):
    """A grid page per PER_PAGE items, each PostScript drawing at the current point."""
    code = ""
    for first in range(0, len(items), PER_PAGE):
        code += "%s %d scalefont setfont\n" % (font, SIZE)
        for n, item in enumerate(items[first:first + PER_PAGE]):
            code += "%d %d moveto %s\n" % (CELL * (n % COLUMNS) + 6, PAGE - CELL * (n // COLUMNS + 1) + 9, item)
        code += "showpage\n"
    return code


def compare(checks, quelin, what, path, index=0, face=None, sample=None, texts=()):
    """The glyphs in sample(program) (all without one), and `texts`: (code
    drawn in the converted font, glyph indexes it must draw)."""
    program = convert(quelin, face or face_name(quelin, path, index), None if face else path)
    name, chosen = font_name(program), sample(program) if sample else None
    glyphs = sorted(((token, gid) for token, gid in char_strings(program).items() if chosen is None or gid in chosen),
                    key=lambda e: (e[1], e[0]))
    named = original_names(path, index)
    wrong = ["%s is %d, not %s" % (token, gid, sorted(named(token_name(token))) or "named")
             for token, gid in glyphs if gid not in named(token_name(token))]
    checks.check(not wrong, "%s: %d names lead elsewhere: %s" % (what, len(wrong), wrong[:8]))

    converted = ["%s glyphshow" % token for token, _ in glyphs] + [code for code, _ in texts]
    runs = [[gid] for _, gid in glyphs] + [ids for _, ids in texts]
    labels = ["%s (glyph %d)" % glyph for glyph in glyphs] + [code for code, _ in texts]
    with workdir() as tmp:
        draw = ("FontDirectory /%s known { (defined) } { (undefined) } ifelse print\n" % name +
                pages_code(converted, "FontDirectory /%s get" % name))
        status, messages, got = render([write(tmp, "program.ps", program), write(tmp, "draw.ps", draw)],
                                       tmp, "c", PAGE, PAGE, 72)
        checks.check(status == 0 and messages == "defined",
                     "%s: program loads and defines /%s: status %d, %r" % (what, name, status, messages[:300]))
        reference = reference_font(path, index, [gid for run in runs for gid in run]) + pages_code(
            [" ".join("/g%d glyphshow" % i for i in run) for run in runs], "/ByIndex findfont")
        status, messages, want = render([write(tmp, "reference.ps", reference)], tmp, "r", PAGE, PAGE, 72, [path])
    if not checks.check(status == 0 and want and all(ink(p) for p in want),
                        "%s: reference drawn: status %d, %r" % (what, status, messages[:300])):
        return
    checks.check(len(got) == len(want), "%s: %d pages, want %d" % (what, len(got), len(want)))
    for n, (a, b) in enumerate(zip(got, want)):
        diff = differing_pixels(a, b)
        if not checks.check(diff == 0, "%s: page %d: %d pixels differ" % (what, n + 1, diff)) and diff > 0:
            pixel = next(i for i, (x, y) in enumerate(zip(a[2], b[2])) if x != y)
            cell = pixel // a[0] // (a[0] // COLUMNS) * COLUMNS + pixel % a[0] // (a[0] // COLUMNS)
            print("  first in the cell of %s" % (labels[n * PER_PAGE + cell:] or ["nothing"])[0])
    print("%s: %d glyphs and %d texts compared" % (what, len(glyphs), len(texts)), flush=True)


def near_breaks(step, path):
    """Every step-th glyph, and those on either side of each string break inside glyf."""
    def glyphs(program):
        font = open_font(path)
        glyf, ends, locations = rebuilt_layout(font)[1]["glyf"], set(string_ends(program)), font["loca"].locations
        return {g for g in range(len(locations) - 1)
                if g % step == 0 or glyf + locations[g] in ends or glyf + locations[g + 1] in ends}
    return glyphs


def case_system(checks, quelin, fonts):
    for face, step in [("DejaVu Sans", 10), ("Droid Sans Fallback", 400)]:
        path = installed(quelin, face)
        compare(checks, quelin, face, path, face=face, sample=near_breaks(step, path))


def case_crafted(checks, quelin, fonts):
    for file in ["no-hinting.ttf", "big-glyf.ttf", "glyf-65535.ttf", "glyphnames-odd.ttf"]:
        compare(checks, quelin, file, os.path.join(fonts, file))
    compare(checks, quelin, "collection.ttc face 1", os.path.join(fonts, "collection.ttc"), 1)
    compare(checks, quelin, "big-hmtx.ttf", os.path.join(fonts, "big-hmtx.ttf"),
            sample=lambda program: {g for g in range(17000) if g % 1000 < 6})
    # No names in post: they come from the Unicode map, and text shown
    # through the encoding must reach the same glyphs.
    path = os.path.join(fonts, "post3.ttf")
    font = open_font(path)
    gid = {cp: font.getGlyphID(n) for cp, n in font.getBestCmap().items()}
    compare(checks, quelin, "post3.ttf", path, texts=[
        ("(ABC) show", [gid[0x41], gid[0x42], gid[0x43]]),
        ("/eacute glyphshow", [gid[0xE9]]), ("(\\351) show", [gid[0xE9]])])


def case_fontinfo(checks, quelin, fonts):
    """FontInfo strings read back in the interpreter equal the name table's."""
    base, collection = os.path.join(fonts, "base.ttf"), os.path.join(fonts, "collection.ttc")
    for path, index, face, font_file in [
            (base, 0, face_name(quelin, base), base),
            (collection, 1, face_name(quelin, collection, 1), collection),
            (installed(quelin, "DejaVu Sans"), 0, "DejaVu Sans", None),
            (installed(quelin, "Droid Sans Fallback"), 0, "Droid Sans Fallback", None)]:
        program = convert(quelin, face, font_file)
        table = open_font(path, index)["name"]
        want = {key: str(table.getName(nid, 3, 1, 0x409) or "") for key, nid in
                [("FullName", 4), ("FamilyName", 1), ("Notice", 7)]}
        query = "".join("(%s=) print FontDirectory /%s get /FontInfo get /%s get print (\\n) print "
                        % (key, font_name(program), key) for key in want)
        with workdir() as tmp:
            status, out, err = ghostscript(["-sDEVICE=nullpage"], [write(tmp, "program.ps", program), "-c", query])
        got = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        checks.check(status == 0 and got == want, "%s: FontInfo %r, want %r (%s)" % (face, got, want, err[:200]))


if __name__ == "__main__":
    raise SystemExit(main([("crafted", case_crafted), ("system", case_system), ("fontinfo", case_fontinfo)]))
