#!/usr/bin/env bash
# quelin print end to end, judged by independent consumers: Ghostscript
# draws the pages (and reports each glyph it shows), hb-shape shapes the
# same lines, pdftotext reads the PDF back, psselect and psnup rearrange
# the pages. Text in Latin, Cyrillic, Greek, Armenian, Georgian, Hebrew,
# Arabic, Devanagari and CJK, emoji, invalid UTF-8 and a character no font has.
# Usage: check_print.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
path() { "$Q" list | awk -F'\t' -v n="$1 (TrueType)" '$1 == n { print $2; exit }'; }
export SOURCE_DATE_EPOCH=86400

# Ghostscript reports every glyph that the pages show from a simple font:
# index, x, y (a CID-keyed CFF font's Type 0 copies show as they are).
cat >trace.ps <<'PS'
/show { currentfont /FontType get 0 eq { systemdict /show get exec } {
  { currentfont /Encoding get exch get dup currentfont /CharStrings get exch get
  (G ) print =only ( ) print currentpoint exch =only ( ) print =only (\n) print glyphshow } forall } ifelse } def
PS

# --- A line of one script in one font: HarfBuzz's glyphs at HarfBuzz's positions.
same_as_hb_shape() { # FONT TEXT
    local file; file=$(path "$1")
    [ -f "$file" ] || { fail "font $1 is not installed"; return; }
    printf '%s\n' "$2" >line.txt
    "$Q" print --font "$1" line.txt -o line.ps 2>err || { fail "print in $1: $(cat err)"; return; }
    gs -q -dNODISPLAY -r7200 -dNOSAFER -dBATCH trace.ps line.ps 2>&1 | grep '^G' >ours.txt
    hb-shape --no-glyph-names --output-format=json "$file" "$2" >hb.json
    /usr/bin/python3 - "$file" "$1" <<'PY' || fail "hb-shape and the page differ for $2 in $1"
import json, sys
from fontTools.ttLib import TTFont
font = TTFont(sys.argv[1], fontNumber=0)
hb, ours = json.load(open('hb.json')), [line.split() for line in open('ours.txt')]
# The page's font holds just these glyphs, their components and glyph 0,
# renumbered in ascending order.
kept, order = set(), font.getGlyphOrder()
todo = [0] + [h['g'] for h in hb]
while todo:
    g = todo.pop()
    if g not in kept:
        kept.add(g)
        todo += [font.getGlyphID(c) for c in font['glyf'][order[g]].getComponentNames(font['glyf'])]
written = {g: i for i, g in enumerate(sorted(kept))}
scale, pen, bad = 10 / font['head'].unitsPerEm, 0, len(hb) != len(ours)
x0, y0 = float(ours[0][2]) - hb[0]['dx'] * scale, float(ours[0][3]) - hb[0]['dy'] * scale
for h, o in zip(hb, ours):
    if int(o[1]) != written[h['g']] or abs(float(o[2]) - x0 - (pen + h['dx']) * scale) > 0.02 or \
            abs(float(o[3]) - y0 - h['dy'] * scale) > 0.02:
        print(sys.argv[2], 'hb-shape', h, 'page', o); bad = True
    pen += h['ax']
sys.exit(1 if bad else 0)
PY
}
same_as_hb_shape "DejaVu Sans" "Wave office: AVATAR fi ffl, Tj"
same_as_hb_shape "DejaVu Sans Mono" "Привет, мир"
same_as_hb_shape "Noto Sans Arabic Regular" "مرحبا بالعالم"
same_as_hb_shape "Noto Sans Hebrew Regular" "שָׁלוֹם עוֹלָם"
same_as_hb_shape "Noto Sans Devanagari Regular" "नमस्ते दुनिया क्षत्रिय"
same_as_hb_shape "Noto Sans Armenian Regular" "Բարեւ աշխարհ"

# --- Every character from a font that has it; text that comes back out.
printf '%s\n' "The quick brown fox jumps over the lazy dog" "Съешь же ещё этих мягких французских булок" \
    "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία" "Բարեւ աշխարհ" "გამარჯობა მსოფლიო" "你好，世界。日本語のテキスト。" \
    "שלום עולם" "مرحبا بالعالم" "नमस्ते दुनिया" "Emoji 😀 ☃ ✈" >mixed.txt
printf 'caf\xe9, \xf0\xbf\xbf\xbd and \xf0\xbf\xbf\xbd\n' >>mixed.txt
run print mixed.txt -o mixed.pdf
status 4 "mixed scripts"
has err '"mixed.txt", line 11, column 4: \xE9 is not UTF-8' "invalid byte"
has err "U+3FFFD is in no installed font; drawn as the main font's glyph 0 2 times, first at \"mixed.txt\", line 11, column 7" "missing character"
[ "$(wc -l <err)" = 2 ] || fail "want two warnings: $(cat err)"
pdftotext -enc UTF-8 mixed.pdf mixed.out || fail "pdftotext cannot read the PDF"
python3 - <<'PY' || fail "pdftotext does not give the input back"
import collections, re, sys, unicodedata
def norm(text):
    text = re.sub('[\u200e\u200f\u202a-\u202e\u2066-\u2069]', '', unicodedata.normalize('NFKC', text))
    return ' '.join(text.split())
lines = open('mixed.txt', encoding='utf-8', errors='replace').read().splitlines()
out = norm(open('mixed.out', encoding='utf-8').read())
bad = [l for l in lines[:6] if norm(l) not in out]
letters = lambda text: collections.Counter(c for c in norm(text) if c.isalpha())
bad += [l for l in lines[6:8] if letters(l) - letters(out)]
[print('not given back:', l) for l in bad]
sys.exit(1 if bad else 0)
PY
"$Q" print mixed.txt -o mixed.ps 2>/dev/null
gs -q -dNODISPLAY -dNOSAFER -dBATCH trace.ps mixed.ps >trace.txt 2>&1 || fail "Ghostscript: $(tail -3 trace.txt)"
[ "$(grep -c '^G 0 ' trace.txt)" = 2 ] || fail "want glyph 0 for the two U+3FFFD only: $(grep -c '^G 0 ' trace.txt)"
grep -q '^%%BeginResource: font Symbola\|^%%BeginResource: font DejaVuSans$' mixed.ps || fail "no font for the emoji"
[ "$(grep -c '^%%BeginResource: font' mixed.ps)" = "$(sort -u <(grep '^%%BeginResource: font' mixed.ps) | wc -l)" ] ||
    fail "a font is embedded twice"

# --- Pages: wrapping inside the margins, form feeds, headers, DSC that psselect and psnup follow.
python3 -c 'print("wrapping " * 300); print("文字" * 300)' >long.txt
run print long.txt -o long.pdf; status 0 "long lines"
pdftotext -bbox long.pdf - | awk -F'"' '/<word/ && ($2 < 35.9 || $6 > 559.4) { bad = 1 } END { exit bad }' ||
    fail "a line runs past the margins"
printf 'one\ftwo\n\fthree' | "$Q" print >ff.ps
has ff.ps "%%Pages: 3" "form feeds"
seq 1 100 >numbers.txt
run print --header numbers.txt -o numbers.ps; status 0 "header"
psselect -p2 numbers.ps second.ps 2>/dev/null && psnup -2 numbers.ps two-up.ps 2>/dev/null || fail "psselect or psnup failed"
for doc in numbers second two-up; do gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=$doc.pdf $doc.ps; done
pdftotext numbers.pdf - | tr '\n' ' ' >numbers.out
for text in "numbers.txt" "1970-01-02 00:00" "Page 1 of 2" "Page 2 of 2" " 100 "; do has numbers.out "$text" "header"; done
pdftotext second.pdf - >second.out; has second.out "Page 2 of 2" "psselect"
grep -q "Page 1 of 2" second.out && fail "psselect kept page 1"
[ "$(pdfinfo two-up.pdf | awk '/^Pages:/ { print $2 }')" = 1 ] || fail "psnup -2 does not make one sheet"

# --- Fonts by the names people use.
for name in "DejaVu Sans Mono (TrueType)" "dejavu sans mono" \
    "WenQuanYi Zen Hei & WenQuanYi Zen Hei Mono & WenQuanYi Zen Hei Sharp (TrueType)" "WenQuanYi Zen Hei Sharp" \
    "Noto Sans Canadian Aboriginal Regular"; do
    run name "$name"; status 0 "name $name"
done
[ "$(cat out)" = "NotoSansCanadianAboriginal-Regular" ] || fail "a name over 31 bytes: $(cat out)"
echo x | "$Q" print --font "DejaVu Sans:bold" | grep -q "^%%BeginResource: font DejaVuSans-Bold$" ||
    fail "a fontconfig pattern"
cp "$(path "DejaVu Sans Mono")" Mono.ttf
run --font-file ./Mono.ttf info "DejaVu Sans Mono"; has out "$W/Mono.ttf" "--font-file reaches the second of a name"

# --- Styles: a highlighter's colours, nroff's bold and underline, faces a family lacks drawn stroked and
# sheared; Ghostscript draws them, the text reads back without the escapes.
words() { sed 's/\x1b\[[0-9;]*m//g; s/.\x08//g' "$@" | tr -s ' \n\f' '\n\n\n' | grep -v '^$'; }
pixels() { # FILE: how many of page 1's pixels are coloured, and how many are inked
    gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=ppmraw -r72 -dLastPage=1 -sOutputFile=- "$1" | python3 -c '
import sys; data = sys.stdin.buffer.read(); body = data[data.index(b"\n255\n") + 5:]
px = [body[i:i + 3] for i in range(0, len(body), 3)]
print(sum(max(p) - min(p) > 90 for p in px), sum(min(p) < 128 for p in px))'; }
printf '#include <stdio.h>\n/* A comment */\nint main(void) {\n    return printf("hello\\n");\n}\n' >hello.c
source-highlight -f esc -i hello.c -o hello.esc
run print hello.esc -o hello.pdf; status 0 "escapes"
[ "$(pdftotext hello.pdf - | grep -c $'\e\|\[0')" = 0 ] || fail "escapes in the PDF's text"
diff <(words hello.esc) <(pdftotext hello.pdf - | words) >/dev/null || fail "the highlighted text does not read back"
qpdf --qdf --object-streams=disable hello.pdf hello.qdf
grep -aoE '[0-9.]+ [0-9.]+ [0-9.]+ rg' hello.qdf | grep -vq '^0 0 0 rg' || fail "no colour in the PDF"
run print hello.esc -o hello.ps; status 0 "escapes in PostScript"
for doc in hello.pdf hello.ps; do read coloured inked < <(pixels $doc); [ "$coloured" -gt 50 ] || fail "$doc is not in colour"; done
MAN_KEEP_FORMATTING=1 MANWIDTH=80 man ls 2>/dev/null >ls.man
run print ls.man -o ls.pdf; status 0 "overstrike"
pdffonts ls.pdf | grep -q 'DejaVuSansMono-Bold ' || fail "no bold face for man's headings"
diff <(col -bx <ls.man | words | sort) <(pdftotext ls.pdf - | words | sort) >/dev/null || fail "man's text does not read back"
qpdf --qdf --object-streams=disable ls.pdf ls.qdf; grep -aq ' re f$' ls.qdf || fail "no underline in the PDF"
printf '\e[1m粗体\e[m\n\e[3m斜体 italic\e[m\n' >faces.txt
printf '粗体\n斜体 italic\n' >plain.txt
for out in faces.ps faces.pdf plain.pdf; do "$Q" print ${out%.*}.txt -o $out 2>err || fail "$out: $(cat err)"; done
grep -aq ')B ' faces.ps && grep -aq 'makefont' faces.ps || fail "no stroked or sheared CJK face in PostScript"
qpdf --qdf --object-streams=disable faces.pdf faces.qdf
grep -aqE '(^| )2 Tr$' faces.qdf && grep -aq '^1 0 0.2126 1 ' faces.qdf || fail "no stroked or sheared CJK face in PDF"
pdffonts faces.pdf | grep -q 'DejaVuSansMono-Oblique ' || fail "no italic face"
read _ bold < <(pixels faces.pdf); read _ regular < <(pixels plain.pdf)
[ "$bold" -gt $((regular * 11 / 10)) ] || fail "bold text is not darker: $bold against $regular pixels"
[ "$(pdftotext faces.pdf - | words)" = "$(words plain.txt)" ] || fail "styled CJK text does not read back"
printf '\e[3mx\e[m\n' | "$Q" print --font "DejaVu Sans Mono:bold" | grep -q "^%%BeginResource: font DejaVuSansMono-BoldOblique$" ||
    fail "the italic of a bold font is not its bold italic"

# --- Failures leave the output as it was.
echo keep >kept.ps
run print missing.txt -o kept.ps; status 3 "missing input"; has err "does not exist" "missing input"
run print numbers.txt -o numbers.txt; status 3 "output over the input"
[ "$(cat kept.ps)" = keep ] && [ "$(wc -l <numbers.txt)" = 100 ] || fail "a failed print changed a file"
run print --raw numbers.txt; status 2 "--raw"

# --- Memory stays that of a few pages, whatever the length of the text.
python3 -c 'import random; random.seed(1); w = "lorem ipsum dolor sit amet consectetur adipiscing elit".split()
for i in range(66000): print(" ".join(random.choice(w) for _ in range(12)))' >book.txt
head -6600 book.txt >tenth.txt
peak() { /usr/bin/time -f %M "$Q" print "$1" 2>&1 >/dev/null | tail -1; }
small=$(peak tenth.txt) large=$(peak book.txt)
[ "$large" -lt $((small + 4000)) ] || fail "memory grows with the text: $small KB for 100 pages, $large KB for 1000"

finish
