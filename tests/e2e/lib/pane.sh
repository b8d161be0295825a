# shellcheck shell=bash
# Shared scaffolding of the end-to-end checks that drive a program in a tmux pane (80x25 unless a
# script asks for another size): a tmux
# server of the script's own, a scratch folder, check counting with the screen shown on a failure,
# polling the screen, fresh panes with a plain shell, and the closing summary.
#
# Source it, then call pane_setup NAME. It sets:
#   work    a scratch folder, removed on exit with the tmux server
#   pane    the current pane (none before the first new_pane)
# Settings a script may set before new_pane:
#   PANE_SHELL  the pane's shell (default /bin/sh, which leaves the terminal modes as the program
#               left them, so what stty shows afterwards is what the program gave back)
#   PANE_INIT   a command line typed into each fresh pane before anything else (default none)
#   PANE_WAIT   seconds wait_for and wait_gone poll by default (default 10)
#   PANE_SIZE   the size of the next fresh pane, COLUMNSxROWS (default 80x25)

pane_setup() { # pane_setup NAME: the tmux socket is skein-NAME-PID
    socket="skein-$1-$$"
    work=$(mktemp -d)
    failures=0
    passed=0
    pane=none
    panes=0
    unset TMUX
    trap pane_cleanup EXIT
}

tmx() { tmux -L "$socket" -u -f /dev/null "$@"; }

pane_cleanup() {
    tmx kill-server >/dev/null 2>&1
    rm -rf "$work"
}

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

# The closing line, and the script's exit status: 0 when nothing failed.
pane_summary() { # pane_summary NAME
    echo "$1 end-to-end: $passed passed, $failures failed"
    [ "$failures" -eq 0 ]
}

screen_text() { tmx capture-pane -p -t "$pane"; }
screen_sgr() { tmx capture-pane -e -p -t "$pane"; }

# Polls the screen until the extended regular expression matches a line, or the time runs out.
wait_for() { # wait_for REGEX [SECONDS]
    local pattern=$1 limit=${2:-${PANE_WAIT:-10}}
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        screen_text | grep -qE -- "$pattern" && return 0
        sleep 0.1
    done
    return 1
}

# Polls until the pattern is gone from the screen.
wait_gone() { # wait_gone REGEX [SECONDS]
    local pattern=$1 limit=${2:-${PANE_WAIT:-10}}
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        screen_text | grep -qE -- "$pattern" || return 0
        sleep 0.1
    done
    return 1
}

# A fresh pane of PANE_SIZE with PANE_SHELL in a folder of its own, $work/$pane; the previous
# pane goes.
new_pane() { # new_pane [LANG]
    local old=$pane lang=${1:-C.UTF-8} size=${PANE_SIZE:-80x25}
    panes=$((panes + 1))
    pane="p$panes"
    mkdir -p "$work/$pane"
    tmx new-session -d -x "${size%x*}" -y "${size#*x}" -s "$pane" -c "$work/$pane" \
        "env -i PATH=/usr/bin:/bin HOME='$work' LANG=$lang TERM=screen PS1='$ ' ${PANE_SHELL:-/bin/sh}" || return 1
    tmx set -s escape-time 0
    tmx set -g status off
    [ "$old" = none ] || tmx kill-session -t "$old"
    [ "$(tmx display -p -t "$pane" '#{pane_width}x#{pane_height}')" = "$size" ] || return 1
    wait_for '^\$' 10 || return 1
    [ -z "${PANE_INIT:-}" ] || type_line "$PANE_INIT"
}

# Gives the pane's window a new size, as a user dragging its edge would; the program in it gets
# SIGWINCH.
resize_pane() { # resize_pane COLUMNSxROWS
    tmx resize-window -t "$pane" -x "${1%x*}" -y "${1#*x}" &&
        [ "$(tmx display -p -t "$pane" '#{pane_width}x#{pane_height}')" = "$1" ]
}

type_line() { # types a command line and ends it with LF, which a shell reads even in raw mode
    tmx send-keys -t "$pane" -l "$1"
    tmx send-keys -t "$pane" C-j
}

keys() { tmx send-keys -t "$pane" "$@"; }

# The program has left the alternate screen and the shell's terminal is back in cooked mode with
# echo. TAG makes this call's answer line unlike any earlier one on the screen.
terminal_given_back() { # terminal_given_back TAG
    [ "$(tmx display -p -t "$pane" '#{alternate_on}')" = "0" ] || {
        echo "still on the alternate screen"
        return 1
    }
    type_line "echo \$(stty -a | tr ' ;' '\\n\\n' | grep -xE -- '-?(icanon|echo)') MO\"DE$1\""
    wait_for "MODE$1" 10 || return 1
    screen_text | grep -qE -- "^icanon echo MODE$1\$"
}
