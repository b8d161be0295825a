#!/usr/bin/env bash
# End-to-end check of the terminal path: keyview runs in a real terminal (a tmux pane of 80x25
# with escape-time 0) and must show the right bytes for each key, draw box glyphs and bright
# colours, and give the terminal back (cooked mode, main screen) however it ends: Esc twice,
# SIGTERM, SIGHUP, SIGINT, a crash (SIGSEGV, SIGABRT) or SIGQUIT; and that it hands the terminal
# back while stopped (SIGTSTP) and takes it again with a full redraw when resumed.
#
# Usage: keyview.sh BUILD_DIR [SOURCE_DIR]

set -u

build_dir=${1:?usage: keyview.sh BUILD_DIR [SOURCE_DIR]}
keyview=$(cd "$build_dir" 2>/dev/null && pwd)/tools/keyview
# shellcheck source=lib/pane.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/pane.sh"
pane_setup keyview

start_keyview() {
    rm -f "$work/pid"
    type_line "ulimit -c 0; sh -c 'echo \$\$ > \"\$0\"; exec \"\$1\"' '$work/pid' '$keyview'; echo \"exit\"\"code=\$?\""
    wait_for 'keyview: press keys' 10
}

has_frame() { screen_text | grep -qF '╔══' && screen_text | grep -qF '┌─┬─┐'; }
has_bright_yellow() { screen_sgr | grep -qF $'\e[93mBright yellow'; }
has_bright_background() {
    screen_sgr | grep -qE $'\e\\[(97;)?101m(\e\\[[0-9;]*m)?White on light red'
}

if [ ! -x "$keyview" ]; then
    echo "FAIL: $keyview is not built"
    exit 1
fi

# --- keys, glyphs and colours, and the ordinary way out ---
check "keyview starts in an 80x25 pane" eval "new_pane && start_keyview"
check "keyview names code page 437 and UTF-8 output" wait_for '^ Code page 437, output UTF-8 *$' 2

count=0
for pair in "Up|0 72" "F1|0 59" "C-F1|0 94" "M-F4|0 107" "M-q|0 16" "C-c|3" "Enter|13" \
    "Escape|27" "x|120" "Home|0 71" "End|0 79" "PPage|0 73" "NPage|0 81" "IC|0 82" "DC|0 83" \
    "F11|0 133" "F12|0 134"; do
    key=${pair%%|*}
    want=${pair#*|}
    count=$((count + 1))
    keys "$key"
    check "$key shows $want" wait_for "^ Key $count: $want *\$" 5
done

check "a box-drawing frame comes out as its glyphs" has_frame
check "bright yellow comes out as SGR 93" has_bright_yellow
check "a bright background comes out as SGR 101" has_bright_background

keys Escape Escape
count=$((count + 2))
check "Esc twice ends keyview and its last screen stays in the shell" \
    wait_for "^keyview ended after $count keys\\.\$" 10
check "exit code 0 after Esc twice" wait_for '^exitcode=0$' 10
check "terminal given back after Esc twice" terminal_given_back esc

# --- signals ---
for sig in TERM HUP INT SEGV ABRT QUIT; do
    if ! { new_pane && start_keyview; }; then
        fail "keyview did not start for SIG$sig"
        continue
    fi
    pid=$(cat "$work/pid" 2>/dev/null)
    if [ -z "$pid" ]; then
        fail "no process id for SIG$sig"
        continue
    fi
    kill "-$sig" "$pid"
    if [ "$sig" = SEGV ] || [ "$sig" = ABRT ] || [ "$sig" = QUIT ]; then
        code=$((128 + $(kill -l "$sig")))
        check "SIG$sig ends keyview by the signal" wait_for "^exitcode=$code\$" 10
    else
        check "SIG$sig ends keyview the ordinary way" wait_for '^keyview ended after 2 keys\.$' 10
        check "exit code 0 after SIG$sig" wait_for '^exitcode=0$' 10
    fi
    check "terminal given back after SIG$sig" terminal_given_back "$sig"
done

# --- a terminal without UTF-8 gets VT100 line drawing ---
has_line_drawing() { screen_sgr | grep -qF $'\x0elqqq' && screen_sgr | grep -qF $'\x0elqwqk'; }
if new_pane C && start_keyview; then
    check "without UTF-8 the frame is drawn in VT100 line drawing" has_line_drawing
    check "without UTF-8 keyview names that output" \
        wait_for '^ Code page 437, output line drawing and ASCII *$' 2
    keys Escape Escape
    check "without UTF-8 the last screen stays in plain ASCII" \
        wait_for '^keyview ended after 2 keys\.$' 10
    check "without UTF-8 the terminal is given back too" terminal_given_back c
else
    fail "keyview did not start without UTF-8"
fi

# --- a Russian locale takes code page 866 ---
if new_pane ru_RU.UTF-8 && start_keyview; then
    check "in a Russian locale keyview names code page 866" \
        wait_for '^ Code page 866, output UTF-8 *$' 2
    check "in a Russian locale the upper half shows Cyrillic" \
        wait_for 'АБВГДЕЖЗИЙКЛМНОП рстуфхцчшщъыьэюя' 2
    check "in a Russian locale the frame stays" has_frame
    keys Escape Escape
    check "keyview ends in a Russian locale" wait_for '^keyview ended after 2 keys\.$' 10
else
    fail "keyview did not start in a Russian locale"
fi

# --- suspend and resume ---
if new_pane && start_keyview; then
    keys Up
    wait_for '^ Key 1: 0 72 *$' 5
    kill -TSTP "$(cat "$work/pid")"
    check "SIGTSTP stops keyview" wait_for '^exitcode=' 10
    check "terminal given back while keyview is stopped" terminal_given_back tstp
    type_line "fg"
    check "resuming redraws the whole screen" wait_for '^ Key 1: 0 72 *$' 10
    check "resuming takes the alternate screen again" \
        test "$(tmx display -p -t "$pane" '#{alternate_on}')" = 1
    keys Down
    check "keys are read again after resuming" wait_for '^ Key 2: 0 80 *$' 5
    keys Escape Escape
    check "keyview ends normally after resuming" wait_for '^keyview ended after 4 keys\.$' 10
else
    fail "keyview did not start for SIGTSTP"
fi

pane_summary keyview
