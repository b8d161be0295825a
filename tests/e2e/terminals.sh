#!/usr/bin/env bash
# End-to-end check of the reader on the terminals people open by default: an 80x24 pane (tmux
# refuses to grow) shows the notice of the size needed over its last row, then after a key the
# screen cut at row 24, and the whole screen once the pane is 80x25; TERM=dumb is refused with
# one line on standard error and not one escape byte on the terminal; TERM=linux (no alternate
# screen) leaves the exit banner once, on the cleared screen, with the prompt below it.
#
# Usage: terminals.sh BUILD_DIR SOURCE_DIR

set -u

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup terminals "${1:-}"

row() { screen_text | sed -n "$1p"; } # row N: the screen's row N, from 1
row_is() { [ "$(row "$1")" = "$2" ] || { echo "row $1: $(row "$1")"; return 1; }; }
row_matches() { row "$1" | grep -qE -- "$2" || { echo "row $1: $(row "$1")"; return 1; }; }
notice_is_reversed() { screen_sgr | sed -n 24p | grep -qE $'^\e\\[7m(\e\\[[0-9;]*m)* Skeinview needs'; }
second_row_selected() { screen_sgr | sed -n 2p | grep -qF $'\e[44m Thread'; }
third_row_selected() { screen_sgr | sed -n 3p | grep -qF $'\e[44m'; }

# --- a pane one row short ---
notice=' Skeinview needs 80x25; this terminal is 80x24'
if PANE_SIZE=80x24 new_pane C.UTF-8 && start_reader 'Skeinview needs'; then
    check "the notice is over the last row" row_matches 24 "^$notice *\$"
    check "the notice is in reverse colours" notice_is_reversed
    check "the screen above it starts at the top left" row_matches 1 '^╒═'
    check "the first thread is selected" second_row_selected
    keys Down
    check "a key takes the notice away" wait_gone 'Skeinview needs' 5
    check "the key is handled as usual: the next thread is selected" third_row_selected
    check "the screen is cut at row 24" row_matches 24 '^│ .*[░█]$'
    check "the pane grows to 80x25" resize_pane 80x25
    check "the whole screen shows at once" wait_for '^╘═+╛$' 5
    check "with no notice" wait_gone 'Skeinview needs' 2
    keys Escape
    check "Esc still ends the run with exit code 0" exited_with 0
    check "terminal given back after the small pane" terminal_given_back small
else
    fail "the reader did not show the notice in an 80x24 pane"
fi

# --- TERM=dumb: refused before anything is opened ---
no_escape_sent() { ! grep -q $'\e' "$work/sent" || { od -c "$work/sent" | head; return 1; }; }
reason_on_stderr() {
    local want="skeinview: this terminal (TERM=dumb) cannot show the full-screen reader; run it in a terminal emulator"
    [ "$(cat "$work/err")" = "$want" ] || { echo "stderr: $(cat "$work/err")"; return 1; }
}
if new_pane C.UTF-8; then
    tmx pipe-pane -o -t "$pane" "cat > '$work/sent'"
    runs=$((runs + 1))
    type_line "TERM=dumb '$reader' '$demo' 2>'$work/err'; echo \"exit\"\"code=\$? run=$runs\""
    check "TERM=dumb ends with exit code 1" exited_with 1
    tmx pipe-pane -t "$pane"
    check "TERM=dumb gets the reason on standard error" reason_on_stderr
    check "TERM=dumb gets no escape byte on the terminal" no_escape_sent
    check "TERM=dumb makes no read-state file" test ! -e "$work/$pane/skeinview_demo.dat"
else
    fail "no pane for TERM=dumb"
fi

# --- TERM=linux: no alternate screen ---
banner_once() {
    local count
    count=$(tmx capture-pane -p -S - -t "$pane" | grep -c '^Halvek BBS v2\.0 Message Reader Concept$')
    [ "$count" -eq 1 ] || { echo "the banner $count times"; return 1; }
}
if new_pane C.UTF-8 && type_line 'TERM=linux; export TERM' && start_reader; then
    keys Escape
    check "TERM=linux ends with exit code 0" exited_with 0
    check "TERM=linux leaves the banner exactly once" banner_once
    check "the banner is on the cleared screen's first row" \
        row_is 1 'Halvek BBS v2.0 Message Reader Concept'
    check "the prompt's line comes below the banner's two" row_is 3 "exitcode=0 run=$runs"
    check "terminal given back after TERM=linux" terminal_given_back linux
else
    fail "the reader did not start with TERM=linux"
fi

pane_summary terminals
