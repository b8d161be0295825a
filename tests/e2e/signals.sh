#!/usr/bin/env bash
# End-to-end check of the reader under signals in a real terminal (a tmux pane of 80x25): SIGINT
# while the thread list or the viewer is shown ends the run as Esc would, with the run's read
# marks saved and the terminal given back; SIGSEGV and SIGABRT sent from outside end it by that
# signal, and the terminal is given back all the same. (SIGTERM and SIGHUP are checked with the
# rest of the reader in reader.sh.)
#
# Usage: signals.sh BUILD_DIR SOURCE_DIR

set -u

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup signals "${1:-}"

# --- SIGINT: an orderly end ---
for place in list viewer; do
    what="SIGINT on the $place"
    reader_at "$place" "$what" || continue
    kill -INT "$pid"
    check "$what ends the reader with exit code 0" exited_with 0
    check "$what leaves the exit banner" wait_for '^Halvek BBS v2\.0 Message Reader Concept$' 5
    check "$what saves the marks of the run" marks_are 01
    check "terminal given back after $what" terminal_given_back "INT$place"
done

# --- SIGSEGV and SIGABRT from outside: the program dies of them, the terminal comes back ---
for sig in SEGV ABRT; do
    for place in list viewer; do
        what="SIG$sig on the $place"
        reader_at "$place" "$what" || continue
        kill "-$sig" "$pid"
        code=$((128 + $(kill -l "$sig")))
        check "$what ends the reader by that signal (exit status $code)" exited_with "$code"
        check "terminal given back after $what" terminal_given_back "$sig$place"
    done
done

pane_summary signals
