#!/usr/bin/env bash
# quelin-texttopdf as the spooler runs it, judged by pdftotext and pdfinfo:
# called directly with a job's options; through cupsfilter, which must
# choose it over the text filters installed; and through a cupsd of the
# test's own on 127.0.0.1 (its own configuration and spool folders, a
# printer whose device is a file), printing a file of 17 scripts with lp.
# Filters, backends and helpers come from the system's folder; the filter
# and its .convs entry from this build.
# Usage: check_cups.sh FILTER CONVS WORK_FOLDER
CONVS=$2
source "$(dirname "$0")/common.sh" "$1" "$3"
export SOURCE_DATE_EPOCH=86400
for tool in cupsd cupsfilter lpadmin lp lpstat pdftotext pdfinfo; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done

printf '%s\n' "Latin: The quick brown fox jumps over the lazy dog" "Cyrillic: Съешь же ещё этих мягких булок" \
    "Greek: Ξεσκεπάζω την ψυχοφθόρα βδελυγμία" "Armenian: Բարեւ աշխարհ" "Georgian: გამარჯობა მსოფლიო" \
    "Chinese: 你好，世界" "Japanese: 日本語のテキスト、カタカナ" "Korean: 안녕하세요 세계" "Thai: สวัสดีชาวโลก" \
    "Hebrew: שלום עולם" "Arabic: مرحبا بالعالم" "Devanagari: नमस्ते दुनिया" "Bengali: ওহে বিশ্ব" \
    "Tamil: வணக்கம் உலகம்" "Gujarati: હેલો વર્લ્ડ" "Telugu: హలో ప్రపంచం" "Khmer: សួស្តី​ពិភពលោក" >scripts.txt
# Every line of `text` in the PDF's text: each word, or for the scripts that
# pdftotext reorders or splits, each letter as often.
given_back() { # PDF TEXT WHAT
    pdftotext -enc UTF-8 "$1" out.txt || { fail "$3: pdftotext cannot read $1"; return; }
    python3 - "$2" <<'PY' || fail "$3: pdftotext does not give every line back"
import collections, re, sys, unicodedata
norm = lambda t: ' '.join(re.sub('[\u200b-\u200f\u202a-\u202e\u2066-\u2069]', '', unicodedata.normalize('NFKC', t)).split())
out = norm(open('out.txt', encoding='utf-8').read())
letters = lambda t: collections.Counter(c for c in norm(t) if c.isalpha())
bad = [l for l in open(sys.argv[1], encoding='utf-8').read().splitlines()
       if not (norm(l) in out if l.isascii() or l[:4] in ('Cyri', 'Gree', 'Arme', 'Geor') else not letters(l) - letters(out))]
[print('not given back:', l) for l in bad[:5]]
sys.exit(1 if bad else 0)
PY
}
size() { pdfinfo "$1" | awk '/^Page size:/ { print $3 "x" $5 }'; }

# --- Called as the spooler calls it: its options, its words, its exit status.
run 7 ana "Notes" 1 "landscape prettyprint columns=2 cpi=12 lpi=8 media=na_letter_8.5x11in wrap=no cpi=x charset=utf-8" scripts.txt
status 0 "filter"; cp out direct.pdf
[ "$(size direct.pdf)" = 792x612 ] || fail "landscape Letter: $(size direct.pdf)"
has err "WARNING: option cpi=x is ignored" "bad option"
given_back direct.pdf scripts.txt "filter"; has out.txt "Notes" "header's title"
python3 -c 'print("x" * 400)' | "$Q" 7 ana t 1 "nowrap orientation-requested=4" >cut.pdf 2>err
[ "$(pdftotext cut.pdf - | tr -dc x | wc -c)" -lt 200 ] || fail "wrap=false does not cut the line"
run 7 ana t 1 "" missing.txt; status 1 "missing file"; has err "ERROR: cannot read" "missing file"
run 7 ana t 1; status 1 "usage"; has err "Usage:" "usage"

# --- cupsfilter: the system's filters and, beside them, ours with its .convs entry,
# in a folder that the spooler's user, who runs the filters, can reach.
S=$(mktemp -d /tmp/quelin-cups.XXXXXX) && chmod 755 "$S" || exit 1
cupsd_pid=
trap '[ -n "$cupsd_pid" ] && kill $cupsd_pid && wait $cupsd_pid; rm -rf "$S"' EXIT
mkdir -p $S/bin/filter $S/root && chmod 755 $S/bin $S/bin/filter $S/root
for f in /usr/lib/cups/filter/*; do ln -s "$f" $S/bin/filter/; done
for d in backend daemon; do ln -s /usr/lib/cups/$d $S/bin/$d; done
cp "$Q" $S/bin/filter/ && cp "$CONVS" $S/root/
export CUPS_SERVERBIN=$S/bin CUPS_SERVERROOT=$S/root
[ "$(cupsfilter --list-filters -m application/pdf -i text/plain scripts.txt 2>&1)" = quelin-texttopdf ] ||
    fail "cupsfilter chooses $(cupsfilter --list-filters -m application/pdf -i text/plain scripts.txt 2>&1)"
for file in scripts.txt /usr/share/common-licenses/GPL-3; do
    cupsfilter -m application/pdf -i text/plain "$file" >filtered.pdf 2>err || fail "cupsfilter $file: $(grep ERROR err)"
    pdffonts filtered.pdf | grep -q "CID TrueType" || fail "cupsfilter $file: not our fonts"
    given_back filtered.pdf "$file" "cupsfilter $file"
done
unset CUPS_SERVERBIN CUPS_SERVERROOT

# --- A cupsd of its own on 127.0.0.1: lp -o landscape -o prettyprint to a printer whose device is a file.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
server=127.0.0.1:$port
mkdir -p $S/spool/tmp $S/cache $S/state $S/log && chmod 755 $S/spool $S/cache $S/state $S/log
cat >$S/root/cupsd.conf <<CONF
Listen $server
LogLevel debug
DefaultPolicy open
<Location />
  Order deny,allow
</Location>
<Policy open>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >$S/root/cups-files.conf <<CONF
ServerRoot $S/root
ServerBin $S/bin
DataDir /usr/share/cups
RequestRoot $S/spool
TempDir $S/spool/tmp
CacheDir $S/cache
StateDir $S/state
ErrorLog $S/log/error_log
AccessLog $S/log/access_log
PageLog $S/log/page_log
FileDevice Yes
Sandboxing Relaxed
CONF
# A printer that takes PDF as it is.
printf '%s\n' '*PPD-Adobe: "4.3"' '*FormatVersion: "4.3"' '*FileVersion: "1.0"' '*LanguageVersion: English' \
    '*LanguageEncoding: ISOLatin1' '*PCFileName: "QPDF.PPD"' '*Manufacturer: "Quelin"' '*Product: "(PDF file)"' \
    '*ModelName: "PDF file"' '*ShortNickName: "PDF file"' '*NickName: "PDF file"' '*PSVersion: "(3010.000) 0"' \
    '*LanguageLevel: "3"' '*ColorDevice: True' '*DefaultColorSpace: RGB' '*cupsFilter: "application/pdf 0 -"' \
    '*OpenUI *PageSize: PickOne' '*DefaultPageSize: A4' '*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"' \
    '*CloseUI: *PageSize' '*DefaultImageableArea: A4' '*ImageableArea A4: "0 0 595 842"' \
    '*DefaultPaperDimension: A4' '*PaperDimension A4: "595 842"' >pdf.ppd
chmod 644 $S/root/*
cupsd -f -c $S/root/cupsd.conf -s $S/root/cups-files.conf >cupsd.out 2>&1 &
cupsd_pid=$!
for i in $(seq 50); do lpstat -h $server -r 2>/dev/null | grep -q "is running" && break; sleep 0.2; done
lpadmin -h $server -p notes -E -v "file:$S/printed.pdf" -P pdf.ppd 2>err || fail "lpadmin: $(cat err)"
lp -h $server -d notes -t "Scripts of the world" -o landscape -o prettyprint scripts.txt >err 2>&1 || fail "lp: $(cat err)"
for i in $(seq 300); do [ -z "$(lpstat -h $server -o notes 2>/dev/null)" ] && break; sleep 0.2; done
cp $S/printed.pdf printed.pdf && cp $S/log/error_log error_log || fail "no printed file: $(grep "^E" $S/log/error_log | tail -5)"
[ "$(size printed.pdf)" = 842x595 ] || fail "printed: not landscape A4: $(size printed.pdf)"
given_back printed.pdf scripts.txt "printed"; has out.txt "Scripts of the world" "printed header's title"
grep -q "(.*/quelin-texttopdf) exited with no errors" error_log || fail "cupsd did not run quelin-texttopdf"
finish
