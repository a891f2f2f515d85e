#!/usr/bin/env bash
# quelin print's page layout, judged by what pdftotext, pdfinfo, mutool and
# Ghostscript read back: line breaks that ICU allows, headers whose words
# never overlap, landscape sheets, columns, line numbers, tab stops, wrapped
# and cut lines with their marks, page ranges and duplex.
# Usage: check_layout.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
export SOURCE_DATE_EPOCH=86400
PY=/usr/bin/python3

# pdftotext's words as "page x0 y0 x1 y1 word" lines, after the page's
# "size WIDTH HEIGHT".
words() {
    pdftotext -bbox "$1" - | $PY -c '
import html, re, sys
page = 0
for line in sys.stdin:
    m = re.search(r"<page width=\"([\d.]+)\" height=\"([\d.]+)\"", line)
    if m:
        page += 1; print("size", m.group(1), m.group(2))
    m = re.search(r"xMin=\"([\d.]+)\" yMin=\"([\d.]+)\" xMax=\"([\d.]+)\" yMax=\"([\d.]+)\">(.*)</word>", line)
    if m:
        print(page, *m.groups()[:4], html.unescape(m.group(5)))'
}

# --- Thai, written without spaces, wraps only where ICU's line iterator allows.
$PY -c 'import random; random.seed(3); w = "ภาษาไทย ประเทศ สวย มาก ของ เรา ตลาด ทะเล ถนน ยาว สนาม บอล".split()
print("".join(random.choice(w) for _ in range(90)))' >thai.txt
run print thai.txt -o thai.pdf; status 0 "Thai"
pdftotext thai.pdf thai.out
$PY - <<'PY' || fail "Thai lines end where ICU allows no break"
import icu, sys
text = open('thai.txt').read().strip()
breaks = icu.BreakIterator.createLineInstance(icu.Locale.getRoot())
breaks.setText(text)
allowed = set(breaks)
lines = [l.replace(' ', '') for l in open('thai.out').read().split('\n') if l.strip()]
ends, n = [], 0
for line in lines[:-1]:
    n += len(line); ends.append(n)
sys.exit(0 if ''.join(lines) == text and len(lines) > 2 and all(e in allowed for e in ends) else 1)
PY

# A word longer than the line is cut between grapheme clusters: no line
# starts with a combining mark.
$PY -c 'print("e\u0301a\u0302\u0323" * 150)' >marks.txt
run print marks.txt -o marks.pdf; status 0 "a long word"
pdftotext marks.pdf - | $PY -c 'import sys, unicodedata
lines = [unicodedata.normalize("NFD", l) for l in sys.stdin.read().split("\n") if l.strip()]
sys.exit(0 if len(lines) > 2 and all(unicodedata.combining(l[0]) == 0 for l in lines) else 1)' ||
    fail "a long word is cut inside a grapheme cluster"

# --- Headers: name, date and "Page N of M" never overlap, for names of 1 to
# 300 characters, in portrait, landscape and two columns.
names=()
for length in 1 8 30 34 36 40 48 60 90 150 300; do
    name=$($PY -c "import sys; n = $length; s = ''.join('abcdefghij'[i % 10] for i in range(n))
print('/'.join(s[i:i + 120] for i in range(0, n, 120)))")
    mkdir -p "$(dirname "$name")" && printf 'text\n' >"$name" && names+=("$name")
done
printf 'wide\n' >"名前の長いファイル名前の長いファイル名前の長いファイル名前の長いファイル.txt"
names+=("名前の長いファイル名前の長いファイル名前の長いファイル名前の長いファイル.txt")
for layout in "" --landscape "--columns 2"; do
    # shellcheck disable=SC2086
    run print --header $layout "${names[@]}" -o header.pdf; status 0 "headers $layout"
    words header.pdf >header.words
    $PY - "${names[@]}" <<'PY' || fail "header words overlap or leave the sheet ($layout)"
import sys
names, pages, width, bad = sys.argv[1:], {}, 0, False
for line in open('header.words'):
    f = line.split(' ', 5)
    if f[0] == 'size':
        width = float(f[1]); continue
    pages.setdefault(int(f[0]), []).append((float(f[1]), float(f[2]), float(f[3]), f[5].strip()))
for number, name in enumerate(names, 1):
    top = min(w[1] for w in pages[number])
    header = sorted(w for w in pages[number] if w[1] < top + 2)
    text = ' '.join(w[3] for w in header)
    shown = header[0][3]
    fits = shown == name or ('\u2026' in shown and name.startswith(shown.split('\u2026')[0]) and
                             name.endswith(shown.split('\u2026')[1]))
    overlap = any(a[2] > b[0] for a, b in zip(header, header[1:]))
    if overlap or not fits or header[0][0] < 0 or header[-1][2] > width or 'Page 1 of 1' not in text or \
            '1970-01-02 00:00' not in text:
        print('header:', text); bad = True
sys.exit(1 if bad else 0)
PY
done

# --- Landscape sheets, as pdfinfo and the document's comments tell.
seq 1 80 >numbers.txt
run print --landscape numbers.txt -o land.pdf; status 0 "landscape"
pdfinfo -f 1 -l 1 land.pdf | grep -q "^Page *1 rot: *0" && pdfinfo land.pdf | grep -q "^Page size: *842 x 595" ||
    fail "landscape: $(pdfinfo -f 1 -l 1 land.pdf | grep 'size\|rot')"
"$Q" print --landscape numbers.txt -o land.ps
has land.ps "%%BoundingBox: 0 0 842 595" "landscape"
psnup -2 -W842 -H595 land.ps land2.ps 2>/dev/null && gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile=land2.pdf land2.ps &&
    pdftotext land2.pdf - | grep -qx 80 || fail "psnup loses landscape pages"

# --- Two columns: text flows down the first, then the second, at its top.
seq 1 200 | sed 's/^/row/' >rows.txt
run print --columns 2 rows.txt -o columns.pdf; status 0 "columns"
words columns.pdf >columns.words
$PY - <<'PY' || fail "two columns"
rows = {l.split()[5]: [float(v) for v in l.split()[1:5]] for l in open('columns.words') if l.startswith('1 ')}
first, last = rows['row1'], max(rows, key=lambda r: int(r[3:]))
second = rows['row%d' % (max(int(r[3:]) for r in rows if rows[r][0] == first[0]) + 1)]
ok = second[0] > 297 and abs(second[1] - first[1]) < 0.1 and rows[last][0] == second[0] and first[2] < 297
print(first, second) if not ok else None
exit(0 if ok else 1)
PY

# --- Line numbers on the first line of each input line; wrapped lines with a
# mark in the margin, cut lines with their rest left out; tab stops; margins.
printf 'short\n%s\n\tTab\n' "$($PY -c 'print("long words " * 30)')" >wrap.txt
run print --line-numbers --tab-width 4 --margins 72 wrap.txt -o numbered.pdf; status 0 "line numbers"
words numbered.pdf >numbered.words
$PY - <<'PY' || fail "line numbers, tab stops or margins"
w = [l.split() for l in open('numbered.words') if not l.startswith('size')]
numbers = [x[5] for x in w if x[5].isdigit()]
tab = next(x for x in w if x[5] == 'Tab')
text = [x for x in w if not x[5].isdigit()]
ok = numbers == ['1', '2', '3'] and min(float(x[1]) for x in text) >= 71.9 and \
    abs(float(tab[1]) - min(float(x[1]) for x in text) - 4 * 6.02) < 0.1
print(numbers, tab) if not ok else None
exit(0 if ok else 1)
PY
run print --truncate --title "Cut Lines" --header wrap.txt -o cut.pdf; status 0 "truncate"
pdftotext cut.pdf cut.out
[ "$(grep -c words cut.out)" = 1 ] && has cut.out "Cut Lines" "title" && has cut.out "Tab" "truncate" ||
    fail "a cut line: $(cat cut.out)"
pdfinfo cut.pdf | grep -q "^Title: *Cut Lines$" || fail "the PDF's title"
# The marks: dark spots in the right margin, one per wrapped or cut line.
marks() {
    gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pgmraw -r72 -sOutputFile=marks.pgm "$1" &&
        $PY -c 'import re, sys
data = open("marks.pgm", "rb").read()
head = re.match(rb"P5\s+(?:#.*\n)*(\d+)\s+(\d+)\s+\d+\s", data)
w, h = int(head.group(1)), int(head.group(2)); px = data[head.end():]
rows = [any(px[y * w + x] < 128 for x in range(int(sys.argv[1]), int(sys.argv[1]) + 6)) for y in range(h)]
print(sum(1 for a, b in zip([False] + rows, rows) if b and not a))' "$2"
}
"$Q" print wrap.txt -o wrapped.pdf
[ "$(marks wrapped.pdf 560)" = 3 ] || fail "want a mark on each of 3 wrapped lines: $(marks wrapped.pdf 560)"
[ "$(marks cut.pdf 560)" = 1 ] || fail "want 1 mark of a cut line: $(marks cut.pdf 560)"

# --- Page ranges through the document, counts of all pages; duplex.
run print --header --pages 3-5,9 rows.txt numbers.txt rows.txt -o some.pdf; status 0 "pages"
[ "$(pdfinfo some.pdf | awk '/^Pages:/ { print $2 }')" = 4 ] || fail "--pages 3-5,9 does not give 4 pages"
pdftotext some.pdf - | grep -o "Page [0-9]* of [0-9]*" | tr '\n' ' ' >some.out
[ "$(cat some.out)" = "Page 3 of 4 Page 4 of 4 Page 1 of 2 Page 3 of 4 " ] || fail "pages chosen: $(cat some.out)"
echo keep >kept.pdf
run print --pages 40 rows.txt -o kept.pdf; status 2 "pages beyond the document"
[ "$(cat kept.pdf)" = keep ] || fail "a refused page range changed the output"
seq 1 10 >ten.txt
run print --duplex short ten.txt ten.txt ten.txt; status 0 "duplex"
has out "%%BeginFeature: *Duplex DuplexTumble" "duplex"
has out "<< /Duplex true /Tumble true >> setpagedevice" "duplex"
has out "%%Pages: 5" "a new sheet for each file"
run print --duplex long ten.txt ten.txt -o duplex.pdf; status 0 "duplex PDF"
[ "$(pdfinfo duplex.pdf | awk '/^Pages:/ { print $2 }')" = 3 ] &&
    mutool show duplex.pdf trailer/Root/ViewerPreferences/Duplex | grep -q DuplexFlipLongEdge ||
    fail "duplex PDF: $(mutool show duplex.pdf trailer/Root 2>&1 | head -5)"
"$Q" print numbers.txt | grep -q Duplex && fail "duplex asked for unasked"

finish
