#!/usr/bin/env bash
# quelin print's own PDF, judged by independent consumers: qpdf checks the
# structure, pdffonts the embedded subsets, pdftoppm and mutool draw the
# pages as Ghostscript draws the PostScript of the same job, and pdftotext
# gives text in every script back. No Ghostscript runs to make it.
# Usage: check_pdf.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
root=$(cd "$(dirname "$0")/../.." && pwd)
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
cat >same.py <<'PY'
import sys
def pixels(path):  # a binary PGM, thresholded to ink or paper
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace(): at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[at:end]); at = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]
(w1, h1, a), (w2, h2, b) = pixels(sys.argv[1]), pixels(sys.argv[2])
w, h = min(w1, w2), min(h1, h2)
differ = sum((a[y * w1 + x] < 128) != (b[y * w2 + x] < 128) for y in range(h) for x in range(w))
if differ > 0.005 * w * h:
    sys.exit(f'{sys.argv[2]}: {differ} of {w * h} pixels differ from {sys.argv[1]}')
PY
for doc in readme gpl scripts; do
    pdf --header $doc.txt -o $doc.pdf 2>err || [ $? = 4 ] || { fail "print $doc: $(cat err)"; continue; }
    "$Q" print --header $doc.txt -o $doc.ps 2>/dev/null
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
        for page in pp-$doc-*$i.pgm mu-$doc-$i.pgm; do
            python3 same.py gs-$doc-$i.pgm "$page" || fail "$doc page $i"
        done
    done
done
[ -e gs-ran ] && fail "Ghostscript ran"
has readme.pdf "/Title (readme.txt)" "title"
[ "$(mutool show gpl.pdf outline 2>/dev/null | grep -c 'gpl.txt')" = 1 ] || fail "no bookmark for gpl.txt"

# --- Text comes back: left-to-right lines as written, right-to-left lines
# word by word in reading order.
pdftotext -enc UTF-8 scripts.pdf scripts.out || fail "pdftotext cannot read the PDF"
python3 - <<'PY' || fail "pdftotext does not give the text back"
import sys
marks = dict.fromkeys(map(ord, '\u200e\u200f\u202a\u202b\u202c\u202d\u202e\u2066\u2067\u2068\u2069'))
words = lambda line: line.translate(marks).split()
out = [words(line) for line in open('scripts.out', encoding='utf-8')]
bad = 0
for line in open('scripts.txt', encoding='utf-8').read().splitlines():
    rtl = any('\u0590' <= c <= '\u08ff' for c in line)
    if not (words(line) in out if rtl else ''.join(words(line)) in map(''.join, out)):
        print('not given back:', line, [w for w in out if set(''.join(w)) & set(line)][:1]); bad += 1
sys.exit(bad)
PY

# --- The same job gives the same bytes.
pdf scripts.txt -o again.pdf 2>/dev/null
pdf scripts.txt -o once.pdf 2>/dev/null
cmp -s once.pdf again.pdf || fail "two runs differ"

finish
