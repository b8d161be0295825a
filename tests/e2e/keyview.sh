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
socket="skein-keyview-$$"
work=$(mktemp -d)
failures=0
passed=0

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
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        fail "$what"
    fi
}

screen_text() { tmx capture-pane -p -t "$pane"; }
screen_sgr() { tmx capture-pane -e -p -t "$pane"; }

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

# A fresh pane with a plain POSIX shell: it leaves the terminal modes as the program left them,
# so what stty shows afterwards is what keyview gave back.
panes=0
new_pane() { # new_pane [LANG]
    local old=$pane lang=${1:-C.UTF-8}
    panes=$((panes + 1))
    pane="p$panes"
    tmx new-session -d -x 80 -y 25 -s "$pane" -c "$work" \
        "env -i PATH=/usr/bin:/bin HOME='$work' LANG=$lang TERM=screen PS1='$ ' /bin/sh" || return 1
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

start_keyview() {
    rm -f "$work/pid"
    type_line "ulimit -c 0; sh -c 'echo \$\$ > \"\$0\"; exec \"\$1\"' '$work/pid' '$keyview'; echo \"exit\"\"code=\$?\""
    wait_for 'keyview: press keys' 10
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

count=0
for pair in "Up|0 72" "F1|0 59" "C-F1|0 94" "M-F4|0 107" "M-q|0 16" "C-c|3" "Enter|13" \
    "Escape|27" "x|120" "Home|0 71" "End|0 79" "PPage|0 73" "NPage|0 81" "IC|0 82" "DC|0 83" \
    "F11|0 133" "F12|0 134"; do
    key=${pair%%|*}
    want=${pair#*|}
    count=$((count + 1))
    tmx send-keys -t "$pane" "$key"
    check "$key shows $want" wait_for "^ Key $count: $want *\$" 5
done

check "a box-drawing frame comes out as its glyphs" has_frame
check "bright yellow comes out as SGR 93" has_bright_yellow
check "a bright background comes out as SGR 101" has_bright_background

tmx send-keys -t "$pane" Escape Escape
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
    tmx send-keys -t "$pane" Escape Escape
    check "without UTF-8 the last screen stays in plain ASCII" \
        wait_for '^keyview ended after 2 keys\.$' 10
    check "without UTF-8 the terminal is given back too" terminal_given_back c
else
    fail "keyview did not start without UTF-8"
fi

# --- suspend and resume ---
if new_pane && start_keyview; then
    tmx send-keys -t "$pane" Up
    wait_for '^ Key 1: 0 72 *$' 5
    kill -TSTP "$(cat "$work/pid")"
    check "SIGTSTP stops keyview" wait_for '^exitcode=' 10
    check "terminal given back while keyview is stopped" terminal_given_back tstp
    type_line "fg"
    check "resuming redraws the whole screen" wait_for '^ Key 1: 0 72 *$' 10
    check "resuming takes the alternate screen again" \
        test "$(tmx display -p -t "$pane" '#{alternate_on}')" = 1
    tmx send-keys -t "$pane" Down
    check "keys are read again after resuming" wait_for '^ Key 2: 0 80 *$' 5
    tmx send-keys -t "$pane" Escape Escape
    check "keyview ends normally after resuming" wait_for '^keyview ended after 4 keys\.$' 10
else
    fail "keyview did not start for SIGTSTP"
fi

echo "keyview end-to-end: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
