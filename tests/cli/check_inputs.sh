#!/usr/bin/env bash
# quelin print's command line and inputs end to end, judged by Ghostscript's
# text extraction (txtwrite): files in other charsets, overstrike from man,
# terminal escapes from source-highlight, binary, empty, missing and many
# files, GNU-style options and their bounds, and faults that once hung or
# flooded.
# Usage: check_inputs.sh QUELIN WORK_FOLDER
source "$(dirname "$0")/common.sh" "$1" "$2"
# The words Ghostscript finds on the pages of a document, one a line.
words() { gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=txtwrite -sOutputFile=- "$1" | tr -s ' \r\n' '\n\n\n' | sed '/^$/d'; }
same_words() { # DOCUMENT EXPECTED WHAT
    words "$1" >words.1 && words "$2" >words.2 && [ -s words.2 ] && cmp -s words.1 words.2 ||
        fail "$3: the words differ: $(diff words.1 words.2 | head -4)"
}

# --- Charsets: the same words as the UTF-8 text, with a warning that names the charset.
printf 'Zwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich; ça coûte à peu près 10 €.\n' >latin.txt
printf 'Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний.\n' >russian.txt
printf '日本語のテキストです。いろはにほへと　ちりぬるを。東京都の天気は晴れです。\n' >japanese.txt
for case in latin.txt:LATIN1:ISO-8859 latin.txt:WINDOWS-1252:WINDOWS-1252 russian.txt:KOI8-R:KOI8-R japanese.txt:SHIFT_JIS:SHIFT_JIS; do
    IFS=: read -r text charset named <<<"$case"
    # Latin-1 has no euro sign; Windows-1252 has, and it tells them apart.
    if [ "$charset" = LATIN1 ]; then sed 's/ €//' "$text"; else cat "$text"; fi >"$charset.utf8"
    iconv -f UTF-8 -t "$charset" "$charset.utf8" >"$charset.txt" && "$Q" print "$charset.utf8" -o "$charset.utf8.ps"
    run print "$charset.txt" -o "$charset.ps"; status 0 "$charset"
    has err "is read as $named" "the charset $charset is named"; has err "--encoding" "the warning says how to choose"
    same_words "$charset.utf8.ps" "$charset.ps" "$charset"
done
run print -X KOI8-R KOI8-R.txt -o forced.ps; status 0 "--encoding"; [ -s err ] && fail "--encoding still warns: $(cat err)"
run print --encoding=nosuch latin.txt; status 2 "an unknown charset"

# --- Overstrike as man writes it prints the words of its plain text; escapes draw nothing.
MAN_KEEP_FORMATTING=1 MANWIDTH=80 man ls 2>/dev/null >ls.man
grep -q $'\b' ls.man || fail "man gives no overstrike"
col -bx <ls.man >ls.txt
"$Q" print ls.man -o ls.man.ps && "$Q" print ls.txt -o ls.ps || fail "printing man ls"
same_words ls.man.ps ls.ps "overstrike"
printf '#include <stdio.h>\nint main(void) {\n    printf("hi\\n"); /* say it */\n    return 0;\n}\n' >hello.c
source-highlight -f esc -i hello.c -o hello.esc && grep -q $'\e\\[' hello.esc || fail "source-highlight gives no escapes"
printf '\e]0;a title\a\e[38;5;208m\e(B\e[?25l' >>hello.esc
"$Q" print hello.esc -o hello.esc.ps && "$Q" print hello.c -o hello.ps || fail "printing escapes"
same_words hello.esc.ps hello.ps "escape sequences"
"$Q" print --no-escapes hello.esc | words - | grep -q '\[32m' || fail "--no-escapes draws the sequences"

# --- Binary, empty, missing and many files.
run print /bin/ls -o binary.ps; status 4 "a binary file"; has err "left out" "a binary file"; has binary.ps "%%Pages: 0" "binary"
run print --force /bin/ls -o binary.ps; grep -q "^%%Pages: [1-9]" binary.ps || fail "--force prints a binary file"
: >empty.txt
run print empty.txt -o empty.ps; status 0 "empty input"; has empty.ps "%%Pages: 0" "empty input"
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=nullpage empty.ps || fail "Ghostscript refuses a document without pages"
run print empty.txt -o empty.pdf; status 0 "empty PDF"; pdfinfo empty.pdf >/dev/null 2>&1 || fail "pdfinfo refuses an empty PDF"
echo first >a.txt && echo second >b.txt
run print a.txt nosuch.txt b.txt -o ab.ps; status 3 "a missing input"; has err '"nosuch.txt": it does not exist' "missing"
[ "$(words ab.ps | tr '\n' ' ')" = "first second " ] || fail "the other files are not printed: $(words ab.ps)"
mkdir many && for i in $(seq 1100); do echo "$i" >"many/$i.txt"; done
(ulimit -n 1024 && "$Q" print many/*.txt -o many.ps) || fail "1,100 files under ulimit -n 1024"
[ "$(grep -c '^%%Page:' many.ps)" = 1100 ] || fail "1,100 files do not make 1,100 pages"

# --- Options: GNU spellings and permutation; values out of bounds are usage errors.
run print --size=12 --output=x.ps --font=mono a.txt; status 0 "--name=value"; has x.ps "%%Pages: 1" "--output="
run print a.txt -s 12 -f mono -o y.ps -rC -T 4 --columns 2 --margins 20,30,20,30 -P 1- --duplex long; status 0 "options after operands"
for bad in "--size 0.0001" "--size 501" "--columns 9" "--tab-width 0" "--margins 10,20" "--margins 400" \
    "--pages 5-3" "--duplex sideways" "--landscape=yes" "--nosuch" "--font :charset=zzzz"; do
    run print $bad a.txt; status 2 "$bad"
done
run page "DejaVu Sans" --columns 2 x; status 2 "a print option to page"

# --- Faults: a FIFO as a font file, a flood of missing characters, an input as the output, TMPDIR.
mkfifo fifo && run_fifo() { timeout 10 "$Q" --font-file fifo list >out 2>err; rc=$?; } && run_fifo
status 3 "a FIFO as --font-file"
python3 -c "print(''.join(chr(c) for c in range(0xF0000, 0xF0400)))" >planes.txt
run print planes.txt -o planes.ps; status 4 "missing characters"
[ "$(wc -l <err)" -le 101 ] && has err "more characters are in no installed TrueType font" "the rest counted" ||
    fail "missing characters flood: $(wc -l <err) lines"
run print -o a.txt a.txt; status 3 "output over an input"; has err "input file" "output over an input"
TMPDIR=$W/nosuch "$Q" print a.txt -o t.ps 2>err || fail "an unusable TMPDIR: $(cat err)"
has err "/tmp is used instead" "TMPDIR"

finish
