#!/usr/bin/env bash
# End-to-end check of the jamgen command line: exit codes (0 written, 1 failed, 2 bad usage),
# error texts, the demo base, a synthetic base written twice alike, and every damage kind that
# --list-damage names written through the tool.
#
# Usage: jamgen_cli.sh BUILD_DIR SOURCE_DIR

set -u

build_dir=${1:?usage: jamgen_cli.sh BUILD_DIR SOURCE_DIR}
source_dir=${2:?usage: jamgen_cli.sh BUILD_DIR SOURCE_DIR}
jamgen=$build_dir/tools/jamgen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect CODE PATTERN ARGS...: runs jamgen, checks the exit code and that stderr matches PATTERN.
expect() {
    local code=$1 pattern=$2
    shift 2
    checks=$((checks + 1))
    "$jamgen" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" != "$code" ]; then
        fail "jamgen $* exited $got, wanted $code: $(cat "$work/err")"
    elif [ -n "$pattern" ] && ! grep -q -- "$pattern" "$work/err"; then
        fail "jamgen $*: stderr lacks '$pattern': $(cat "$work/err")"
    fi
}

[ -x "$jamgen" ] || { echo "FAIL: $jamgen is not built"; exit 1; }

expect 2 "nothing to write"
expect 2 "unknown argument '--bogus'" --bogus
expect 2 "--out BASEPATH is missing" --messages 5
expect 2 "needs a number" --messages five --out "$work/x"
expect 2 "not both" --messages 5 --describe "$source_dir/samples/demo.txt" --out "$work/x"
expect 2 "--seed goes with --messages" --seed 4 --out "$work/x" --describe "$source_dir/samples/demo.txt"
expect 2 "unknown damage kind 'nonsense'" --damage nonsense --out "$work/x"
expect 2 "--describe needs a file" --describe
expect 1 "no/such/folder/base.jhr" --messages 3 --out "$work/no/such/folder/base"
expect 1 "missing.txt" --describe "$work/missing.txt" --out "$work/x"
printf 'Msg: 1\nFrom: A\nFrm: B\n' >"$work/bad.txt"
expect 1 "bad.txt:3: unknown key 'Frm'" --describe "$work/bad.txt" --out "$work/x"
expect 0 "" --help
grep -q "^Usage: jamgen" "$work/out" || fail "--help prints no usage"

expect 0 "" --describe "$source_dir/samples/demo.txt" --out "$work/demo"
for ext in jhr jdt jdx; do
    [ -s "$work/demo.$ext" ] || fail "demo.$ext is missing or empty"
done

expect 0 "" --messages 300 --seed 9 --out "$work/s1"
expect 0 "" --messages 300 --seed 9 --out "$work/s2"
for ext in jhr jdt jdx; do
    cmp -s "$work/s1.$ext" "$work/s2.$ext" || fail "seed 9 wrote two different .$ext files"
done
[ "$(stat -c %s "$work/s1.jdx")" = 2400 ] || fail "300 messages want 2400 index bytes"

expect 0 "" --list-damage
cut -d' ' -f1 "$work/out" >"$work/kinds"
[ "$(wc -l <"$work/kinds")" -ge 30 ] || fail "--list-damage lists too few kinds"
while read -r kind; do
    case $kind in *200000) continue ;; esac # the long ones are slow in a debug build
    expect 0 "" --damage "$kind" --out "$work/d-$kind"
    expect 0 "" --damage "$kind" --describe "$source_dir/samples/demo.txt" --out "$work/e-$kind"
    rm -f "$work/d-$kind".* "$work/e-$kind".*
done <"$work/kinds"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
