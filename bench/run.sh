#!/usr/bin/env bash
# Whole-program timing: how long skeinview takes to open a large base, walk it, show the first
# screen and end, and to write the whole base's thread list as text, next to the time it takes
# merely to read the base's header and index files.
#
#   bench/run.sh [BUILD_DIR] [--big]
#
# BUILD_DIR defaults to build/ in the repository (build it first, Release:
# cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build). The 100,000-message
# base is written once into BUILD_DIR/bench-bases and reused. Each round runs
#   script -qec "skeinview BASE </dev/null" /dev/null   (the screen: standard output on a
#                                          pseudo-terminal; open, walk, first screen, exit)
#   skeinview BASE >/dev/null              (every thread of the base written as text)
#   cat BASE.jhr BASE.jdx >/dev/null
# one after the other and on one processor (taskset; the rounds take the processors in turn), so
# all see the same machine, and the base's files are in the page cache as a read from disk leaves
# them; the report gives the median and the spread
# (fastest and slowest) of each, the ratios of the medians to cat's, and the peak resident memory
# of both runs. The screen run's time includes script's own (timed alone as well); its processor
# time (user and system) is the program's own, measured inside script, beside cat's (to the
# microsecond by BUILD_DIR/bench/cputime, built with the benchmarks; else by the shell, to the
# millisecond). With --big a 300,000-message base is measured too: peak memory should not grow
# with the base beyond the bounded caches. The real sample base ../shared/samples/blog-mtw (from
# the repository root) is timed as well when it is there.
#
# Environment: ROUNDS (default 15).

set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build"
big=0
for arg in "$@"; do
    case "$arg" in
    --big) big=1 ;;
    -h | --help)
        sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) build=$(cd "$arg" && pwd) ;;
    esac
done
rounds=${ROUNDS:-15}

skeinview="$build/skeinview"
jamgen="$build/tools/jamgen"
cputime="$build/bench/cputime"
if ! command -v script >/dev/null; then
    echo "run.sh: script (util-linux) is missing; it gives the screen run its terminal" >&2
    exit 1
fi
for tool in "$skeinview" "$jamgen"; do
    if [[ ! -x $tool ]]; then
        echo "run.sh: $tool is missing; build it first (see bench/run.sh --help)" >&2
        exit 1
    fi
done

bases="$build/bench-bases"
mkdir -p "$bases"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# skeinview writes its read-state file into the current folder: everything runs in a scratch one.
cd "$work"

# Writes the synthetic base of $1 messages unless it is there already; prints its path.
synthetic() {
    local base="$bases/run$1"
    if [[ ! -f $base.jhr || ! -f $base.jdx || ! -f $base.jdt ]]; then
        echo "writing the $1-message base to $base ..." >&2
        "$jamgen" --messages "$1" --seed 1 --out "$base" >&2
    fi
    echo "$base"
}

# Microseconds since the epoch, without starting a process.
now_us() {
    local t=${EPOCHREALTIME/./}
    echo "${t#0}"
}

# The screen run of base $1 as words, into the array screen: skeinview with standard output on
# a pseudo-terminal and no keys, so that it shows the first screen and ends; what the terminal
# shows is dropped.
screen_command() {
    screen=(env TERM=xterm script -qec "'$skeinview' '$1' </dev/null" /dev/null)
}

# Runs "$@" once with no input and no output; prints the microseconds it took.
time_once() {
    local start end
    start=$(now_us)
    "$@" </dev/null >/dev/null 2>&1 || true
    end=$(now_us)
    echo $((end - start))
}

# Runs "$@" once with no input and no output; prints the processor time (user + system) it took
# in microseconds: measured by the build's cputime to the microsecond, or else by the shell to
# the millisecond.
cpu_once() {
    local t out="$work/cpu.txt"
    if [[ -x $cputime ]]; then
        : >"$out"
        "$cputime" "$out" "$@" </dev/null >/dev/null 2>&1 || true
        cat "$out"
        return
    fi
    t=$({ TIMEFORMAT='%3U %3S'; time "$@" </dev/null >/dev/null 2>&1; } 2>&1) || true
    awk '{ printf "%d\n", ($1 + $2) * 1000000 }' <<<"$t"
}

# The screen run's own processor time, in microseconds: the program is timed inside script, on
# the pseudo-terminal script gives it, so that script's own time is left out.
screen_cpu_once() {
    local out="$work/screen-cpu.txt"
    : >"$out"
    if [[ -x $cputime ]]; then
        env TERM=xterm script -qec "'$cputime' '$out' '$skeinview' '$1' </dev/null 2>/dev/null" /dev/null >/dev/null 2>&1 || true
        cat "$out"
        return
    fi
    env TERM=xterm script -qec "bash -c 'TIMEFORMAT=\"%3U %3S\"; { time \"\$0\" \"\$1\" </dev/null 2>/dev/null; } 2>\"\$2\"' '$skeinview' '$1' '$out'" /dev/null >/dev/null 2>&1 || true
    awk '{ printf "%d\n", ($1 + $2) * 1000000 }' "$out"
}

# The processors of a shared machine need not be alike (one of this project's two-processor
# machines runs everything a third slower on one than on the other), so that a program and cat
# timed on different ones are not side by side. Each round runs all its commands on one
# processor, the rounds taking the processors in turn: the script itself moves there
# (taskset, util-linux), so that no command it times starts another program first.
processors=()
if command -v taskset >/dev/null && command -v nproc >/dev/null; then
    for ((p = 0; p < $(nproc); p++)); do
        taskset -c "$p" true 2>/dev/null && processors+=("$p")
    done
fi
pin_round() {
    if ((${#processors[@]} > 1)); then
        taskset -pc "${processors[$(($1 % ${#processors[@]}))]}" $$ >/dev/null
    fi
}

# Median, fastest and slowest of the numbers on standard input, in milliseconds.
summary() {
    sort -n | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.2f %.2f %.2f\n", m / 1000, v[1] / 1000, v[NR] / 1000 }'
}

# Peak resident memory of one run of "$@", in KiB.
peak_rss() {
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -v "$@" </dev/null 2>&1 >/dev/null |
            awk -F': ' '/Maximum resident set size/ { print $2 }'
    elif command -v python3 >/dev/null; then
        python3 -c '
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
    else
        echo "?"
    fi
}

# Times the screen run and the text output of base $1 against cat of its header and index
# files, and reports.
compare() {
    local base=$1 label=$2 i screen
    screen_command "$base"
    local sc="$work/screen.us" tx="$work/text.us" ct="$work/cat.us" sa="$work/script.us"
    local scc="$work/screen.cpu" txc="$work/text.cpu" ctc="$work/cat.cpu"
    : >"$sc"
    : >"$tx"
    : >"$ct"
    : >"$sa"
    : >"$scc"
    : >"$txc"
    : >"$ctc"
    # The base's files as a read from disk leaves them in the page cache: how the kernel holds
    # them otherwise varies (cat of one base took 11 ms of processor time at one time of a
    # session and 6.5 ms at another), and with it what reading them costs cat and the program.
    # They are dropped from the cache (GNU dd), and read again by the warm-up.
    local file
    for file in "$base.jhr" "$base.jdx"; do
        dd if="$file" iflag=nocache count=0 status=none 2>/dev/null || true
    done
    # One warm-up of each, so that the files are in the page cache for all.
    time_once "${screen[@]}" >/dev/null
    time_once "$skeinview" "$base" >/dev/null
    time_once cat "$base.jhr" "$base.jdx" >/dev/null
    for ((i = 0; i < rounds; i++)); do
        pin_round "$i"
        time_once "${screen[@]}" >>"$sc"
        time_once "$skeinview" "$base" >>"$tx"
        time_once cat "$base.jhr" "$base.jdx" >>"$ct"
        time_once script -qec true /dev/null >>"$sa"
        screen_cpu_once "$base" >>"$scc"
        cpu_once "$skeinview" "$base" >>"$txc"
        cpu_once cat "$base.jhr" "$base.jdx" >>"$ctc"
    done
    read -r scm sclo schi < <(summary <"$sc")
    read -r txm txlo txhi < <(summary <"$tx")
    read -r ctm ctlo cthi < <(summary <"$ct")
    read -r sam salo sahi < <(summary <"$sa")
    read -r sccm scclo scchi < <(summary <"$scc")
    read -r txcm txclo txchi < <(summary <"$txc")
    read -r ctcm ctclo ctchi < <(summary <"$ctc")
    local hdr idx rows
    hdr=$(stat -c %s "$base.jhr")
    idx=$(stat -c %s "$base.jdx")
    rows=$("$skeinview" "$base" | wc -l)
    echo "== $label: $base"
    printf '   header file %d bytes, index file %d bytes (%d messages), %d rows of text\n' \
        "$hdr" "$idx" $((idx / 8)) "$rows"
    printf '   screen run  median %8.2f ms   (%.2f .. %.2f)\n' "$scm" "$sclo" "$schi"
    printf '   script alone       %8.2f ms   (%.2f .. %.2f)\n' "$sam" "$salo" "$sahi"
    printf '   text output median %8.2f ms   (%.2f .. %.2f)\n' "$txm" "$txlo" "$txhi"
    printf '   cat jhr+jdx median %8.2f ms   (%.2f .. %.2f)\n' "$ctm" "$ctlo" "$cthi"
    awk -v a="$scm" -v s="$sam" -v b="$ctm" 'BEGIN {
        printf "   screen/cat  %8.1f x   (%.1f x without script; goal: at most 12 x)\n", a / b, (a - s) / b }'
    awk -v a="$txm" -v b="$ctm" 'BEGIN { printf "   text/cat    %8.1f x   (goal: at most 4 x)\n", a / b }'
    printf '   processor time (user + system of the process itself), median (fastest .. slowest):\n'
    printf '   screen run  %8.2f ms   (%.2f .. %.2f)\n' "$sccm" "$scclo" "$scchi"
    printf '   text output %8.2f ms   (%.2f .. %.2f)\n' "$txcm" "$txclo" "$txchi"
    printf '   cat         %8.2f ms   (%.2f .. %.2f)\n' "$ctcm" "$ctclo" "$ctchi"
    # Beside the ratio of the medians, the median of each round's own ratio: a round's runs
    # share a processor and a moment of the machine.
    local scr txr
    scr=$(paste "$scc" "$ctc" | awk '{ print $1 / $2 * 1000 }' | summary | cut -d' ' -f1)
    txr=$(paste "$txc" "$ctc" | awk '{ print $1 / $2 * 1000 }' | summary | cut -d' ' -f1)
    awk -v a="$sccm" -v b="$ctcm" -v r="$scr" 'BEGIN {
        printf "   screen/cat  %8.2f x   (rounds: %.2f x; goal: 2 x, at most 2.5 x)\n", a / b, r }'
    awk -v a="$txcm" -v b="$ctcm" -v r="$txr" 'BEGIN {
        printf "   text/cat    %8.2f x   (rounds: %.2f x; goal: at most 4 x)\n", a / b, r }'
    printf '   peak RSS    %8s KiB screen, %s KiB text (goal: under 32768)\n' \
        "$(peak_rss "${screen[@]}")" "$(peak_rss "$skeinview" "$base")"
}

echo "skeinview: $skeinview"
echo "rounds: $rounds, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
compare "$(synthetic 100000)" "synthetic, 100,000 messages"

if ((big)); then
    compare "$(synthetic 300000)" "synthetic, 300,000 messages"
fi

sample="$repo/../shared/samples/blog-mtw"
if [[ -f $sample.jhr && -f $sample.jdx && -f $sample.jdt ]]; then
    compare "$sample" "real base blog-mtw"
fi
