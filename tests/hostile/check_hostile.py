#!/usr/bin/python3
"""Judge the conversion of one group of the hostile-font corpus (see README.md).

Usage: check_hostile.py --fonts DIR --group NAME --driver HOSTILE_RUN [--cli QUELIN] --work DIR

hostile_run converts the group's fonts, checking each program and drawing
code with fuzz/PsCheck. A rejected font must end in -1001 and be refused by
`quelin convert` in one sentence. An accepted font's program and probe
drawing code run in Ghostscript under -dSAFER with print, =, ==, quit and
owned trapped and show and glyphshow recorded: nothing may run, and the
program must hold what the manifest says; each probe must draw its runs and
the glyphs its other bytes map to; glyphs drawn by index keep their boxes.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys

# Texts that try to leave a show string, or that need escapes or glyphshow.
PROBES = [b") (owned) print (", b"\\", b"%", b"a\\", b"(", b")", b"\\) (owned) print (\\",
          bytes(range(1, 32)) + b"\x7f", bytes(range(128, 256)), b"\r\n(owned) print\r(",
          b"%!PS\n(owned) print", b"Caf\xe9 (au lait) \xe0 \x80 \x92v"]
MARKER = "@@OWNED@@"
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak|Memory)Sanitizer|runtime error:|FUZZ CHECK FAILED")

PROLOGUE = r"""
/out (%stdout) (w) file def
/wr { out exch writestring } bind def
/hex { dup type /stringtype ne { 400 string cvs } if
  { dup -4 bitshift (0123456789ABCDEF) exch 1 getinterval wr
    15 and (0123456789ABCDEF) exch 1 getinterval wr } forall ( x\n) wr } bind def
/marker { (\n@@OWNED@@\n) wr } bind def
/report { (ERROR ) wr $error /errorname get hex } bind def
/trap 10 dict def
trap begin
  /owned { marker } def /print { pop marker } def /= { pop marker } def /== { pop marker } def
  /quit { marker } def /show { (SHOW ) wr hex } def /glyphshow { (GLYPH ) wr hex } def
end
count /c0 exch def countdictstack /d0 exch def
"""


def ps_path(path):
    return "(" + path.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)") + ")"


def gs_script(program, name, probes, render, upem):
    """Every line of output is KEY, then a value in hex, then x."""
    lines = [PROLOGUE, "trap begin { %s run } stopped { report } if end" % ps_path(program),
             "(STACK ) wr count c0 sub countdictstack d0 sub 1000 mul add hex clear",
             "/F FontDirectory <%s> cvn get def (NAME ) wr F /FontName get hex" % name.hex(),
             "F /FontInfo get { exch (INFO ) wr hex (VALUE ) wr hex } forall",
             "F /CharStrings get { exch (CHAR ) wr hex (VALUE ) wr hex } forall"]
    for n, probe in enumerate(probes):
        lines.append("(PROBE ) wr %d hex trap begin { %s run } stopped { report } if end" % (n, ps_path(probe)))
    lines.append("(DRAW ) wr 0 hex nulldevice F 50 scalefont setfont")
    lines += ["{ 10 10 moveto %s run } stopped { report } if" % ps_path(probe) for probe in probes]
    # Glyphs by index, 256 a font: a copy of F whose CharStrings and
    # Encoding hold /gN for glyph N; each outline measured in font units.
    for start in range(0, len(render), 256):
        batch = render[start:start + 256]
        lines.append("/R F length dict def F { 1 index /FID ne { R 3 1 roll put } { pop pop } ifelse } forall")
        lines.append("R /CharStrings << /.notdef 0 %s >> put R /Encoding [ %s %d { /.notdef } repeat ] put"
                     % (" ".join("/g%d %d" % (g, g) for g in batch), " ".join("/g%d" % g for g in batch),
                        256 - len(batch)))
        lines.append("/Boxes%d R definefont %d scalefont setfont 0 1 %d { /code exch def (BOX ) wr newpath "
                     "0 0 moveto { ( ) dup 0 code put true charpath flattenpath pathbbox } stopped { clear (none ) wr } "
                     "{ 4 array astore { cvi 12 string cvs wr ( ) wr } forall } ifelse (x\\n) wr } for"
                     % (start, upem, len(batch) - 1))
    return "\n".join(lines + ["(DONE ) wr 0 hex"]) + "\n"


def run_ghostscript(font, entry, result, work):
    """[(KEY, value bytes)] of Ghostscript's run, and its problems."""
    probes = [os.path.join(work, result["PROBES"][n]) for n in range(len(PROBES))]
    render = [box[0] for box in entry.get("render", [])]
    script = os.path.join(work, "check.ps")
    with open(script, "w", encoding="latin-1") as f:
        f.write(gs_script(os.path.join(work, font + ".t42"), result["NAME"].encode("latin-1"), probes, render,
                          entry["upem"]))
    out = subprocess.run(["gs", "-q", "-dNODISPLAY", "-dBATCH", "-dNOPAUSE", "-dSAFER",
                          "--permit-file-read=%s/" % work, script], capture_output=True, timeout=300)
    stdout, stderr = out.stdout.decode("latin-1"), out.stderr.decode("latin-1")
    problems = ["code from the font or the text ran (the marker was printed)"] if MARKER in stdout else []
    if out.returncode != 0 or not stdout.endswith("DONE 30 x\n") or stderr.strip():
        problems.append("Ghostscript status %d: %s" % (out.returncode, (stdout + stderr)[-400:]))
    items = [(key, value if key == "BOX" else bytes.fromhex(value))
             for key, value in re.findall(r"^([A-Z]+) (.*?) ?x$", stdout, re.M)]
    return items, problems


def same(got, want):
    """A FontInfo value as read back against the manifest's."""
    if isinstance(want, bool):
        return got == (b"true" if want else b"false")
    if isinstance(want, (int, float)):
        return abs(float(got) - want) < 0.001
    return got == want.encode("latin-1")


def glyph_of_byte(byte, cmap):
    """The glyph a text byte's code page 1252 character maps to, 0 if none."""
    cp = ord(bytes([byte]).decode("cp1252", "replace"))
    return next((glyph + cp - first for first, glyph, count in cmap if first <= cp < first + count), 0)


def check_accepted(font, entry, result, work):
    if "NAME" not in result or len(result["PROBES"]) != len(PROBES):
        return ["the driver did not finish this font: %s" % result.get("CHECK", "")]
    want_name = entry["name"].encode("latin-1")
    problems = [] if result["NAME"].encode("latin-1") == want_name else ["T42GetPSFontName gives %r" % result["NAME"]]
    items, more = run_ghostscript(font, entry, result, work)
    problems += more
    info, chars, drawn, boxes, errors, key = {}, {}, {}, [], [], None
    for kind, value in items:
        if kind == "STACK" and value != b"0":
            problems.append("the program left %s more on the operand (+ 1000 x dictionary) stack" % value)
        elif kind == "NAME" and value != want_name:
            problems.append("FontName %r, want %r" % (value, want_name))
        elif kind in ("INFO", "CHAR"):
            key = (kind, value)
        elif kind == "VALUE":
            (info if key[0] == "INFO" else chars)[key[1]] = value
        elif kind in ("PROBE", "DRAW"):
            probe = drawn.setdefault(int(value or b"0") if kind == "PROBE" else "draw", [])
        elif kind in ("SHOW", "GLYPH"):
            (probe if drawn else errors).append((kind, value))
        elif kind == "ERROR":
            errors.append((kind, value))
        elif kind == "BOX":
            boxes.append(value)
    if errors:
        problems.append("while loading or drawing: %s" % errors[:5])
    for name, want in entry["info"].items():
        if not same(info.get(name.encode(), b"?"), want):
            problems.append("FontInfo /%s is %r, want %r" % (name, info.get(name.encode()), want))
    chars = {name: int(index) for name, index in chars.items()}
    wrong = [(n, i) for n, i in entry["glyphs"].items() if chars.get(n.encode("latin-1")) != i]
    if wrong or len(chars) != entry["glyph_count"]:
        problems.append("CharStrings has %d entries, want %d; wrong or missing: %s"
                        % (len(chars), entry["glyph_count"], wrong[:8]))
    named = set(chars.values())
    for n, text in enumerate(PROBES):
        got = drawn.get(n, [])
        want = [("SHOW", part.replace(b"\r\n", b"\n").replace(b"\r", b"\n")) if part[0] < 128 else ("GLYPH", part[0])
                for part in re.findall(rb"[\x00-\x7f]+|[\x80-\xff]", text)]
        if [kind for kind, _ in got] != [kind for kind, _ in want] or any(
                kind == "SHOW" and value != shown for (kind, value), (_, shown) in zip(want, got)):
            problems.append("probe %d draws %s" % (n, got[:8]))
            continue
        for (kind, byte), (_, name) in zip(want, got):
            glyph = glyph_of_byte(byte, entry["cmap"]) if kind == "GLYPH" else None
            if kind == "GLYPH" and (name not in chars or (chars[name] != glyph and glyph in named)):
                problems.append("probe %d: byte %d shows %r, not glyph %d" % (n, byte, name, glyph))
    for (gid, *want), got in zip(entry.get("render", []), boxes + ["none"] * len(entry.get("render", []))):
        box = [int(v) for v in got.split()] if got != "none" else []
        if len(box) != 4 or any(abs(a - b) > 1 for a, b in zip(box, want)):
            problems.append("glyph %d has the box %s, its outline %s" % (gid, got, want))
    return problems


def check_rejected(path, result, cli, work):
    problems = [] if result.get("RESULT") == "-1001" else ["conversion gave %s, not -1001" % result.get("RESULT")]
    if not cli:
        return problems
    # Every rejected font has the base font's names, where it has any.
    out = subprocess.run([cli, "--font-file", path, "convert", "Quelin Test Regular", "-o", os.path.join(work, "x")],
                         capture_output=True, env=quiet_sanitizers())
    message = out.stderr.decode("latin-1")
    lines = [line for line in message.split("\n") if line]
    if out.returncode not in (1, 3):
        problems.append("quelin convert exit status %d" % out.returncode)
    if len(lines) != 1 or not lines[0].startswith("quelin: ") or SANITIZER_REPORT.search(message):
        problems.append("quelin convert did not refuse in one sentence: %r" % message[:400])
    elif out.returncode == 1 and "(-1001)" not in lines[0]:
        problems.append("quelin convert refused for another reason: %s" % lines[0])
    return problems


def quiet_sanitizers():
    """The C locale (code page 1252); LeakSanitizer's suppression counts
    kept quiet, for a message must be one line."""
    return dict(os.environ, LC_ALL="C", LSAN_OPTIONS=os.environ.get("LSAN_OPTIONS", "") + ":print_suppressions=0")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--fonts", "--group", "--driver", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--cli")
    args = parser.parse_args()
    with open(os.path.join(args.fonts, "manifest.json")) as f:
        manifest = json.load(f)
    fonts = sorted(name for name, entry in manifest.items() if entry["group"] == args.group)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    with open(os.path.join(args.work, "probes.txt"), "w") as f:
        f.write("".join(p.hex() + "\n" for p in PROBES))

    run = subprocess.run([args.driver, args.work, f.name] + [os.path.join(args.fonts, name) for name in fonts],
                         capture_output=True, timeout=900, env=quiet_sanitizers())
    stdout, stderr = run.stdout.decode("latin-1"), run.stderr.decode("latin-1")
    results, current = {}, {}
    for line in stdout.split("\n"):
        key, _, value = line.partition(" ")
        if key == "FONT":
            current = results.setdefault(value, {"PROBES": {}})
        elif key == "PROBE":
            current["PROBES"][int(value.split(" ")[0])] = value.split(" ")[1]
        elif key in ("RESULT", "NAME", "CHECK"):
            current[key] = value

    failed = 0
    if not fonts or run.returncode != 0 or SANITIZER_REPORT.search(stderr) or "DONE 0" not in stdout:
        print("FAIL hostile_run (%d fonts) exit status %d:\n%s" % (len(fonts), run.returncode, stderr[-6000:]))
        failed += 1
    for font in fonts:
        entry, result = manifest[font], results.get(font, {})
        if entry["expect"] == "reject":
            problems = check_rejected(os.path.join(args.fonts, font), result, args.cli, args.work)
        elif not result.get("RESULT", "").lstrip("-").isdigit() or int(result["RESULT"]) < 1000:
            problems = ["conversion gave %s (%s)" % (result.get("RESULT"), entry["note"])]
        else:
            problems = [result["CHECK"]] if "CHECK" in result else check_accepted(font, entry, result, args.work)
        failed += bool(problems)
        print("%s %s" % ("FAIL" if problems else "ok  ", font) + "".join("\n  " + p for p in problems[:20]))
    print("%d passed, %d failed" % (len(fonts) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
