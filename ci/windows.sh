#!/usr/bin/env bash
# The Windows build, checked under Wine: installs what is missing, cross-compiles the program and
# the test suites with MinGW-w64, runs the suites with ctest under Wine and then the end-to-end
# check of skeinview.exe in a tmux pane, and makes the zip of skeinview.exe, the README and the
# licence. Exits non-zero on any failure.
#
# Usage: ci/windows.sh [BUILD_DIR]   (default build-windows, beside the sources)
# Environment: SKEIN_JOBS (default 2), SKEIN_WIN_BUILD_TYPE (default Debug, without debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build_dir=${1:-build-windows}
jobs=${SKEIN_JOBS:-2}
started=$(date +%s)

step() { echo "== windows: $* ($(($(date +%s) - started)) s)"; }

# Plain wine64 with its recommends would bring hundreds of megabytes of graphics packages.
bash ci/install-missing.sh cmake ninja-build tmux googletest g++-mingw-w64-x86-64-posix wine64 \
    wine

# A fresh Wine prefix for every run. Wine's debugger stays off: with it on, a crashing test can
# end with exit code 0.
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/skein-wine.XXXXXX")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
export SKEIN_WINE=/usr/lib/wine/wine64

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT

# The server starts detached from every pipe: started under ctest, it would hold ctest's output
# open and the first test could hang for minutes.
step "starting Wine in $WINEPREFIX"
wineserver -p 600 </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
# The first program that asks for a console window waits about ten seconds for Wine's desktop;
# starting the desktop now lets it get ready while the build runs.
("$SKEIN_WINE" explorer.exe /desktop </dev/null >/dev/null 2>&1 &)

step "configuring $build_dir"
build_type=${SKEIN_WIN_BUILD_TYPE:-Debug}
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DSKEIN_BENCH=OFF >/dev/null

step "building"
# Everything the suites and the end-to-end check need: the default targets are the program,
# the test programs, jamgen (which writes the demo base under Wine) and keyview.
cmake --build "$build_dir" -j "$jobs"

step "running the test suites under Wine"
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 </dev/null

step "end-to-end check in tmux"
bash "$source_dir/tests/e2e-windows/skeinview.sh" "$build_dir" "$source_dir"

step "the zip package"
rm -rf "$build_dir/package"
(cd "$build_dir" && cpack -G ZIP -B package >/dev/null)
zip_file=$(echo "$build_dir"/package/*.zip)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
top=skeinview-$version-win64
[ "$(basename "$zip_file")" = "$top.zip" ] || { echo "no $top.zip from cpack"; exit 1; }
listed=$(cmake -E tar tf "$zip_file" | grep -v '/$' | sort)
[ "$listed" = "$(printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/skeinview.exe")" ] ||
    { echo "the zip holds other files than skeinview.exe, README.md and LICENSE: $listed"; exit 1; }
echo "$zip_file"

step "passed"
