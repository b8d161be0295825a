#!/usr/bin/env bash
# End-to-end check of the reader under signals in a real terminal (a tmux pane of 80x25): SIGINT
# while the thread list or the viewer is shown ends the run as Esc would, with the run's read
# marks saved and the terminal given back; SIGSEGV and SIGABRT sent from outside end it by that
# signal, and the terminal is given back all the same. (SIGTERM and SIGHUP are checked with the
# rest of the reader in reader.sh.)
#
# Usage: signals.sh BUILD_DIR SOURCE_DIR

set -u

build_dir=$(cd "${1:?usage: signals.sh BUILD_DIR SOURCE_DIR}" && pwd) || exit 1
reader=$build_dir/skeinview
demo=$build_dir/demo
socket="skein-signals-$$"
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

wait_gone() { # wait_gone REGEX [SECONDS]
    local pattern=$1 limit=${2:-10}
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        screen_text | grep -qE -- "$pattern" || return 0
        sleep 0.1
    done
    return 1
}

# A fresh pane with a plain POSIX shell in its own directory, without core files: the shell
# leaves the terminal modes as the program left them, so stty afterwards shows what the reader
# gave back.
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
    wait_for '^\$' 10 || return 1
    type_line "ulimit -c 0"
}

type_line() { # types a command line and ends it with LF, which a shell reads even in raw mode
    tmx send-keys -t "$pane" -l "$1"
    tmx send-keys -t "$pane" C-j
}

keys() { tmx send-keys -t "$pane" "$@"; }

# Starts the reader on the demo base; its process id goes to $work/pid, and when it ends the
# shell shows "exitcode=CODE".
start_reader() {
    rm -f "$work/pid"
    type_line "sh -c 'echo \$\$ > \"\$0\"; exec \"\$1\" \"\$2\"' '$work/pid' '$reader' '$demo'; echo \"exit\"\"code=\$?\""
    wait_for '^╘═+╛$' 10
}
exited_with() { wait_for "^exitcode=$1\$" 10; }

viewer_open() { wait_for 'ENTER/Next message' 10 && wait_for 'Msg #: 1 ' 2; }

# The run's marks: message 1 (byte 0 value 1) and nothing else, in whole steps of 128 bytes.
marks_are_message_1() {
    local file=$work/$pane/skeinview_demo.dat
    [ -f "$file" ] || { echo "no read-state file"; return 1; }
    local size rest
    size=$(stat -c %s "$file")
    [ "$size" -gt 0 ] && [ $((size % 128)) -eq 0 ] || { echo "read-state file of $size bytes"; return 1; }
    [ "$(od -An -v -tx1 -N1 "$file" | tr -d ' \n')" = 01 ] || { echo "first byte not 01"; return 1; }
    rest=$(od -An -v -tx1 -j1 "$file" | tr -d ' \n0')
    [ -z "$rest" ] || { echo "other marks set"; return 1; }
}

terminal_given_back() { # terminal_given_back TAG
    [ "$(tmx display -p -t "$pane" '#{alternate_on}')" = "0" ] || {
        echo "still on the alternate screen"
        return 1
    }
    type_line "echo \$(stty -a | tr ' ;' '\\n\\n' | grep -xE -- '-?(icanon|echo)') MO\"DE$1\""
    wait_for "MODE$1" 10 || return 1
    screen_text | grep -qE -- "^icanon echo MODE$1\$"
}

# Opens message 1 in the viewer, and goes back to the list for place "list".
go_to() { # go_to PLACE
    keys Enter Enter
    viewer_open || return 1
    if [ "$1" = list ]; then
        keys Escape
        wait_gone 'ENTER/Next message' 10 || return 1
    fi
}

for needed in "$reader" "$demo.jhr"; do
    if [ ! -e "$needed" ]; then
        echo "FAIL: $needed is not built"
        exit 1
    fi
done

# --- SIGINT: an orderly end ---
for place in list viewer; do
    what="SIGINT on the $place"
    if ! { new_pane && start_reader; }; then
        fail "the reader did not start for $what"
        continue
    fi
    pid=$(cat "$work/pid" 2>/dev/null)
    if [ -z "$pid" ] || ! go_to "$place"; then
        fail "the $place was not shown before $what"
        continue
    fi
    kill -INT "$pid"
    check "$what ends the reader with exit code 0" exited_with 0
    check "$what leaves the exit banner" wait_for '^Halvek BBS v2\.0 Message Reader Concept$' 5
    check "$what saves the marks of the run" marks_are_message_1
    check "terminal given back after $what" terminal_given_back "INT$place"
done

# --- SIGSEGV and SIGABRT from outside: the program dies of them, the terminal comes back ---
for sig in SEGV ABRT; do
    for place in list viewer; do
        what="SIG$sig on the $place"
        if ! { new_pane && start_reader; }; then
            fail "the reader did not start for $what"
            continue
        fi
        pid=$(cat "$work/pid" 2>/dev/null)
        if [ -z "$pid" ] || ! go_to "$place"; then
            fail "the $place was not shown before $what"
            continue
        fi
        kill "-$sig" "$pid"
        code=$((128 + $(kill -l "$sig")))
        check "$what ends the reader by that signal (exit status $code)" exited_with "$code"
        check "terminal given back after $what" terminal_given_back "$sig$place"
    done
done

echo "signals end-to-end: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
