#!/usr/bin/env bash
# Runs one fuzz target for a set time, one worker, with bounded memory, starting from the seed
# corpus (made first when missing) and adding what it finds to it. A finding (crash, sanitizer
# report, time-out, memory limit) ends the run with exit code 1 and the input shown in hex.
#
# Usage: fuzz/run.sh TARGET SECONDS [BUILD_DIR]
#   TARGET     fuzz_base, fuzz_keys or fuzz_readstate
#   BUILD_DIR  the clang build with SKEIN_FUZZ=ON (default build-fuzz)
#
# libFuzzer's last lines give the executions (stat::number_of_executed_units) and the coverage
# reached (cov: and ft: of the last status line); the whole output is kept in
# BUILD_DIR/fuzz-logs/TARGET.log.

set -uo pipefail

target=${1:?usage: run.sh TARGET SECONDS [BUILD_DIR]}
seconds=${2:?usage: run.sh TARGET SECONDS [BUILD_DIR]}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${3:-$source_dir/build-fuzz}
# Absolute paths: the read-state target works in a folder of its own as its current directory.
build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || { echo "run.sh: no build folder ${3:-}" >&2; exit 2; }
binary=$build_dir/fuzz/$target

case $target in
fuzz_base) corpus=base max_len=1048576 ;;
fuzz_keys) corpus=keys max_len=4096 ;;
fuzz_readstate) corpus=readstate max_len=65536 ;;
*) echo "run.sh: unknown target '$target' (fuzz_base, fuzz_keys, fuzz_readstate)" >&2; exit 2 ;;
esac
[ -x "$binary" ] || { echo "run.sh: no $binary; build it first" >&2; exit 2; }
if [ ! -d "$build_dir/corpus/$corpus" ]; then
    # The seeds need jamgen; the fuzz build has one.
    "$source_dir/fuzz/make_corpus.sh" "$build_dir" "$build_dir/corpus" || exit 2
fi

artifacts=$build_dir/fuzz-artifacts
logs=$build_dir/fuzz-logs
mkdir -p "$artifacts" "$logs"
log=$logs/$target.log
stamp=$(mktemp)
# The targets write their files in a folder of their own under TMPDIR; in memory, the disk's
# flushes do not slow every run.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

"$binary" "$build_dir/corpus/$corpus" -max_total_time="$seconds" -max_len="$max_len" \
    -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=60 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$log" 2>&1
status=$?

# The figures for the record: executions, coverage and features at the end.
last_status=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
executions=$(grep -E 'stat::number_of_executed_units' "$log" | tail -n 1 | awk '{print $2}')
echo "$target: ${seconds}s, exit $status, executions ${executions:-?}; last: ${last_status:-none}"

# Slow inputs are written too, but they are not faults.
found=$(find "$artifacts" -name "$target-*" ! -name "$target-slow-unit-*" -newer "$stamp" -type f \
    2>/dev/null)
rm -f "$stamp"
if [ "$status" -ne 0 ] || [ -n "$found" ]; then
    echo "run.sh: $target found a fault; the end of its output:"
    tail -n 60 "$log"
    for f in $found; do
        echo "----- input $f ($(stat -c %s "$f") bytes), first 4 KB in hex -----"
        head -c 4096 "$f" | od -A d -t x1 -v
    done
    exit 1
fi
exit 0
