#!/usr/bin/env bash
# End-to-end check of the Windows build: skeinview.exe runs under Wine in a tmux pane of 80x25 on
# the demo base, shows the thread list, opens a message on Enter, goes back on Esc and ends on a
# second Esc with the exit banner, exit code 0 and a read-state file. The console device's own
# tests then run in a pane too, where a console exists for them.
#
# Usage: skeinview.sh BUILD_DIR [SOURCE_DIR]
#   BUILD_DIR is the cross build (skeinview.exe, demo.jhr/.jdt/.jdx, tests/WinConsoleDeviceTest.exe).
# Wine's settings (WINEPREFIX and the rest) come from the caller; the server should be running.

set -u

build_dir=$(cd "${1:?usage: skeinview.sh BUILD_DIR [SOURCE_DIR]}" && pwd)
wine=${SKEIN_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winedbg.exe=d;mscoree,mshtml="}
# Wine's first console can take a while to come up: screens are given longer than on POSIX.
PANE_WAIT=20
# shellcheck source=../e2e/lib/pane.sh
source "$(dirname "$0")/../e2e/lib/pane.sh"
pane_setup wine

file_has() { [ -f "$1" ] && grep -qE -- "$2" "$1"; }
file_lacks() { [ -f "$1" ] && ! grep -qE -- "$2" "$1"; }

# Starts a command in a fresh 80x25 pane (the exit code lands in $work/exit.txt).
start_pane() { # start_pane NAME COMMAND
    pane=$1
    tmx new-session -d -s "$pane" -x 80 -y 25 \
        "cd '$work' && $2; echo \$? > '$work/exit.txt.part' && mv '$work/exit.txt.part' '$work/exit.txt'; sleep 600"
    tmx set -t "$pane" escape-time 0 >/dev/null
}

wait_exit() { # wait_exit [SECONDS]
    local tries=$((${1:-30} * 10))
    while ((tries-- > 0)); do
        [ -f "$work/exit.txt" ] && return 0
        sleep 0.1
    done
    return 1
}

for ext in jhr jdt jdx; do
    if ! cp "$build_dir/demo.$ext" "$work/"; then
        echo "FAIL: no demo base in $build_dir (build the demo_base target)"
        exit 1
    fi
done

# --- The reader on the demo base ---
# Standard error goes to a file: Wine keeps the console visible while one stream still reaches it.
start_pane reader "LC_ALL=C.UTF-8 '$wine' '$build_dir/skeinview.exe' demo 2>'$work/stderr.txt'"
check "the thread list shows" wait_for '^. Thread \([0-9]+ msgs\): Welcome to SYSOP\.CHAT' 60
check "rows carry numbers, senders and the unread mark" \
    wait_for '^. +1 N Wendell Strand +Welcome to SYSOP\.CHAT'
check "the frame's code page 437 glyphs come through" wait_for '^╒═+╕$'
check "colours come through" bash -c "tmux -L '$socket' capture-pane -e -p -t reader | grep -q $'\e\\['"

# The list starts on the thread's header row: Enter there steps to its first message, and Enter
# on the message opens it.
tmx send-keys -t reader Enter
sleep 0.5
tmx send-keys -t reader Enter
check "Enter opens the message viewer" wait_for 'ENTER/Next message'
check "the viewer shows the header" wait_for 'From: Wendell Strand +Msg #: 1'
check "the viewer shows the thread place" wait_for 'Thread: 1 of 1'

tmx send-keys -t reader Escape
check "Esc goes back to the thread list" wait_gone 'ENTER/Next message'
check "the message read loses its unread mark" wait_for '^. +1   Wendell Strand'

tmx send-keys -t reader Escape
check "the second Esc ends the program" wait_exit 30
check "exit code 0" file_has "$work/exit.txt" '^0$'
check "the exit banner stays" wait_for 'Halvek BBS v2\.0 Message Reader Concept'
check "the read-state file is written" test -s "$work/skeinview_demo.dat"
check "nothing on standard error" test ! -s "$work/stderr.txt"
tmx kill-session -t reader

# --- The console device's tests, on a console ---
device_tests="$build_dir/tests/WinConsoleDeviceTest.exe"
if [ -f "$device_tests" ]; then
    rm -f "$work/exit.txt"
    start_pane devicetests "'$wine' '$device_tests' > '$work/device.txt'"
    check "the console device tests end" wait_exit 60
    check "the console device tests pass" file_has "$work/exit.txt" '^0$'
    check "no console device test is skipped" file_lacks "$work/device.txt" 'SKIPPED'
    if ! file_has "$work/exit.txt" '^0$'; then cat "$work/device.txt"; fi
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
