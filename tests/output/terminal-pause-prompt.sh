#!/usr/bin/env bash
# The pause prompt on a real terminal: runs plughost.exe under Wine in a tmux pane 30 rows high,
# reads the screen, answers the prompt with keys and checks what the report does.
# Usage: tests/output/terminal-pause-prompt.sh BUILD_DIR   (exit status 0 when every check passes)
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
session=scrutel-pause-$$
files=$(mktemp -d)
trap 'tmux kill-session -t "$session" 2>/dev/null; rm -rf "$files"' EXIT
for i in $(seq -w 1 40); do echo "line $i" >"$files/f$i.txt"; done
winpath="Z:${files//\//\\}\\*"
failures=0

screen() { tmux capture-pane -p -t "$session"; }
check() { # label, extended regular expression expected on the screen
    if screen | grep -Eq -- "$2"; then echo "ok   $1"; else echo "FAIL $1"; screen | tail -8; failures=$((failures + 1)); fi
}
absent() { # label, extended regular expression that must not be on the screen
    if screen | grep -Eq -- "$2"; then echo "FAIL $1"; screen | tail -8; failures=$((failures + 1)); else echo "ok   $1"; fi
}
wait_for() { # regular expression, seconds
    for _ in $(seq 1 $(($2 * 10))); do screen | grep -Eq -- "$1" && return 0; sleep 0.1; done
    return 1
}
start() { # pause switch (default /P)
    tmux kill-session -t "$session" 2>/dev/null
    tmux new-session -d -s "$session" -x 120 -y 30 \
        "cd '$build' && '$here/tools/wine-run' ./plughost.exe scrutel.dll scrutel ${1:-/P} /O:HRZTANCDXELVIPFSU '$winpath'; echo EXIT=\$?; sleep 600"
    wait_for 'Press a key to continue' 30
}

# A page is the window's height less two rows: 28 line ends, that is 14 files.
start
check "first prompt after a full page" 'f14\.txt'
absent "nothing after the prompt yet" 'f15\.txt'
check "prompt text" '^   ── Press a key to continue ── ?$'
tmux send-keys -t "$session" x
wait_for 'f28\.txt' 10
check "any key continues for a full page" 'f28\.txt'
absent "and no further" 'f29\.txt'
tmux send-keys -t "$session" Escape
wait_for 'EXIT=' 10
check "Esc stops with result 3" '^EXIT=3$'
absent "Esc writes no ^C mark" '\^C'

start
tmux send-keys -t "$session" /
wait_for 'f21\.txt' 10
check "slash continues for half a page" 'f21\.txt'
absent "and no further" 'f22\.txt'
tmux send-keys -t "$session" C-c
wait_for 'EXIT=' 10
check "Ctrl-C at the prompt shows the mark" '^ \^C ?$'
check "Ctrl-C at the prompt gives result 3" '^EXIT=3$'

start
tmux send-keys -t "$session" C
wait_for 'EXIT=' 10
check "C turns paging off for the rest" 'f40\.txt'
check "and the command ends normally" '^EXIT=0$'

# A page of 20 lines: the first prompt after the twentieth line end, that is after 10 files.
start /P:,20
check "page of 20 lines" 'f10\.txt'
absent "nothing after the twentieth line end" 'f11\.txt'
tmux send-keys -t "$session" C
wait_for 'EXIT=' 10

# A time-out of 2 seconds: the prompt goes on by itself, for another full page.
start /P:2
check "time-out prompt" 'Press a key to continue'
absent "still waiting at first" 'f15\.txt'
began=$(date +%s)
wait_for 'f28\.txt' 10
waited=$(($(date +%s) - began))
check "continues by itself for a full page" 'f28\.txt'
absent "and no further" 'f29\.txt'
if [ "$waited" -ge 1 ] && [ "$waited" -le 4 ]; then echo "ok   after about 2 seconds ($waited s)"; else echo "FAIL after about 2 seconds ($waited s)"; failures=$((failures + 1)); fi

exit $((failures > 0))
