#!/usr/bin/env bash
# quelin print with fonts whose outlines are CFF, judged by independent
# consumers: with only DejaVu and Noto CJK installed, Chinese, Japanese and
# Korean print cleanly to PostScript and PDF; Ghostscript draws each glyph
# of the PostScript exactly as the PDF's; pdftoppm and mutool draw the PDF
# as Ghostscript draws the PostScript; pdffonts and pdftotext read the PDF.
# Usage: check_cff.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
export SOURCE_DATE_EPOCH=86400
cjk=/usr/share/fonts/opentype/noto
[ -d "$cjk" ] && [ -d /usr/share/fonts/truetype/dejavu ] || { echo "SKIP: Noto CJK or DejaVu not installed"; exit 0; }
cat >fonts.conf <<EOF
<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir><dir>$cjk</dir>
<cachedir>$W/cache</cachedir><include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>
EOF
few() { FONTCONFIG_FILE=$W/fonts.conf "$Q" print "$@"; }
draw() { # DOCUMENT DPI PREFIX
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r$2 -dTextAlphaBits=1 -dGraphicsAlphaBits=1 -sOutputFile=$3-%d.pgm $1
}
cat >equal.py <<'PY'
import re, sys
def ink(path):  # a binary PGM, thresholded, by rows
    data = open(path, 'rb').read()
    header = re.match(rb'P5(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*\d+\s', data)
    width, height, pixels = int(header[1]), int(header[2]), data[header.end():]
    return width, height, [[p < 128 for p in pixels[y * width:(y + 1) * width]] for y in range(height)]
(w1, h1, a), (w2, h2, b) = ink(sys.argv[1]), ink(sys.argv[2])
w, h = min(w1, w2), min(h1, h2)
share = sum(a[y][x] == b[y][x] for y in range(h) for x in range(w)) / (w * h)
sys.exit(0 if share >= float(sys.argv[3]) else f'{sys.argv[2]}: {share:.4%} of the pixels of {sys.argv[1]}')
PY

# --- Chinese, Japanese and Korean from Noto CJK alone: no warning, text back.
printf '%s\n' "中文：我能吞下玻璃而不伤身体。" "日本語：いろはにほへと、カタカナ。" "한국어: 안녕하세요 세계" >cjk.txt
for doc in cjk.ps cjk.pdf; do
    few cjk.txt -o $doc 2>err; rc=$?; status 0 "print $doc"
    [ -s err ] && fail "$doc: warnings: $(cat err)"
done
LC_ALL=C grep -q '[^[:print:][:space:]]' <(sed -n '/^%%BeginResource: font Noto/,/^%%EndResource/p' cjk.ps) &&
    fail "the CFF font's resource is not 7-bit text"
pdffonts cjk.pdf | awk '/NotoSansCJK/ && /CID Type 0C/ && $(NF-4) == "yes" && $(NF-2) == "yes" { found = 1 } END { exit !found }' ||
    fail "no embedded CFF subset with ToUnicode: $(pdffonts cjk.pdf)"
pdftotext -enc UTF-8 cjk.pdf - | tr -d ' \f' | grep . | diff -q - <(tr -d ' ' <cjk.txt) >/dev/null ||
    fail "pdftotext does not give the lines back"
draw cjk.ps 100 gs; pdftoppm -r 100 -gray -aa no -aaVector no -singlefile cjk.pdf pp; mutool draw -q -r 100 -c gray -A 0 -o mu.pgm cjk.pdf
for page in pp.pgm mu.pgm; do python3 equal.py gs-1.pgm $page 0.995 || fail "the PDF's page differs"; done

# --- Each glyph, alone at the start of a line, drawn by Ghostscript from the
# PostScript and from the PDF: the same pixels at 300 dpi, CID-keyed
# (Noto CJK) and name-keyed (Latin Modern Mono).
python3 -c 'print("\n".join("我能吞下玻璃いろはにカタカナ안녕하세요"))' >glyphs.txt
few glyphs.txt -o glyphs.ps && few glyphs.txt -o glyphs.pdf
echo 'Mono{}0Oo|' | fold -w1 >latin.txt
"$Q" print --font "Latin Modern Mono" latin.txt -o latin.ps && "$Q" print --font "Latin Modern Mono" latin.txt -o latin.pdf
for doc in glyphs latin; do
    draw $doc.ps 300 $doc-ps; draw $doc.pdf 300 $doc-pdf
    cmp -s $doc-ps-1.pgm $doc-pdf-1.pgm || fail "$doc: the PostScript's glyphs are not the PDF's"
done

# --- Fonts by name: a CFF family, a Pango description, a glyph only a CFF font has.
pdffonts latin.pdf | grep -q 'LMMono10-Regular .*CID Type 0C' || fail "Latin Modern Mono: $(pdffonts latin.pdf)"
echo 'abc' >abc.txt
run print --font "Monospace 9" abc.txt -o mono.ps; status 0 "Monospace 9"
has mono.ps "definefont 9 scalefont" "Monospace 9 at 9 points"
grep -q '^%%BeginResource: font DejaVuSansMono$' mono.ps || fail "Monospace 9 is not monospaced"
run print --size 12 --font "DejaVu Sans Bold 11" abc.txt -o bold.ps; status 0 "a Pango description"
has bold.ps "%%BeginResource: font DejaVuSans-Bold" "DejaVu Sans Bold 11"; has bold.ps "definefont 12 scalefont" "--size wins"
printf '\xf0\x9f\xa6\xb1\n' >u1f9b1.txt
run print u1f9b1.txt -o u1f9b1.pdf; status 0 "U+1F9B1"
pdffonts u1f9b1.pdf | grep -q UnifontUpper || fail "U+1F9B1 is not drawn from Unifont Upper"

# --- convert: the whole font as a FontSet resource that Ghostscript loads and draws from.
run convert "Latin Modern Mono" -o lmmono.ps; status 0 "convert Latin Modern Mono"
echo '/LMMono10-Regular findfont 20 scalefont setfont 72 700 moveto (Mono converted) show showpage' >>lmmono.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -o - lmmono.ps 2>&1 | grep -q 'Mono converted' ||
    fail "the converted Latin Modern Mono does not draw"
cp "$(fc-match -f '%{file}' 'Latin Modern Roman:bold')" mine.otf
run --font-file ./mine.otf convert "LMRoman10-Bold" -o mine.ps; status 0 "convert --font-file of an OpenType CFF font"
has mine.ps "%%Title: (FontSet/LMRoman10-Bold)" "convert --font-file"

# --- A line of Chinese in a small document.
echo "我能吞下玻璃而不伤身体。中文字体测试，你好世界，这是一行中文文本。" >line.txt
for doc in line.ps line.pdf; do
    "$Q" print --font "Noto Sans CJK SC" line.txt -o $doc
    [ "$(stat -c %s $doc)" -le 12288 ] || fail "$doc: $(stat -c %s $doc) bytes for a line of Chinese"
done

finish
