#!/usr/bin/env bash
# End-to-end check of how the reader takes the base path in a real terminal (a tmux pane of 80x25,
# TERM set by pane.sh): a base named with '\' separators opens as with '/', and its read marks go
# to the read-state file in the current folder.
#
# Usage: paths.sh BUILD_DIR SOURCE_DIR

set -u

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup paths "${1:-}"

# The demo base in a folder beside the pane's own, named from the pane as ..\bases\demo.
mkdir -p "$work/bases"
cp "$demo.jhr" "$demo.jdt" "$demo.jdx" "$work/bases/"

# shellcheck disable=SC2016
start_backslashed() {
    runs=$((runs + 1))
    type_line "'$reader' '..\\bases\\demo'; echo \"exit\"\"code=\$? run=$runs\""
    wait_for '^╘═+╛$' 10
}

check "the base named ..\\bases\\demo opens in an 80x25 pane" eval "new_pane && start_backslashed"
check "its first message opens" go_to viewer
keys Escape Escape
check "the reader ends with exit code 0" exited_with 0
check "the marks of the run are in the current folder's read-state file" marks_are 01

pane_summary paths
