#!/usr/bin/env bash
# The program as a user gets it: installs it into a scratch DESTDIR and checks that only the
# program and its manual page land there, builds the Debian package and checks its metadata, its
# file list and lintian, renders the manual page with every groff warning on, and runs the
# installed program on the demo base with its standard output to a file and compares the text
# with the rows the tests expect. Exits non-zero on any failure.
#
# Usage: ci/package.sh [BUILD_DIR]   (default build; configured and built here when missing)
# Environment: SKEIN_JOBS (default the number of processors).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build_dir=$(realpath -m "${1:-build}")
jobs=${SKEIN_JOBS:-$(nproc)}
started=$(date +%s)

step() { echo "== package: $* ($(($(date +%s) - started)) s)"; }
fail() {
    echo "package: $*" >&2
    exit 1
}
# Compares a listing with the expected one (both sorted), showing the difference.
same_list() {
    local what=$1 expected=$2 actual=$3
    diff -u "$expected" <(sort <<<"$actual") || fail "$what differs from $expected"
}

bash ci/install-missing.sh cmake g++ make dpkg-dev lintian groff-base

work=$(mktemp -d "${TMPDIR:-/tmp}/skein-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A build folder of its own needs only the program and the demo base; the CI's release build
# has built everything already.
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    step "configuring $build_dir"
    cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DSKEIN_TESTS=OFF \
        -DSKEIN_BENCH=OFF >/dev/null
fi
step "building"
cmake --build "$build_dir" -j "$jobs" --target skeinview demo_base >/dev/null

step "installing into a DESTDIR"
DESTDIR="$work/root" cmake --install "$build_dir" --prefix /usr/local >/dev/null
same_list "the installed tree" ci/expected/install.txt \
    "$(cd "$work/root" && find . ! -type d -printf '%M %P\n')"

step "building the Debian package"
(cd "$build_dir" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(echo "$work"/deb/*.deb)
[ -f "$deb" ] || fail "cpack made no package"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "skeinview_${version}_${arch}.deb" ] ||
    fail "package $(basename "$deb"), expected skeinview_${version}_${arch}.deb"
[ "$(dpkg-deb -f "$deb" Package Version Architecture)" = \
    "$(printf 'Package: skeinview\nVersion: %s\nArchitecture: %s' "$version" "$arch")" ] ||
    fail "wrong name, version or architecture in the package's control file"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "no shared library dependencies found"
same_list "the package's files" ci/expected/deb-contents.txt \
    "$(dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }')"

step "lintian"
# Errors fail the check, and so does any tag about the program's hardening (the release build's
# flags) or a section the package's program has no use for; other warnings and notes are shown.
status=0
report=$(lintian --display-info --fail-on error "$deb" 2>&1) || status=$?
grep -v 'root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
! grep -E 'hardening-|binary-has-unneeded-section' <<<"$report" >/dev/null ||
    fail "lintian finds the program not hardened or carrying unneeded sections"

step "the manual page"
warnings=$(groff -man -ww -z man/skeinview.1 2>&1)
[ -z "$warnings" ] || fail "groff warns about man/skeinview.1: $warnings"

step "the installed program's text output of the demo base"
expected_text=tests/e2e/expected/demo_threads.txt
[ -f "$expected_text" ] || fail "$expected_text is missing"
mkdir "$work/run"
status=0
(cd "$work/run" && env -u LC_ALL -u LC_CTYPE LANG=C.UTF-8 "$work/root/usr/local/bin/skeinview" \
    "$build_dir/demo" </dev/null >"$work/demo_threads.txt") || status=$?
[ "$status" -eq 0 ] || fail "the installed program ended with exit code $status"
diff -u "$expected_text" "$work/demo_threads.txt" ||
    fail "the installed program's output differs from $expected_text"

step "passed"
