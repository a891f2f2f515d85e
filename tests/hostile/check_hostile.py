#!/usr/bin/python3
"""Judge the conversion of one group of the hostile-font corpus.

Usage: check_hostile.py --fonts DIR --group NAME --driver HOSTILE_RUN
                        [--cli QUELIN] --work DIR

hostile_run converts every font of the group (under the sanitizers when the
build has them) and writes the programs and the drawing code of the probe
texts.  A font the manifest rejects must end in -1001, and the quelin
command must refuse it in one sentence with exit status 1 or 3.  For a font
the manifest accepts, Ghostscript loads the program with print, =, ==, show,
glyphshow, quit and owned made to print a marker; the program must load
without an error or a marker, and its FontName, FontInfo and CharStrings
must be what the conversion rules below make of the font's bytes.  The
drawing code of each probe text must draw exactly the text's runs and the
glyph names the rules give its other bytes, and must draw without an error.
Where the manifest lists glyph boxes, each glyph's outline must come out
with its box, which shows that the sfnts strings cut no glyph apart.

Prints 'N passed, N failed' and exits non-zero on any failure.
"""

import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys

from fontTools import agl
from fontTools.ttLib.standardGlyphOrder import standardGlyphOrder

# Texts that try to leave a show string, or that need escapes or glyphshow.
PROBES = [
    b") (owned) print (",
    b"\\",
    b"%",
    b"a\\",
    b"(",
    b")",
    b"\\) (owned) print (\\",
    bytes(range(1, 32)) + b"\x7f",
    bytes(range(128, 256)),
    b"\r\n(owned) print\r(",
    b"%!PS\n(owned) print",
    b"Caf\xe9 (au lait) \xe0 \x80 \x92v",
]

MARKER = "@@OWNED@@"
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak|Memory)Sanitizer|runtime error:|FUZZ CHECK FAILED")

# ------------------------------------------------------------- the rules


def u16(data, at):
    return struct.unpack_from(">H", data, at)[0]


def u32(data, at):
    return struct.unpack_from(">I", data, at)[0]


def directory(data):
    """[(tag, offset, length)] of face 0."""
    start = u32(data, 12) if data[:4] == b"ttcf" else 0
    return [(tag.decode("latin-1"), offset, length) for tag, _, offset, length in
            (struct.unpack_from(">4sIII", data, start + 12 + 16 * i) for i in range(u16(data, start + 4)))]


def tables_of(entries, data):
    """{tag: (offset, bytes)} as FreeType sees them: the first entry of a
    tag with a length other than 0."""
    tables = {}
    for tag, offset, length in entries:
        if length and tag not in tables:
            tables[tag] = (offset, data[offset:offset + length])
    return tables


def glyph_count(entries, tables, file_size):
    """maxp's count, unless loca is too short for it and cannot grow into
    the gap before the next table: then what loca has room for."""
    count = u16(tables["maxp"][1], 4)
    loca_at, loca = tables["loca"]
    shift = 2 if struct.unpack_from(">h", tables["head"][1], 50)[0] != 0 else 1
    locations = min(len(loca), (0x40000 if shift == 2 else 0x20000) - 1) >> shift
    if locations <= count:
        gaps = [offset - loca_at for _, offset, _ in entries if offset > loca_at]
        gap = min(gaps) if gaps else file_size - loca_at
        if (count + 1) << shift > gap:
            count = max(locations - 1, 0)
    return count


def name_records(name):
    """The records FreeType keeps: not empty, and inside the storage."""
    if name is None or len(name) < 6:
        return []
    _, count, storage = struct.unpack_from(">3H", name, 0)
    storage_start = 6 + 12 * count
    if storage_start > len(name):
        return []
    records = []
    for i in range(count):
        plat, enc, lang, nid, length, offset = struct.unpack_from(">6H", name, 6 + 12 * i)
        at = storage + offset
        if length == 0 or at < storage_start or at + length > len(name):
            continue
        records.append((plat, enc, lang, nid, name[at:at + length]))
    return records


def name_string(records, nid):
    """The first Windows-English, Unicode or Macintosh-English record of the
    ID: UTF-16 one low byte per unit; at most 255 bytes; up to a zero byte."""
    for plat, enc, lang, rid, raw in records:
        if rid != nid:
            continue
        if (plat == 3 and enc in (0, 1) and lang & 0x3FF == 9) or plat == 0:
            text = bytes(raw[u + 1] for u in range(0, len(raw) - 1, 2))
        elif plat == 1 and lang == 0:
            text = raw
        else:
            continue
        return text[:255].split(b"\0")[0]
    return b""


def is_regular(c):
    return (0x21 <= c <= 0x7E and chr(c) not in "()<>[]{}/%") or c >= 0xA0


def font_name(raw):
    return bytes(c for c in raw if is_regular(c))[:127]


def version_text(text, revision):
    m = re.match(rb"(?i)version ([0-9])\.([0-9])([0-9])", text)
    if len(text) >= 12 and m:
        return b"00%c.%c%c0" % (m.group(1)[0], m.group(2)[0], m.group(3)[0])
    if revision >= 0x80000000:
        revision -= 1 << 32
    whole = revision >> 16
    thousandths = ((revision & 0xFFFF) * 1000) >> 16
    return b"%03d.%03d" % (whole, thousandths)


def weight_name(weight_class):
    names = [b"Thin", b"Extra Light", b"Light", b"Regular", b"Medium", b"Semibold", b"Bold",
             b"Extra Bold", b"Black"]
    return names[min(int((weight_class - 50) / 100), 8)]


def post_names(post, num_glyphs, maxp_glyphs):
    """Each glyph's name as FreeType gives it; b"" where it gives none.
    FreeType holds the table's count against maxp's."""
    if post is None or len(post) < 32:
        return [b".notdef"] * num_glyphs
    version = u32(post, 0)
    if version == 0x00010000:
        return [standardGlyphOrder[g].encode() if g < 258 else b".notdef" for g in range(num_glyphs)]
    if version == 0x00030000:
        return [b""] * num_glyphs
    if version != 0x00020000:
        return [b".notdef"] * num_glyphs
    if len(post) < 34:
        return [b""] * num_glyphs
    count = u16(post, 32)
    if count > maxp_glyphs or count * 2 > len(post) - 34:
        return [b""] * num_glyphs
    indices = struct.unpack_from(">%dH" % count, post, 34)
    wanted = max([i - 257 for i in indices if i >= 258] + [0])
    strings, at = [], 34 + 2 * count
    while len(strings) < wanted and at < len(post):
        length = post[at]
        at += 1
        if length > 63:
            return [b""] * num_glyphs  # FreeType 2.12 takes no name of the table then
        length = min(length, len(post) - at)
        strings.append(post[at:at + length])
        at += length
    strings += [b""] * (wanted - len(strings))
    names = []
    for g in range(num_glyphs):
        if g >= count:
            names.append(b".notdef")
        elif indices[g] < 258:
            names.append(standardGlyphOrder[indices[g]].encode())
        else:
            names.append(strings[indices[g] - 258])
    return names


class Rules:
    """What the conversion must make of one font file."""

    def __init__(self, path, entry, latin1_names):
        data = open(path, "rb").read()
        entries = directory(data)
        located = tables_of(entries, data)
        tables = {tag: table for tag, (_, table) in located.items()}
        records = name_records(tables.get("name"))
        head, post, os2 = tables["head"], tables.get("post"), tables.get("OS/2")
        if post is not None and len(post) < 32:
            post = None
        self.font_name = font_name(name_string(records, 6))
        self.info = {
            "version": version_text(name_string(records, 5), u32(head, 4)),
            "Notice": name_string(records, 7),
            "FullName": name_string(records, 4),
            "FamilyName": name_string(records, 1),
            "Weight": weight_name(u16(os2, 4)) if os2 is not None and len(os2) >= 78 else b"Regular",
        }
        italic = struct.unpack_from(">i", post, 4)[0] if post else 0
        self.italic = italic / 65536.0
        self.underline = struct.unpack_from(">hh", post, 8) if post else (0, 0)
        self.fixed_pitch = bool(u32(post, 12)) if post else False
        self.upem = u16(head, 18)

        num_glyphs = glyph_count(entries, located, len(data))
        self.cmap = {}
        for first, glyph, count in entry["cmap"]:
            for i in range(count):
                if glyph + i < num_glyphs:
                    self.cmap[first + i] = glyph + i
        lowest = {}
        for cp in sorted(self.cmap):
            lowest.setdefault(self.cmap[cp], cp)
        raw = [n.split(b"\0")[0][:63] for n in post_names(post, num_glyphs, u16(tables["maxp"], 4))]
        self.names = []
        for g in range(num_glyphs):
            name = raw[g]
            if not name or name == b".notdef":
                name = b".notdef"
                if g != 0 and g in lowest:
                    cp = lowest[g]
                    name = latin1_names.get(cp) or (b"uni%04X" % cp if cp <= 0xFFFF else b"u%05X" % cp)
            self.names.append(name)
        self.charstrings = {}
        notdef = False
        for g, name in enumerate(self.names):
            if name == b".notdef":
                if notdef:
                    continue
                notdef = True
            self.charstrings[name] = g
        if not notdef:
            self.charstrings[b".notdef"] = 0

    def glyph_of_byte(self, byte):
        try:
            cp = ord(bytes([byte]).decode("cp1252"))
        except UnicodeDecodeError:
            cp = 0
        return self.cmap.get(cp, 0)

    def drawing(self, text):
        """[("SHOW", bytes) or ("GLYPH", name)] that drawing `text` must do."""
        items = []
        for byte in text:
            if byte < 128:
                if items and items[-1][0] == "SHOW":
                    items[-1] = ("SHOW", items[-1][1] + bytes([byte]))
                else:
                    items.append(("SHOW", bytes([byte])))
            else:
                items.append(("GLYPH", self.names[self.glyph_of_byte(byte)]))
        return [(kind, read_back(value) if kind == "SHOW" else value) for kind, value in items]


def read_back(text):
    """A string literal reads a CR, and a CR LF, as LF."""
    return text.replace(b"\r\n", b"\n").replace(b"\r", b"\n")


# ---------------------------------------------------------- Ghostscript

PROLOGUE = r"""
/out (%stdout) (w) file def
/wr { out exch writestring } bind def
/hexdigits (0123456789ABCDEF) def
/hex {
  dup type /nametype eq { dup length string cvs } if
  dup length 0 eq { pop (-) wr } {
    { dup -4 bitshift hexdigits exch 1 getinterval wr 15 and hexdigits exch 1 getinterval wr } forall
  } ifelse
} bind def
/num { 40 string cvs wr } bind def
/marker { (\n@@OWNED@@\n) wr } bind def
/trap 12 dict def
trap begin
  /owned { marker } def
  /print { pop marker } def
  /= { pop marker } def
  /== { pop marker } def
  /show { pop marker } def
  /glyphshow { pop marker } def
  /quit { marker } def
end
/record 12 dict def
record begin
  /owned { marker } def
  /print { pop marker } def
  /= { pop marker } def
  /== { pop marker } def
  /quit { marker } def
  /show { (SHOW ) wr hex (\n) wr } def
  /glyphshow { (GLYPH ) wr hex (\n) wr } def
end
/report { (ERROR ) wr $error /errorname get hex (\n) wr } bind def
"""


def ps_string(path):
    return "(" + path.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)") + ")"


def gs_script(program, name_hex, probe_files, render, upem):
    lines = [PROLOGUE]
    lines.append("count /c0 exch def countdictstack /d0 exch def")
    lines.append("trap begin { %s run } stopped { report } { (LOADED\\n) wr } ifelse end" % ps_string(program))
    lines.append("(STACK ) wr count c0 sub num ( ) wr countdictstack d0 sub num (\\n) wr")
    lines.append("clear")
    name_hex = "" if name_hex == "-" else name_hex
    lines.append("FontDirectory <%s> cvn known not { (NOFONT\\n) wr quit } if" % name_hex)
    lines.append("/F FontDirectory <%s> cvn get def" % name_hex)
    lines.append("(FONTNAME ) wr F /FontName get hex (\\n) wr")
    lines.append("/FI F /FontInfo get def")
    for key in ("version", "Notice", "FullName", "FamilyName", "Weight"):
        lines.append("(INFO %s ) wr FI /%s get hex (\\n) wr" % (key, key))
    lines.append("(ANGLE ) wr FI /ItalicAngle get num (\\n) wr")
    lines.append("(PITCH ) wr FI /isFixedPitch get num (\\n) wr")
    lines.append("(UNDERLINE ) wr FI /UnderlinePosition get num ( ) wr FI /UnderlineThickness get num (\\n) wr")
    lines.append("F /CharStrings get { exch (CHAR ) wr hex ( ) wr num (\\n) wr } forall")
    for n, probe in enumerate(probe_files):
        lines.append("(PROBE %d\\n) wr record begin { %s run } stopped { report } if end (END\\n) wr"
                     % (n, ps_string(probe)))
    lines.append("nulldevice F 50 scalefont setfont")
    for n, probe in enumerate(probe_files):
        lines.append("{ 10 10 moveto %s run } stopped { (DRAW %d ) wr report } if" % (ps_string(probe), n))
    if render:
        # 256 glyphs a font: the glyph names as an encoding, each code's
        # outline measured with charpath in font units.
        lines.append("/copyfont { F length 1 add dict F { exch dup /FID ne { exch 2 index 3 1 roll put } "
                     "{ pop pop } ifelse } forall } def")
        for start in range(0, len(render), 256):
            batch = render[start:start + 256]
            names = " ".join("<%s> cvn" % name.hex() for name, _ in batch)
            lines.append("/R copyfont def R /Encoding [ %s %d { /.notdef } repeat ] put"
                         % (names, 256 - len(batch)))
            lines.append("/RenderTest%d R definefont %d scalefont setfont" % (start, upem))
            lines.append("0 1 %d { /code exch def newpath 0 0 moveto { ( ) dup 0 code put true charpath "
                         "flattenpath pathbbox } stopped { (BOX ) wr code %d add num ( none\\n) wr clear } "
                         "{ 4 array astore (BOX ) wr code %d add num { ( ) wr cvi num } forall (\\n) wr } ifelse } for"
                         % (len(batch) - 1, start, start))
    lines.append("(DONE\\n) wr quit")
    return "\n".join(lines) + "\n"


def run_gs(script, work):
    path = os.path.join(work, "check.ps")
    with open(path, "w", encoding="latin-1") as f:
        f.write(script)
    return subprocess.run(["gs", "-q", "-dNODISPLAY", "-dBATCH", "-dNOPAUSE", "-dNOSAFER", path],
                          capture_output=True, timeout=300)


# --------------------------------------------------------------- checks


class Failures:
    def __init__(self):
        self.passed, self.failed = 0, 0

    def check(self, font, problems):
        if problems:
            self.failed += 1
            print("FAIL %s" % font)
            for p in problems[:20]:
                print("  " + p)
            if len(problems) > 20:
                print("  ... and %d more" % (len(problems) - 20))
        else:
            self.passed += 1
            print("ok   %s" % font)


def shown(value):
    return value.decode("latin-1").encode("unicode_escape").decode("ascii")


def check_accepted(font, rules, entry, result, work):
    problems = []
    if "NAME" not in result:
        return ["the driver did not finish this font: %s" % result.get("CHECK", "")]
    if unhex(result["NAME"]) != rules.font_name:
        problems.append("T42GetPSFontName gives %s, the rules %s"
                        % (shown(unhex(result["NAME"])), shown(rules.font_name)))
    probes = [os.path.join(work, result["PROBES"][n]) for n in range(len(PROBES))]
    render = []
    for gid, *box in entry.get("render", []):
        render.append((rules.names[gid], (gid, box)))
    out = run_gs(gs_script(os.path.join(work, font + ".t42"), result["NAME"], probes,
                           [(name, gid) for name, (gid, _) in render], rules.upem), work)
    stdout = out.stdout.decode("latin-1")
    stderr = out.stderr.decode("latin-1")
    if MARKER in stdout:
        problems.append("code from the font or the text ran (the marker was printed)")
    if out.returncode != 0 or "DONE" not in stdout:
        problems.append("Ghostscript exit status %d: %s" % (out.returncode, (stdout + stderr)[-400:]))
    if stderr.strip():
        problems.append("Ghostscript said: " + stderr.strip()[:400])
    lines = stdout.split("\n")
    if "LOADED" not in lines:
        problems.append("the program did not load: " + " ".join(l for l in lines if l.startswith("ERROR")))
        return problems
    if "STACK 0 0" not in lines:
        problems.append("the program left things on the stacks: " + [l for l in lines if l.startswith("STACK")][0])

    info, chars, boxes, probe_items, current = {}, {}, {}, {}, None
    for line in lines:
        parts = line.split(" ")
        if parts[0] == "FONTNAME":
            got = unhex(parts[1])
            if got != rules.font_name:
                problems.append("FontName %s, the rules give %s" % (shown(got), shown(rules.font_name)))
        elif parts[0] == "INFO":
            info[parts[1]] = unhex(parts[2])
        elif parts[0] == "ANGLE":
            if abs(float(parts[1]) - rules.italic) > 0.0011:
                problems.append("ItalicAngle %s, the font's is %.5f" % (parts[1], rules.italic))
        elif parts[0] == "PITCH":
            if parts[1] != ("true" if rules.fixed_pitch else "false"):
                problems.append("isFixedPitch %s" % parts[1])
        elif parts[0] == "UNDERLINE":
            if (int(parts[1]), int(parts[2])) != tuple(rules.underline):
                problems.append("underline %s %s, the font's %s" % (parts[1], parts[2], rules.underline))
        elif parts[0] == "CHAR":
            chars[unhex(parts[1])] = int(parts[2])
        elif parts[0] == "PROBE":
            current = int(parts[1])
            probe_items[current] = []
        elif parts[0] in ("SHOW", "GLYPH") and current is not None:
            probe_items[current].append((parts[0], unhex(parts[1])))
        elif parts[0] == "END":
            current = None
        elif parts[0] == "ERROR" and current is not None:
            problems.append("probe %d: error %s" % (current, unhex(parts[1]).decode("latin-1")))
        elif parts[0] == "DRAW":
            problems.append("drawing probe %s: error %s" % (parts[1], unhex(parts[3]).decode("latin-1")))
        elif parts[0] == "BOX":
            boxes[int(parts[1])] = None if parts[2] == "none" else [int(v) for v in parts[2:6]]

    for key, value in rules.info.items():
        if info.get(key) != read_back(value):
            problems.append("FontInfo %s is %s, the rules give %s"
                            % (key, shown(info.get(key, b"?")), shown(read_back(value))))
    if chars != rules.charstrings:
        missing = sorted(set(rules.charstrings) - set(chars))
        extra = sorted(set(chars) - set(rules.charstrings))
        wrong = sorted(n for n in set(chars) & set(rules.charstrings) if chars[n] != rules.charstrings[n])
        problems.append("CharStrings differ: missing %s, unexpected %s, other glyph for %s"
                        % ([shown(n) for n in missing[:5]], [shown(n) for n in extra[:5]],
                           [shown(n) for n in wrong[:5]]))
    for n, text in enumerate(PROBES):
        expected = rules.drawing(text)
        got = probe_items.get(n)
        if got != expected:
            problems.append("probe %d draws %s, it must draw %s"
                            % (n, [(k, shown(v)) for k, v in (got or [])][:8],
                               [(k, shown(v)) for k, v in expected][:8]))
        for kind, name in got or []:
            if kind == "GLYPH" and name not in chars:
                problems.append("probe %d shows glyph %s, which CharStrings lacks" % (n, shown(name)))
    for index, (name, (gid, box)) in enumerate(render):
        got = boxes.get(index)
        if got is None or any(abs(a - b) > 1 for a, b in zip(got, box)):
            problems.append("glyph %d (%s) has box %s, its outline %s" % (gid, shown(name), got, box))
    return problems


def unhex(text):
    return b"" if text == "-" else bytes.fromhex(text)


def check_rejected(font, path, result, cli, work):
    problems = []
    if result.get("RESULT") != "-1001":
        problems.append("conversion gave %s, not -1001" % result.get("RESULT"))
    if not cli:
        return problems
    listed = subprocess.run([cli, "--font-file", path, "list"], capture_output=True, timeout=120,
                            env=quiet_sanitizers())
    name = "Quelin Test Regular"
    if listed.returncode == 0:
        first = listed.stdout.decode("latin-1").split("\n")[0]
        if first.endswith("\t" + os.path.realpath(path)):
            name = first.split("\t")[0].rsplit(" (TrueType)", 1)[0].split(" & ")[0]
    out = subprocess.run([cli, "--font-file", path, "convert", name, "-o", os.path.join(work, "refused.t42")],
                         capture_output=True, timeout=120, env=quiet_sanitizers())
    message = out.stderr.decode("latin-1")
    lines = [l for l in message.split("\n") if l]
    if out.returncode not in (1, 3):
        problems.append("quelin convert exit status %d" % out.returncode)
    if len(lines) != 1 or not lines[0].startswith("quelin: ") or SANITIZER_REPORT.search(message):
        problems.append("quelin convert did not refuse in one sentence: %r" % message[:400])
    elif out.returncode == 1 and "(-1001)" not in lines[0]:
        problems.append("quelin convert refused for another reason: %s" % lines[0])
    return problems


def quiet_sanitizers():
    """The environment in the C locale (code page 1252, which the rules
    assume), with LeakSanitizer keeping its suppression counts to itself: a
    message must be one line."""
    env = dict(os.environ, LC_ALL="C")
    if env.get("LSAN_OPTIONS"):
        env["LSAN_OPTIONS"] += ":print_suppressions=0"
    return env


def latin1_names():
    """Code point -> name for the names of ISOLatin1Encoding, each standing
    for its first code point in the Adobe Glyph List."""
    out = subprocess.run(["gs", "-q", "-dNODISPLAY", "-dBATCH", "-dNOPAUSE", "-c",
                          "ISOLatin1Encoding { =only ( ) print } forall"], capture_output=True, check=True)
    names = {}
    for name in out.stdout.decode().split():
        if name in agl.AGL2UV:
            names.setdefault(agl.AGL2UV[name], name.encode())
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fonts", required=True)
    parser.add_argument("--group", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--cli")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    with open(os.path.join(args.fonts, "manifest.json")) as f:
        manifest = json.load(f)
    fonts = sorted(name for name, entry in manifest.items() if entry["group"] == args.group)
    if not fonts:
        print("no fonts in group %s" % args.group)
        return 1
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    probes = os.path.join(args.work, "probes.txt")
    with open(probes, "w") as f:
        f.write("".join(p.hex() + "\n" for p in PROBES))

    paths = [os.path.join(args.fonts, name) for name in fonts]
    run = subprocess.run([args.driver, args.work, probes] + paths, capture_output=True, timeout=900,
                         env=quiet_sanitizers())
    stdout = run.stdout.decode("latin-1")
    stderr = run.stderr.decode("latin-1")
    results, current = {}, None
    for line in stdout.split("\n"):
        key, _, value = line.partition(" ")
        if key == "FONT":
            current = results.setdefault(value, {"PROBES": {}})
        elif key == "PROBE" and current is not None:
            n, file = value.split(" ")
            current["PROBES"][int(n)] = file
        elif key in ("RESULT", "NAME", "CHECK") and current is not None:
            current[key] = value

    failures = Failures()
    if run.returncode != 0 or SANITIZER_REPORT.search(stderr) or "DONE 0" not in stdout:
        print("FAIL hostile_run exit status %d after %s" % (run.returncode, current))
        print(stderr[-6000:])
        failures.failed += 1
    names = latin1_names()
    for font in fonts:
        entry = manifest[font]
        result = results.get(font, {})
        path = os.path.join(args.fonts, font)
        if entry["expect"] == "reject":
            failures.check(font, check_rejected(font, path, result, args.cli, args.work))
        elif not result.get("RESULT", "").lstrip("-").isdigit() or int(result["RESULT"]) < 1000:
            failures.check(font, ["conversion gave %s (%s)" % (result.get("RESULT"), entry["note"])])
        elif "CHECK" in result:
            failures.check(font, [result["CHECK"]])
        else:
            failures.check(font, check_accepted(font, Rules(path, entry, names), entry, result, args.work))
    print("%d passed, %d failed" % (failures.passed, failures.failed))
    return 1 if failures.failed else 0


if __name__ == "__main__":
    sys.exit(main())
