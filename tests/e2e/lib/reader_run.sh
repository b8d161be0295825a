# shellcheck shell=bash
# Runs of the reader on the demo base in a tmux pane, for the end-to-end checks. Source it (it
# brings pane.sh, whose work and pane it uses) and call reader_script_setup NAME BUILD_DIR, which
# also sets build_dir, the build folder as an absolute path.
# shellcheck source=pane.sh
. "$(dirname "${BASH_SOURCE[0]}")/pane.sh"
# shellcheck disable=SC2154

reader_script_setup() { # reader_script_setup NAME BUILD_DIR
    build_dir=$(cd "${2:?usage: $1.sh BUILD_DIR SOURCE_DIR}" && pwd) || exit 1
    pane_setup "$1"
    reader_run_setup "$build_dir"
}

reader_run_setup() { # reader_run_setup BUILD_DIR: exits the script when the reader or base is missing
    reader=$1/skeinview
    demo=$1/demo
    runs=0
    local needed
    for needed in "$reader" "$demo.jhr"; do
        if [ ! -e "$needed" ]; then
            echo "FAIL: $needed is not built"
            exit 1
        fi
    done
}

# Starts the reader on the demo base in the pane's folder, without core files; its process id
# goes to $work/pid. When it ends, the shell shows "exitcode=CODE run=N", N counting the runs so
# that an earlier run's line left on the screen is never taken for this one's. It has started when
# the screen shows SHOWN, a regular expression (default: the thread list's bottom frame).
# shellcheck disable=SC2120 # SHOWN is for screens drawn otherwise
start_reader() { # start_reader [SHOWN]
    rm -f "$work/pid"
    runs=$((runs + 1))
    type_line "ulimit -c 0; sh -c 'echo \$\$ > \"\$0\"; exec \"\$1\" \"\$2\"' '$work/pid' '$reader' '$demo'; echo \"exit\"\"code=\$? run=$runs\""
    wait_for "${1:-^╘═+╛\$}" 10
}
exited_with() { wait_for "^exitcode=$1 run=$runs\$" 10; }

viewer_shows() { # viewer_shows MSG POS TOTAL
    wait_for "Msg #: $1 " 10 && wait_for "Thread: $2 of $3 " 2 && wait_for 'ENTER/Next message' 2
}

# Opens message 1 in the viewer, and goes back to the list for PLACE "list".
go_to() { # go_to PLACE
    keys Enter Enter
    viewer_shows 1 1 1 || return 1
    if [ "$1" = list ]; then
        keys Escape
        wait_gone 'ENTER/Next message' 10 || return 1
    fi
}

# Starts the reader in a fresh pane and takes it to PLACE, its process id in $pid; on the way a
# failure is counted, naming WHAT it was for.
reader_at() { # reader_at PLACE WHAT
    if ! { new_pane && start_reader; }; then
        fail "the reader did not start for $2"
        return 1
    fi
    pid=$(cat "$work/pid" 2>/dev/null)
    if [ -z "$pid" ] || ! go_to "$1"; then
        fail "the $1 was not shown before $2"
        return 1
    fi
}

# The read-state file of the current pane's run, as hex bytes.
marks() { od -An -v -tx1 "$work/$pane/skeinview_demo.dat" 2>/dev/null | tr -s ' \n' '  '; }
first_mark_byte() { marks | awk '{print $1}'; }

marks_are() { # marks_are HEX: the first byte is HEX, every other byte 00, the size a multiple of 128
    local file=$work/$pane/skeinview_demo.dat
    [ -f "$file" ] || {
        echo "no read-state file"
        return 1
    }
    local size
    size=$(stat -c %s "$file")
    [ $((size % 128)) -eq 0 ] && [ "$size" -gt 0 ] || {
        echo "read-state file of $size bytes"
        return 1
    }
    local rest
    rest=$(marks | awk '{ $1 = ""; print }' | tr -d ' 0')
    [ "$(first_mark_byte)" = "$1" ] && [ -z "$rest" ] || {
        echo "marks: $(marks | cut -c1-60)"
        return 1
    }
}
