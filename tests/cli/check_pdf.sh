#!/usr/bin/env bash
# quelin print's own PDF, judged by independent consumers: qpdf checks the
# structure, pdffonts the embedded subsets, pdftoppm and mutool draw the
# pages as Ghostscript draws the PostScript of the same job, and pdftotext
# gives text in every script back. No Ghostscript runs to make it.
# Usage: check_pdf.sh QUELIN WORK_FOLDER
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$(dirname "$0")/common.sh" "$1" "$2"
export SOURCE_DATE_EPOCH=86400

# A Ghostscript that tells when it is run comes first on the PATH.
mkdir bin && printf '#!/bin/sh\ntouch %s/gs-ran\nexit 1\n' "$W" >bin/gs && chmod +x bin/gs
pdf() { PATH="$W/bin:$PATH" "$Q" print "$@"; }

nfd() { python3 -c 'import sys, unicodedata; print(unicodedata.normalize("NFD", sys.argv[1]))' "$1"; }
vietnamese="Tiếng Việt: Nguyễn Thị Minh Khai, phở bò, người ở đây"
printf '%s\n' "Latin: office affluent fjord, Wave AVATAR «naïve» café" \
    "Ελληνικά: Ξεσκεπάζω την ψυχοφθόρα βδελυγμία" "Русский: Съешь же ещё этих мягких французских булок" \
    "Հայերեն: Բարեւ աշխարհ" "ქართული: გამარჯობა მსოფლიო" "देवनागरी: नमस्ते दुनिया क्षत्रिय किताब हिन्दी" \
    "ไทย: สวัสดีชาวโลก ภาษาไทยน้ำใจ" "中文：我能吞下玻璃而不伤身体。" "日本語：いろはにほへと、カタカナ。" \
    "한국어: 안녕하세요 세계" "$vietnamese" "$(nfd "$vietnamese")" "Emoji: 😀 👨‍👩‍👧 ☃️ ❤️ 👍🏽 ✈" \
    "שָׁלוֹם עוֹלָם 2024 ספר" "مرحبا بالعالم لا إله 123 و٤٥٦ سلام" >scripts.txt
cp "$root/README.md" readme.txt
cp /usr/share/common-licenses/GPL-3 gpl.txt

# --- Structure, fonts and pixels, for each document.
# Thresholded renderings agree where a pixel's value is found within one
# pixel in the other: rasterisers round glyph edges differently.
cat >same.py <<'PY'
import sys
import re
def ink(path):  # a binary PGM, thresholded
    data = open(path, 'rb').read()
    header = re.match(rb'P5(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*\d+\s', data)
    width, height, pixels = int(header[1]), int(header[2]), data[header.end():]
    return width, height, [[pixels[y * width + x] < 128 for x in range(width)] for y in range(height)]
(w1, h1, a), (w2, h2, b) = ink(sys.argv[1]), ink(sys.argv[2])
w, h = min(w1, w2), min(h1, h2)
near = lambda m, x, y: any(m[j][i] for j in range(max(0, y - 1), min(h, y + 2)) for i in range(max(0, x - 1), min(w, x + 2)))
differ = sum(a[y][x] != b[y][x] and not near(b if a[y][x] else a, x, y) for y in range(h) for x in range(w))
if differ > 0.005 * w * h:
    sys.exit(f'{sys.argv[2]}: {differ} of {w * h} pixels differ from {sys.argv[1]}')
PY
# The README on landscape sheets in two numbered columns, with the marks
# of wrapped lines.
declare -A layout=([readme]="--landscape --columns 2 --line-numbers" [gpl]="" [scripts]="")
for doc in readme gpl scripts; do
    pdf --header ${layout[$doc]} $doc.txt -o $doc.pdf 2>err || [ $? = 4 ] || { fail "print $doc: $(cat err)"; continue; }
    "$Q" print --header ${layout[$doc]} $doc.txt -o $doc.ps 2>/dev/null
    qpdf --check $doc.pdf >check.txt 2>&1 && ! grep -qi warning check.txt || fail "qpdf --check $doc: $(tail -3 check.txt)"
    pdffonts $doc.pdf | awk 'NR > 2 && !($(NF-4) == "yes" && $(NF-3) == "yes" && $(NF-2) == "yes") { exit 1 }' ||
        fail "$doc: a font not embedded, subset and mapped: $(pdffonts $doc.pdf)"
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r100 -dTextAlphaBits=1 -dGraphicsAlphaBits=1 \
        -sOutputFile=gs-$doc-%d.pgm $doc.ps
    pdftoppm -r 100 -gray -aa no -aaVector no $doc.pdf pp-$doc
    mutool draw -q -r 100 -c gray -A 0 -o mu-$doc-%d.pgm $doc.pdf 2>/dev/null
    pages=$(ls gs-$doc-*.pgm | wc -l)
    [ "$pages" -gt 0 ] && [ "$(pdfinfo $doc.pdf | awk '/^Pages:/ { print $2 }')" = "$pages" ] || fail "$doc: page count"
    for ((i = 1; i <= pages; i++)); do
        for page in pp-$doc-$(printf "%0${#pages}d" $i).pgm mu-$doc-$i.pgm; do
            python3 same.py gs-$doc-$i.pgm "$page" || fail "$doc page $i"
        done
    done
done
[ -e gs-ran ] && fail "Ghostscript ran"
pdfinfo readme.pdf | grep -q "^Title: *readme.txt$" || fail "title: $(pdfinfo readme.pdf | grep Title)"
[ "$(mutool show gpl.pdf outline 2>/dev/null | grep -c 'gpl.txt')" = 1 ] || fail "no bookmark for gpl.txt"

# --- Text comes back: left-to-right lines as written; right-to-left lines,
# which pdftotext gives as left-to-right stretches of right-to-left
# embeddings, read back from the last stretch to the first (blanks aside).
pdftotext -enc UTF-8 scripts.pdf scripts.out || fail "pdftotext cannot read the PDF"
python3 - <<'PY' || fail "pdftotext does not give the text back"
import re, sys
bare = lambda text: ''.join(text.split())
reading = lambda line: ''.join(reversed([a or b for a, b in re.findall('\u202b([^\u202c]*)\u202c|([^\u202b]+)', line)]))
out = open('scripts.out', encoding='utf-8').read().splitlines()
given = {bare(line) for line in out} | {bare(reading(line)) for line in out if '\u202b' in line}
bad = [line for line in open('scripts.txt', encoding='utf-8').read().splitlines() if bare(line) not in given]
[print('not given back:', line) for line in bad]
sys.exit(len(bad))
PY

# --- The same job gives the same bytes.
pdf scripts.txt -o again.pdf 2>/dev/null
pdf scripts.txt -o once.pdf 2>/dev/null
cmp -s once.pdf again.pdf || fail "two runs differ"

finish
