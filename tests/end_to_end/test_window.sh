#!/usr/bin/env bash
# The window as a user finds it: its title, an 800 x 600 picture inside a 2-pixel edge, a size that
# the window manager is told may not change, and closing it with Alt+F4 ends the program with
# status 0 without a question.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

start_game "$(game_folder)"
window=$(wait_for_window "$GAME_TITLE" 90)

size_of() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
# The client area and its sunken edge: what Wine maps as the window's X window.
[ "$(size_of "$window")" = "804x604" ] || fail "window size $(size_of "$window"), expected 804x604"

# No sizing border: the window tells the window manager that its least and greatest sizes are both
# this one. (Here no window manager runs, so a resize asked of the X server directly would simply be
# done to the X window, whatever the program said; what a player's desktop honours is this.)
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
grep -q "minimum size: 804 by 604" <<<"$hints" && grep -q "maximum size: 804 by 604" <<<"$hints" ||
    fail "the window may be resized: $hints"
expect_running

press "$window" alt+F4
expect_exit_status 30 0
if xdotool search --onlyvisible --name '^Exit Program\?$' >/dev/null 2>&1; then
    fail "closing the window asked a question"
fi
echo "PASS"
