#!/usr/bin/env bash
# End-to-end check of the reader on the demo base in a real terminal (a tmux pane of 80x25 with
# escape-time 0): the first screen of the thread list exactly, its colours, the viewer and the
# way between the two, the exit banner left in the shell, the read marks of one run shown by the
# next, and SIGTERM and SIGHUP while the list or the viewer is up: the marks are saved, the exit
# code is 0 and the terminal is given back. Closing the terminal under the reader saves the marks
# too.
#
# Usage: reader.sh BUILD_DIR SOURCE_DIR

set -u

source_dir=$(cd "${2:?usage: reader.sh BUILD_DIR SOURCE_DIR}" && pwd) || exit 1
expected_list=$source_dir/tests/e2e/expected/reader_list.txt
here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup reader "${1:-}"

first_screen_exact() {
    local got
    got=$(screen_text)
    [ "$got" = "$(cat "$expected_list")" ] && return 0
    diff <(echo "$got") "$expected_list"
    return 1
}

# Colours, as capture-pane -e shows them: the frame light blue (SGR 94) on black, the selected
# row white on blue (97, 44), a normal row light grey (37), the scroll track blue (34).
frame_is_light_blue() { screen_sgr | sed -n 1p | grep -qE $'^\e\\[94m(\e\\[40m)?╒═'; }
selected_row_is_white_on_blue() {
    screen_sgr | sed -n 2p | grep -qE $'^│\e\\[97m\e\\[44m Thread \\(1 msgs\\): Welcome'
}
normal_row_is_light_grey() {
    screen_sgr | sed -n 3p | grep -qE $'\e\\[37m +1 N Wendell Strand +Welcome'
}
track_is_blue() { screen_sgr | sed -n 3p | grep -qE $'\e\\[34m░$'; }

# --- the first screen, the viewer, and the way out ---
check "the reader starts in an 80x25 pane" eval "new_pane && start_reader"
check "the first screen of the thread list is exactly as expected" first_screen_exact
check "the frame is light blue" frame_is_light_blue
check "the selected row is white on blue" selected_row_is_white_on_blue
check "a normal row is light grey" normal_row_is_light_grey
check "the scroll track is blue" track_is_blue

keys Enter Enter
check "Enter twice opens the first message as 1 of 1" viewer_shows 1 1 1
check "the viewer shows the message's text" wait_for '^│ Hello all, +[░█]$' 2
keys Escape
check "Esc in the viewer goes back to the list, message 1 read" \
    wait_for '^│       1   Wendell Strand ' 10
keys Down Enter Enter
check "Enter on the next thread opens its first message as 1 of 6" viewer_shows 2 1 6
keys Enter
check "Enter in the viewer steps to the next message, 2 of 6" viewer_shows 3 2 6
keys Escape
check "Esc goes back to the list with both read" \
    wait_for '^│       3   Marta Vanderbeek ' 10
check "unopened messages keep their N" wait_for '^│       5 N Harold Pinkett ' 2
keys Escape
check "Esc on the list leaves the banner in the shell" \
    wait_for '^Halvek BBS v2\.0 Message Reader Concept$' 10
check "the banner's second line follows" wait_for '^https?://[^ ]+$' 2
check "exit code 0 after Esc" exited_with 0
check "the read-state file marks messages 1, 2 and 3" marks_are 07
check "terminal given back after Esc" terminal_given_back esc

# --- a second run in the same directory shows what the first one read ---
check "the reader starts again" start_reader
check "the second run shows message 1 read" wait_for '^│       1   Wendell Strand ' 5
check "the second run shows message 2 read" wait_for '^│       2   Harold Pinkett ' 2
check "the second run shows message 3 read" wait_for '^│       3   Marta Vanderbeek ' 2
check "the second run shows message 5 unread" wait_for '^│       5 N Harold Pinkett ' 2
keys Escape
check "exit code 0 after the second run" exited_with 0
check "the second run keeps the marks" marks_are 07

# --- SIGTERM and SIGHUP while the list or the viewer is shown ---
for sig in TERM HUP; do
    for place in list viewer; do
        what="SIG$sig on the $place"
        reader_at "$place" "$what" || continue
        kill "-$sig" "$pid"
        check "$what ends the reader with exit code 0" exited_with 0
        check "$what saves the marks of the run" marks_are 01
        check "terminal given back after $what" terminal_given_back "$sig$place"
    done
done

# --- the terminal closed under the reader ---
process_gone() { # process_gone PID: polls until the process has ended
    local tries=100
    while ((tries-- > 0)); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}
if reader_at viewer "closing the terminal"; then
    tmx kill-session -t "$pane"
    check "closing the terminal ends the reader" process_gone "$pid"
    check "closing the terminal saves the marks of the run" marks_are 01
    pane=none
fi

pane_summary reader
