# What the command-line checks share (sourced): the quelin program in Q, a
# new work folder, failures counted, and quelin run with its output kept.
# Usage from a check: source common.sh QUELIN WORK_FOLDER
set -u
Q=$1
W=$2
rm -rf "$W" && mkdir -p "$W" && cd "$W" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs quelin: standard output in out, standard error in err, status in rc.
run() { "$Q" "$@" >out 2>err; rc=$?; }
status() { [ "$rc" = "$1" ] || fail "$2: exit status $rc, want $1: $(head -c 300 err)"; }
has() { grep -qaF -- "$2" "$1" || fail "$3: $1 lacks '$2': $(head -c 300 "$1")"; }
finish() { echo "$failures failures"; [ "$failures" = 0 ]; }
