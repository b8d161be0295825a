#!/usr/bin/env bash
# End-to-end check of the reading aids in a real terminal (a tmux pane of 80x25): new mail tossed
# into the base while the reader runs shows after Ctrl+L (the base written in place by jamgen,
# as a tosser does), the bar staying on its message; Ctrl+Z suspends the reader as SIGTSTP does
# (the process stops, the shell is back) and fg brings its screen back.
#
# Usage: daily.sh BUILD_DIR SOURCE_DIR

set -u

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup daily "${1:-}"

# A copy of the demo base to toss into: a reply to message 1 and a new thread.
for ext in jhr jdt jdx; do cp "$demo.$ext" "$work/area.$ext"; done
# shellcheck disable=SC2034 # start_reader opens $demo
demo=$work/area
cat >"$work/new.txt" <<'MAIL'
Msg: 39
From: Late Caller
Subject: Re: Welcome to SYSOP.CHAT
Date: 1995-03-01 10:00:00
ReplyTo: 1
|Thanks, glad to be here.
Msg: 40
From: Late Caller
Subject: Tossed in while you read
Date: 1995-03-01 10:05:00
|A new thread.
MAIL

# --- Ctrl+L after new mail: the new rows, the bar on the same message ---
if new_pane && start_reader; then
    keys Down Down Down # message 2
    check "the list shows the base as it was" wait_for '^│ Thread \(1 msgs\): Welcome to SYSOP' 5
    if "$build_dir/tools/jamgen" --describe "$work/new.txt" --append "$work/area" >/dev/null; then
        keys C-l
        check "Ctrl+L shows the reply tossed in" wait_for '^│ Thread \(2 msgs\): Welcome to SYS' 5
        check "the reply stands under its parent" wait_for '^│      39 N Late Caller ' 2
        check "the bar stays on message 2" eval \
            "screen_sgr | sed -n 6p | grep -qE $'\\e\\\\[44m +2 N Harold Pinkett'"
        keys End
        check "the new thread is at the end" wait_for '^│      40 N Late Caller +Tossed in' 5
    else
        fail "jamgen did not append to the base"
    fi
    keys Escape
    check "the reader ends after the rescan" exited_with 0
else
    fail "the reader did not start for the rescan"
fi

# --- Ctrl+Z: stopped as SIGTSTP stops it, fg brings the screen back ---
if new_pane && start_reader; then
    pid=$(cat "$work/pid" 2>/dev/null)
    keys C-z
    check "Ctrl+Z gives the shell back" wait_for 'Stopped' 5
    check "the process is stopped" eval '[ "$(ps -o stat= -p "$pid" | cut -c1)" = T ]'
    type_line "fg"
    check "fg brings the thread list back" wait_for '^│ Thread \(6 msgs\): Courier HST' 5
    # The shell went on with its command line when the job stopped: the end shows by the
    # banner and the process being gone.
    keys Escape
    check "the reader ends after fg" wait_for '^Halvek BBS v2\.0 Message Reader Concept$' 5
    check "the process is gone" eval 'sleep 0.2; ! kill -0 "$pid" 2>/dev/null'
else
    fail "the reader did not start for Ctrl+Z"
fi

pane_summary daily
