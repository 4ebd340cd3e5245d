#!/usr/bin/env bash
# The window as a user finds it: its title, an 800 x 600 picture inside a 2-pixel edge, a size that
# does not change when the window is asked to grow, and closing it with Alt+F4 ends the program with
# status 0 without a question.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

start_game "$(game_folder)"
window=$(wait_for_window "$GAME_TITLE" 90)

size_of() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
# The client area and its sunken edge: what Wine maps as the window's X window.
[ "$(size_of "$window")" = "804x604" ] || fail "window size $(size_of "$window"), expected 804x604"

# Asked to grow, the window stays as it is: it has no sizing border.
xdotool windowsize "$window" 1000 800 || true
sleep 1
[ "$(size_of "$window")" = "804x604" ] || fail "the window was resized to $(size_of "$window")"
expect_running

press "$window" alt+F4
expect_exit_status 30 0
if xdotool search --onlyvisible --name '^Exit Program\?$' >/dev/null 2>&1; then
    fail "closing the window asked a question"
fi
echo "PASS"
