#!/usr/bin/env bash
# The quelin command end to end: output that never destroys data, PDF names
# that stay names, write errors, strict UTF-8, text of any size, and one
# exit status per error. Needs DejaVu Sans and DejaVu Sans Mono installed,
# Ghostscript and pdftotext.
# Usage: check_cli.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
lacks() { ! grep -qaF -- "$2" "$1" || fail "$3: $1 holds '$2'"; }
one_line() { [ "$(wc -l <err)" = 1 ] || fail "$1: want one line on standard error: $(head -c 500 err)"; }
no_temporaries() { ! ls -A | grep -q '^\.quelin-' || fail "$1: a temporary file was left: $(ls -A)"; }

FONT=$("$Q" list | awk -F'\t' '$1 == "DejaVu Sans Mono (TrueType)" { print $2 }')
[ -f "$FONT" ] || { echo "FAIL: DejaVu Sans Mono is not installed"; exit 1; }

# --- Output never destroys data.
cp "$FONT" Mono.ttf && ln -s Mono.ttf link.t42
for target in Mono.ttf link.t42; do
    run --font-file ./Mono.ttf convert "DejaVu Sans Mono" -o $target
    status 3 "convert over its input font ($target)"; one_line "input font ($target)"
done
cmp -s Mono.ttf "$FONT" || fail "the input font was changed"
echo keep >old.t42 && chmod 640 old.t42
(ulimit -f 100; "$Q" convert "DejaVu Sans" -o old.t42 >out 2>err; echo $? >rc)
rc=$(cat rc); status 3 "file-size limit"; has err "File too large" "file-size limit"
[ "$(cat old.t42)" = keep ] || fail "file-size limit: the target was changed"
no_temporaries "file-size limit"
run convert "DejaVu Sans" -o /dev/full
status 3 "disk full"; has err '"/dev/full": No space left on device' "disk full"
run convert "DejaVu Sans" -o old.t42
status 0 "convert over a file"; has old.t42 "%!PS-TrueTypeFont" "convert over a file"
[ "$(stat -c %a old.t42)" = 640 ] || fail "the mode of the target was not kept: $(stat -c %a old.t42)"
ln -s old.t42 to-old && ln -s new.t42 dangling
run convert "DejaVu Sans" -o to-old && run convert "DejaVu Sans" -o dangling
[ -L to-old ] && [ -L dangling ] && [ -f new.t42 ] || fail "links are not written through"
echo keep >sig.ps && mkfifo lines
"$Q" page "DejaVu Sans" -o sig.ps <lines 2>/dev/null &
exec 3>lines && echo "a line" >&3
for _ in $(seq 100); do ls -A | grep -q '^\.quelin-' && break; sleep 0.1; done
ls -A | grep -q '^\.quelin-' || fail "SIGTERM: no temporary file was seen"
kill -TERM $! && wait $!
exec 3>&-
[ "$(cat sig.ps)" = keep ] || fail "SIGTERM: the target was changed"
no_temporaries "SIGTERM"

# --- A PDF path is a file name, never a command.
run page "DejaVu Sans" "x" -o '|touch PWNED; cat >/dev/null #.pdf'
status 3 "pipe name"; [ ! -e PWNED ] || fail "a PDF name ran a command"
for name in 'report%d.pdf' 'sale 50%off.pdf'; do
    run page "DejaVu Sans" "100% sure" -o "$name"
    status 0 "PDF $name"; [ ! -s err ] || fail "PDF $name: Ghostscript spoke: $(cat err)"
    [ "$(pdftotext "$name" - 2>/dev/null | head -1)" = "100% sure" ] || fail "PDF $name: text not found"
done
[ ! -e report1.pdf ] || fail "report%d.pdf was taken as a pattern"
mkdir fake && printf '#!/bin/sh\necho chatter\necho "Error: /undefined in oops" >&2\necho "Unrecoverable error"\nexit 1\n' >fake/gs
chmod +x fake/gs && echo keep >kept.pdf
TMPDIR=$W PATH=$W/fake:$PATH run page "DejaVu Sans" x -o kept.pdf
status 3 "failing Ghostscript"; one_line "failing Ghostscript"
has err "Error: /undefined in oops" "failing Ghostscript"
log=$(sed -n 's/.*its full log is \(.*\))$/\1/p' err)
[ -f "$log" ] && has "$log" chatter "the log"
[ "$(cat kept.pdf)" = keep ] || fail "failing Ghostscript changed the target"
no_temporaries "failing Ghostscript"
PATH=/nonexistent run page "DejaVu Sans" x -o none.pdf
status 3 "no Ghostscript"; has err "not installed" "no Ghostscript"
mkfifo fifo.pdf && { head -c 5 fifo.pdf >fifo.out & }
run page "DejaVu Sans" x -o fifo.pdf; wait
status 0 "PDF into a FIFO"; [ "$(cat fifo.out)" = "%PDF-" ] || fail "PDF into a FIFO: $(cat fifo.out)"

# --- Every write error is reported.
for command in list "name|DejaVu Sans" "info|DejaVu Sans" "convert|DejaVu Sans" "text|DejaVu Sans|x" \
    "page|DejaVu Sans|x" --help --version; do
    IFS='|' read -r -a args <<<"$command"
    "$Q" "${args[@]}" >/dev/full 2>err; rc=$?
    status 3 "$command to /dev/full"; has err "cannot write standard output: No space left on device" "$command"
    "$Q" "${args[@]}" >&- 2>err; rc=$?
    status 3 "$command to a closed output"; has err "standard output" "$command closed"
done

# --- Input text is decoded strictly.
run text "DejaVu Sans" "$(printf 'caf\xe9 au lait')" "$(printf '\xc0\xa8 \xe2\x82')"
status 4 "invalid UTF-8"; has out "(caf? au lait) show" "invalid byte"; has out "(?? ?) show" "overlong"
has err "line 1, column 4: \\xE9 is not UTF-8" "invalid byte"
has err "line 2, column 4: \\xE2\\x82 is not UTF-8" "truncated"
[ "$(wc -l <err)" = 4 ] || fail "want four warnings: $(cat err)"
printf 'ok\na\0b\n' | "$Q" page "DejaVu Sans" >out 2>err; rc=$?
status 4 "NUL byte"; has out "(a?b) show" "NUL byte"; has err "line 2, column 2: a NUL byte" "NUL byte"
(printf '\xc3'; sleep 0.3; printf '\xa9\r\n') | "$Q" page "DejaVu Sans" >out 2>err; rc=$?
status 0 "a character across reads"; has out "/eacute glyphshow" "a character across reads"
for input in "<." "<&-"; do
    eval '"$Q" page "DejaVu Sans" -o unread.ps >out 2>err' "$input"; rc=$?
    status 3 "unreadable input $input"; has err "cannot read standard input" "input $input"
    [ ! -e unread.ps ] || fail "unreadable input $input: output written"
done

# --- Any size: memory stays that of a page, whatever the text.
python3 -c 'import sys; sys.stdout.buffer.write("é".encode() * 4000000 + b"\n" + b"short\n" * 100000)' >big.txt
(ulimit -v 60000; "$Q" page "DejaVu Sans" <big.txt 2>err; echo $? >rc) | python3 -c '
import sys
data = sys.stdin.buffer.read()
print(data.count(b"/eacute glyphshow"), b"%%Pages: (atend)" in data, data.endswith(b"%%Pages: 2041\n%%EOF\n"))
' >out
rc=$(cat rc); status 0 "a long line"; has out "4000000 True True" "a long line"

# --- One error, one exit status.
long=LongerThanThirtyOneBytesFaceName12
for command in name info convert; do run "$command" "$long"; status 1 "$command with a long unknown face name"; done
for command in text page; do run "$command" "$long" x; status 1 "$command with a long unknown face name"; done
has err "no installed TrueType font is named \"$long\"" "a long unknown face name"
run --font-file /nonexistent list
status 3 "--font-file /nonexistent"; has err "does not exist" "--font-file /nonexistent"
run --charset 0204 info "DejaVu Sans"
has out "Code page:         1251" "--charset 0204 is decimal"
run --charset 0x10 list; status 2 "--charset 0x10"

finish
