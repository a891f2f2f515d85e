#!/usr/bin/python3
"""Judge the conversion of one group of the hostile-font corpus (see README.md).
Usage: check_hostile.py FONTDIR GROUP HOSTILE_RUN WORKDIR [QUELIN]"""

import json
import os
import pathlib
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

# Every line of output is KEY, values in hex, then x.
PROLOGUE = r"""
/out (%stdout) (w) file def
/wr { out exch writestring } bind def
/hx { dup type /stringtype ne { 400 string cvs } if
  { dup -4 bitshift (0123456789ABCDEF) exch 1 getinterval wr
    15 and (0123456789ABCDEF) exch 1 getinterval wr } forall } bind def
/hex { hx ( x\n) wr } bind def
/pair { exch hx ( ) wr hex } bind def
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
    lines = [PROLOGUE, "trap begin { %s run } stopped { report } if end" % ps_path(program),
             "(STACK ) wr count c0 sub countdictstack d0 sub 1000 mul add hex clear",
             "/F FontDirectory <%s> cvn get def (NAME ) wr F /FontName get hex" % name.hex(),
             "F /FontInfo get { (INFO ) wr pair } forall F /CharStrings get { (CHAR ) wr pair } forall"]
    lines += ["(PROBE ) wr %d hex trap begin { %s run } stopped { report } if end" % (n, ps_path(probe))
              for n, probe in enumerate(probes)] + ["(DRAW ) wr 0 hex nulldevice F 50 scalefont setfont"]
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


def same(got, want):
    """A FontInfo value as read back against the manifest's."""
    if isinstance(want, (int, float)) and not isinstance(want, bool):
        return abs(float(got) - want) < 0.001
    return got == (str(want).lower() if isinstance(want, bool) else want).encode("latin-1")


def glyph_of_byte(byte, cmap):
    """The glyph a text byte's code page 1252 character maps to, 0 if none."""
    cp = ord(bytes([byte]).decode("cp1252", "replace"))
    return next((glyph + cp - first for first, glyph, count in cmap if first <= cp < first + count), 0)


def check_accepted(font, entry, result, work):
    """The program and the probes' drawing code in Ghostscript under -dSAFER."""
    if "NAME" not in result or len(result["PROBES"]) != len(PROBES):
        return ["the driver did not finish this font: %s" % result.get("CHECK", "")]
    want_name, render = entry["name"].encode("latin-1"), entry.get("render", [])
    script = pathlib.Path(work, "check.ps")
    script.write_text(gs_script(os.path.join(work, font + ".t42"), result["NAME"].encode("latin-1"),
                                [os.path.join(work, result["PROBES"][n]) for n in range(len(PROBES))],
                                [box[0] for box in render], entry["upem"]), encoding="latin-1")
    out = subprocess.run(["gs", "-q", "-dNODISPLAY", "-dBATCH", "-dNOPAUSE", "-dSAFER",
                          "--permit-file-read=%s/" % work, script], capture_output=True, timeout=300)
    stdout, stderr = out.stdout.decode("latin-1"), out.stderr.decode("latin-1")
    problems = ["code from the font or the text ran (the marker was printed)"] if MARKER in stdout else []
    if out.returncode != 0 or not stdout.endswith("DONE 30 x\n") or stderr.strip():
        problems.append("Ghostscript status %d: %s" % (out.returncode, (stdout + stderr)[-400:]))
    info, chars, drawn, errors, boxes = {}, {}, {}, [], re.findall(r"^BOX (.*?) ?x$", stdout, re.M)
    for kind, value in re.findall(r"^(?!BOX )([A-Z]+) (.*?) ?x$", stdout, re.M):
        value = [bytes.fromhex(v) for v in value.split(" ")]
        if kind == "STACK" and value[0] != b"0":
            problems.append("the program left %s more on the operand (+ 1000 x dictionary) stack" % value[0])
        elif kind == "NAME" and value[0] != want_name:
            problems.append("FontName %r, want %r" % (value[0], want_name))
        elif kind in ("INFO", "CHAR"):
            (info if kind == "INFO" else chars)[value[0]] = value[1]
        elif kind in ("PROBE", "DRAW"):
            probe = drawn.setdefault(int(value[0] or b"0") if kind == "PROBE" else "draw", [])
        elif kind in ("SHOW", "GLYPH", "ERROR"):
            (probe if drawn and kind != "ERROR" else errors).append((kind, value[0]))
    problems += ["while loading or drawing: %s" % errors[:5]] if errors else []
    problems += ["FontInfo /%s is %r, want %r" % (name, info.get(name.encode()), want)
                 for name, want in entry["info"].items() if not same(info.get(name.encode(), b"?"), want)]
    chars = {name: int(index) for name, index in chars.items()}
    wrong = [(n, i) for n, i in entry["glyphs"].items() if chars.get(n.encode("latin-1")) != i]
    if wrong or len(chars) != entry["glyph_count"]:
        problems.append("CharStrings has %d entries, want %d; wrong or missing: %s"
                        % (len(chars), entry["glyph_count"], wrong[:8]))
    # Each probe draws its runs below 128 with show (a CR read back as LF),
    # every other byte with glyphshow of a name for the glyph its code page
    # 1252 character maps to; any name, for a glyph CharStrings does not name.
    named = set(chars.values())
    for n, text in enumerate(PROBES):
        got = [(kind, chars.get(v, -1) if kind == "GLYPH" else v) for kind, v in drawn.get(n, [])]
        want = [("SHOW", p) if p[0] < 128 else ("GLYPH", glyph_of_byte(p[0], entry["cmap"]))
                for p in re.findall(rb"[\x00-\x7f]+|[\x80-\xff]", text.replace(b"\r\n", b"\n").replace(b"\r", b"\n"))]
        if len(got) != len(want) or any(g != w and not (gk == wk == "GLYPH" and w not in named and g >= 0)
                                        for (gk, g), (wk, w) in zip(got, want)):
            problems.append("probe %d draws %s, want %s" % (n, got[:8], want[:8]))
    for (gid, *want), got in zip(render, boxes + ["none"] * len(render)):
        box = [int(v) for v in got.split()] if got != "none" else []
        if len(box) != 4 or any(abs(a - b) > 1 for a, b in zip(box, want)):
            problems.append("glyph %d has the box %s, its outline %s" % (gid, got, want))
    return problems


def check_rejected(path, result, cli, work):
    """-1001 from the library, and a refusal in one sentence from `quelin convert`."""
    problems = [] if result.get("RESULT") == "-1001" else ["conversion gave %s, not -1001" % result.get("RESULT")]
    if cli:
        # Every rejected font has the base font's names, where it has any.
        out = subprocess.run([cli, "--font-file", path, "convert", "Quelin Test Regular", "-o",
                              os.path.join(work, "x")], capture_output=True, env=quiet_sanitizers())
        message = out.stderr.decode("latin-1")
        lines = [line for line in message.split("\n") if line]
        if (out.returncode not in (1, 3) or len(lines) != 1 or not lines[0].startswith("quelin: ")
                or SANITIZER_REPORT.search(message) or (out.returncode == 1 and "(-1001)" not in lines[0])):
            problems.append("quelin convert did not refuse in one sentence (exit status %d): %r"
                            % (out.returncode, message[:400]))
    return problems


def check_printed(path, cli, work):
    """print (PostScript and PDF) and convert of a CFF font: each refuses in
    one sentence (exit status 1 or 3), or ends (0, or 4 for characters no
    font has) in a document Ghostscript or qpdf reads without an error."""
    if not cli:
        return []
    family = "Quelin CID" if os.path.basename(path).startswith("cid") else "Quelin CFF"
    text = os.path.join(work, "text.txt")
    pathlib.Path(text).write_text("ABC \u4e2d\u6587\n", encoding="utf-8")
    problems = []
    for command, out in ((["print", "--font", family, text], "x.ps"), (["print", "--font", family, text], "x.pdf"),
                         (["convert", family], "font.ps")):
        target = os.path.join(work, out)
        if os.path.exists(target):
            os.remove(target)
        try:
            run = subprocess.run([cli, "--font-file", path] + command + ["-o", target], capture_output=True,
                                 timeout=120, env=quiet_sanitizers())
        except subprocess.TimeoutExpired:
            problems.append("%s %s did not end" % (command[0], out))
            continue
        message = run.stderr.decode("latin-1")
        lines = [line for line in message.split("\n") if line]
        if SANITIZER_REPORT.search(message) or run.returncode not in (0, 1, 3, 4):
            problems.append("%s %s: exit status %d: %r" % (command[0], out, run.returncode, message[-600:]))
        elif run.returncode in (1, 3) and (len(lines) != 1 or not lines[0].startswith("quelin: ")):
            problems.append("%s %s did not refuse in one sentence: %r" % (command[0], out, message[:400]))
        elif run.returncode in (0, 4):
            reader = (["qpdf", "--check", target] if out.endswith(".pdf") else
                      ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=nullpage", target])
            read = subprocess.run(reader, capture_output=True, timeout=120)
            if read.returncode != 0 or b"Error" in read.stdout + read.stderr:
                problems.append("%s %s: %s cannot read it: %r" % (command[0], out, reader[0],
                                                                   (read.stdout + read.stderr)[-400:]))
    return problems


def quiet_sanitizers():
    """The C locale (code page 1252); LeakSanitizer's suppression counts kept quiet, for a message must be one line."""
    return dict(os.environ, LC_ALL="C", LSAN_OPTIONS=os.environ.get("LSAN_OPTIONS", "") + ":print_suppressions=0")


def main():
    directory, group, driver, work, cli = (sys.argv[1:] + [None])[:5]
    manifest = json.loads(pathlib.Path(directory, "manifest.json").read_text())
    fonts = sorted(name for name, entry in manifest.items() if entry["group"] == group)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    (probes := pathlib.Path(work, "probes.txt")).write_text("".join(p.hex() + "\n" for p in PROBES))

    # hostile_run prints FONT file, then RESULT, NAME, PROBE n file and CHECK lines for it.
    run = subprocess.run([driver, work, str(probes)] + [os.path.join(directory, name) for name in fonts],
                         capture_output=True, timeout=900, env=quiet_sanitizers())
    stdout, stderr = run.stdout.decode("latin-1"), run.stderr.decode("latin-1")
    results, current = {}, {}
    for key, _, value in (line.partition(" ") for line in stdout.split("\n")):
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
        if entry["expect"] == "print":
            problems = check_printed(os.path.join(directory, font), cli, work)
        elif entry["expect"] == "reject":
            problems = check_rejected(os.path.join(directory, font), result, cli, work)
        elif not result.get("RESULT", "").lstrip("-").isdigit() or int(result["RESULT"]) < 1000:
            problems = ["conversion gave %s (%s)" % (result.get("RESULT"), entry["note"])]
        else:
            problems = [result["CHECK"]] if "CHECK" in result else check_accepted(font, entry, result, work)
        failed += bool(problems)
        print("%s %s" % ("FAIL" if problems else "ok  ", font) + "".join("\n  " + p for p in problems[:20]))
    print("%d passed, %d failed" % (len(fonts) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
