#!/usr/bin/env bash
# End-to-end check of the code page the locale picks, in a real terminal (a tmux pane of 80x25,
# TERM=screen): on a base whose subjects are code page 866 bytes, a Russian UTF-8 locale shows
# them in Cyrillic, a Cyrillic word typed on the keyboard finds its row and the letter Н (0x8D)
# stays in the text; a C.UTF-8 locale shows
# the same bytes as code page 437 glyphs; a Russian locale without UTF-8 keeps the frame in line
# drawing and shows the letters as their Latin stand-ins. A base of mixed charsets (CP866, UTF-8,
# KOI8-R, LATIN-1) that declares Cyrillic most shows in code page 866 under C.UTF-8, every
# message converted into it, and a lower-case Cyrillic word typed finds its capitalised row.
#
# Usage: codepage.sh BUILD_DIR SOURCE_DIR

set -u

here=$(dirname "${BASH_SOURCE[0]}")
# shellcheck source=lib/reader_run.sh
. "$here/lib/reader_run.sh"
reader_script_setup codepage "${1:-}"

# Four threads of one message each; the subjects of 2 and 3 in code page 866.
cat >"$work/ru.txt" <<'EOF'
CodePage: 866
Msg: 1
From: Ivan Petrov
Subject: Hello world
Date: 1995-02-01 20:15:00
|Text one
Msg: 2
From: Olga Smirnova
Subject: Привет всем
Date: 1995-02-02 20:15:00
|Всем привет!
Msg: 3
From: Pavel Orlov
Subject: Погода в Москве
Date: 1995-02-03 20:15:00
|Снег. Новости: НАРОД
Msg: 4
From: Anna Lis
Subject: Zebra
Date: 1995-02-04 20:15:00
|Text four
EOF
if ! "$build_dir/tools/jamgen" --describe "$work/ru.txt" --out "$work/ru" >/dev/null; then
    echo "FAIL: jamgen did not write the code page 866 base"
    exit 1
fi
# shellcheck disable=SC2034 # start_reader opens $demo
demo=$work/ru

# The header row of message 3's thread (screen row 6), the first row that holds its subject, is
# the selected one, white on blue.
message3_selected() { screen_sgr | sed -n 6p | grep -qE $'\e\\[44m Thread \\(1 msgs\\): Погода'; }

# --- a Russian UTF-8 locale: Cyrillic on the screen and from the keyboard ---
if new_pane ru_RU.UTF-8 && start_reader; then
    check "code page 866 subjects show in Cyrillic" wait_for '^│ Thread \(1 msgs\): Привет всем  ' 5
    check "the frame stays as it is" wait_for '^╒═+╕$' 2
    check "message 3's thread is not selected before typing" eval '! message3_selected'
    tmx send-keys -t "$pane" -l 'Москве'
    check "typing a Cyrillic word from a subject selects its first row" \
        eval 'wait_for "^╘═ москве ═" 5 && message3_selected'
    # In code page 866 the byte 0x8D is the letter Н, not a soft line end to drop.
    keys Enter Enter
    check "the viewer keeps every Н of code page 866" wait_for '^│ Снег\. Новости: НАРОД  ' 5
    keys Escape Escape
    check "the reader ends in a Russian locale" exited_with 0
else
    fail "the reader did not start in a Russian locale"
fi

# --- C.UTF-8: the same bytes are code page 437 glyphs ---
if new_pane C.UTF-8 && start_reader; then
    check "code page 437 shows the same bytes as its own glyphs" \
        wait_for '^│ Thread \(1 msgs\): Åα¿óÑΓ óßÑ¼  ' 5
    keys Escape Escape
    check "the reader ends in C.UTF-8" exited_with 0
else
    fail "the reader did not start in C.UTF-8"
fi

# --- C.UTF-8 on a base of mixed charsets that declares Cyrillic most: shown in code page 866 ---
cat >"$work/mixed.txt" <<'EOF'
Msg: 1
Charset: CP866
From: Ivan Petrov
Subject: Новости дня
|Текст.
Msg: 2
Charset: UTF-8
From: Web Gateway
Subject: Хроники «веба»
|Привет… из веба.
Msg: 3
Charset: KOI8-R
From: Olga
Subject: Погода
|Снег.
Msg: 4
Charset: LATIN-1
From: José
Subject: Grüße
|Hallo.
EOF
# Message 2's header row (screen row 4) is the selected one.
gateway_selected() { screen_sgr | sed -n 4p | grep -qE $'\e\\[44m Thread \\(1 msgs\\): Хроники'; }
if "$build_dir/tools/jamgen" --describe "$work/mixed.txt" --out "$work/mixed" >/dev/null; then
    demo=$work/mixed
    if new_pane C.UTF-8 && start_reader; then
        check "each charset's subjects show in the base's page" \
            wait_for '^│ Thread \(1 msgs\): Хроники "веба"  ' 5
        check "a KOI8-R subject shows in it too" wait_for '^│ +3 N Olga +Погода  ' 2
        check "a LATIN-1 one in its plain forms" wait_for '^│ +4 N Jose +Gruse  ' 2
        tmx send-keys -t "$pane" -l 'хроники'
        check "typing a lower-case Cyrillic word finds its capitalised row" \
            eval 'wait_for "^╘═ хроники ═" 5 && gateway_selected'
        keys Escape
        check "the reader ends on the mixed base" exited_with 0
    else
        fail "the reader did not start on the mixed base"
    fi
    demo=$work/ru
else
    fail "jamgen did not write the base of mixed charsets"
fi

# --- a Russian locale without UTF-8: line drawing, Latin stand-ins ---
if new_pane ru_RU.KOI8-R && start_reader '^mq+j$'; then
    check "without UTF-8 Cyrillic letters show as Latin stand-ins" \
        wait_for '^x Thread \(1 msgs\): Privet vsem  ' 5
    check "without UTF-8 the frame is drawn in line drawing" wait_for '^lq+k$' 2
    keys Escape Escape
    check "the reader ends without UTF-8" exited_with 0
else
    fail "the reader did not start in a Russian locale without UTF-8"
fi

pane_summary codepage
