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

build_dir=$(cd "${1:?usage: reader.sh BUILD_DIR SOURCE_DIR}" && pwd) || exit 1
source_dir=$(cd "${2:?usage: reader.sh BUILD_DIR SOURCE_DIR}" && pwd) || exit 1
reader=$build_dir/skeinview
demo=$build_dir/demo
expected_list=$source_dir/tests/e2e/expected/reader_list.txt
socket="skein-reader-$$"
work=$(mktemp -d)
failures=0
checks=0

unset TMUX
tmx() { tmux -L "$socket" -u -f /dev/null "$@"; }

cleanup() {
    tmx kill-server >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

pane=none
fail() {
    echo "FAIL: $*"
    echo "----- screen -----"
    tmx capture-pane -p -t "$pane" 2>/dev/null
    echo "------------------"
    failures=$((failures + 1))
}

check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

screen_text() { tmx capture-pane -p -t "$pane"; }
screen_sgr() { tmx capture-pane -e -p -t "$pane"; }
screen_row() { screen_text | sed -n "${1}p"; } # screen_row N: row N, from 1

# Polls the screen until the extended regular expression matches a line, or the time runs out.
wait_for() { # wait_for REGEX [SECONDS]
    local pattern=$1 limit=${2:-10}
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        screen_text | grep -qE -- "$pattern" && return 0
        sleep 0.1
    done
    return 1
}

# Polls until the pattern is gone from the screen.
wait_gone() { # wait_gone REGEX [SECONDS]
    local pattern=$1 limit=${2:-10}
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        screen_text | grep -qE -- "$pattern" || return 0
        sleep 0.1
    done
    return 1
}

# A fresh pane with a plain POSIX shell in its own directory: the shell leaves the terminal modes
# as the program left them, so what stty shows afterwards is what the reader gave back.
panes=0
new_pane() {
    local old=$pane
    panes=$((panes + 1))
    pane="p$panes"
    mkdir -p "$work/$pane"
    tmx new-session -d -x 80 -y 25 -s "$pane" -c "$work/$pane" \
        "env -i PATH=/usr/bin:/bin HOME='$work' LANG=C.UTF-8 TERM=screen PS1='$ ' /bin/sh" || return 1
    tmx set -s escape-time 0
    tmx set -g status off
    [ "$old" = none ] || tmx kill-session -t "$old"
    [ "$(tmx display -p -t "$pane" '#{pane_width}x#{pane_height}')" = 80x25 ] || return 1
    wait_for '^\$' 10
}

type_line() { # types a command line and ends it with LF, which a shell reads even in raw mode
    tmx send-keys -t "$pane" -l "$1"
    tmx send-keys -t "$pane" C-j
}

keys() { tmx send-keys -t "$pane" "$@"; }

# Starts the reader on the demo base in the pane's directory; its process id goes to pid. When
# it ends, the shell shows "exitcode=CODE run=N", N counting the runs so that an earlier run's
# line left on the screen is never taken for this one's.
runs=0
start_reader() {
    rm -f "$work/pid"
    runs=$((runs + 1))
    type_line "sh -c 'echo \$\$ > \"\$0\"; exec \"\$1\" \"\$2\"' '$work/pid' '$reader' '$demo'; echo \"exit\"\"code=\$? run=$runs\""
    wait_for '^╘═+╛$' 10
}
exited_with() { wait_for "^exitcode=$1 run=$runs\$" 10; }

# The read-state file of the current pane's run, as hex bytes.
marks() { od -An -v -tx1 "$work/$pane/skeinview_demo.dat" 2>/dev/null | tr -s ' \n' '  '; }
first_mark_byte() { marks | awk '{print $1}'; }

marks_are() { # marks_are HEX: the first byte is HEX, every other byte 00, the size a multiple of 128
    local file=$work/$pane/skeinview_demo.dat
    [ -f "$file" ] || { echo "no read-state file"; return 1; }
    local size
    size=$(stat -c %s "$file")
    [ $((size % 128)) -eq 0 ] && [ "$size" -gt 0 ] || { echo "read-state file of $size bytes"; return 1; }
    local rest
    rest=$(marks | awk '{ $1 = ""; print }' | tr -d ' 0')
    [ "$(first_mark_byte)" = "$1" ] && [ -z "$rest" ] || { echo "marks: $(marks | cut -c1-60)"; return 1; }
}

terminal_given_back() {
    local mark=$1
    [ "$(tmx display -p -t "$pane" '#{alternate_on}')" = "0" ] || {
        echo "still on the alternate screen"
        return 1
    }
    type_line "echo \$(stty -a | tr ' ;' '\\n\\n' | grep -xE -- '-?(icanon|echo)') MO\"DE$mark\""
    wait_for "MODE$mark" 10 || return 1
    screen_text | grep -qE -- "^icanon echo MODE$mark\$"
}

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

viewer_shows() { # viewer_shows MSG POS TOTAL
    wait_for "Msg #: $1 " 10 && wait_for "Thread: $2 of $3 " 2 && wait_for 'ENTER/Next message' 2
}

for program in "$reader" "$demo.jhr"; do
    if [ ! -e "$program" ]; then
        echo "FAIL: $program is not built"
        exit 1
    fi
done

# --- the first screen, the viewer, and the way out ---
checks=$((checks + 1))
if new_pane && start_reader; then
    echo "ok: the reader starts in an 80x25 pane"
else
    fail "the reader did not show its thread list"
fi
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
checks=$((checks + 1))
if start_reader; then
    echo "ok: the reader starts again"
else
    fail "the reader did not start a second time"
fi
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
        if ! { new_pane && start_reader; }; then
            fail "the reader did not start for $what"
            continue
        fi
        pid=$(cat "$work/pid" 2>/dev/null)
        if [ -z "$pid" ]; then
            fail "no process id for $what"
            continue
        fi
        keys Enter Enter
        if ! viewer_shows 1 1 1; then
            fail "the viewer did not open before $what"
            continue
        fi
        if [ "$place" = list ]; then
            keys Escape
            wait_gone 'ENTER/Next message' 10 || fail "the list did not come back before $what"
        fi
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
if new_pane && start_reader && pid=$(cat "$work/pid" 2>/dev/null) && [ -n "$pid" ]; then
    keys Enter Enter
    if viewer_shows 1 1 1; then
        tmx kill-session -t "$pane"
        check "closing the terminal ends the reader" process_gone "$pid"
        check "closing the terminal saves the marks of the run" marks_are 01
        pane=none
    else
        fail "the viewer did not open before the terminal was closed"
    fi
else
    fail "the reader did not start for closing the terminal"
fi

echo "reader end-to-end: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
