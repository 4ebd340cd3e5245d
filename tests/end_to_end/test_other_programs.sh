#!/usr/bin/env bash
# The game among other programs: keys held while another program is in front move nothing, a click
# into the game's window gives the keys back to it, and a minimized window draws nothing and uses
# almost no processor time, then shows the scene as it was.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

: "${GAME_SHOW_WINDOW:?}"

# The left edge of the cube's red front face in the window's picture.
red_face_left() {
    local left
    read -r left _ < <(red_face "$1")
    echo "$left"
}

hold_right() {
    xdotool keydown Right
    sleep 1.5
    xdotool keyup Right
    sleep 1  # the displacement eases away
}

# Without a window manager, Wine hands its foreground back to the game on a click, not on a focus.
click_into() {
    local _
    for _ in 1 2; do
        xdotool mousemove --window "$1" 400 300 click 1
        sleep 0.5
    done
}

# Ticks of 1/100 s of processor time that the process has used, in user and in kernel mode.
processor_ticks() { awk '{ print $14 + $15 }' "/proc/$GAME_PID/stat"; }

start_game "$(game_folder)"
window=$(wait_for_window "$GAME_TITLE" 90)
[[ $(tr '\0' ' ' <"/proc/$GAME_PID/cmdline") == *game.exe* ]] || fail "process $GAME_PID is not the game"
sleep 1
start=$(red_face_left "$window")

(exec "$GAME_WINE_RUN" notepad </dev/null >/dev/null 2>&1) &
notepad_pid=$!
trap 'kill "$GAME_PID" "$notepad_pid" 2>/dev/null || true' EXIT
notepad=$(wait_for_window 'Untitled - Notepad' 60)
# It opens over the game, whose covered picture would read back black.
xdotool windowsize "$notepad" 400 300
xdotool windowmove "$notepad" 830 30
xdotool windowfocus --sync "$notepad"
hold_right
now=$(red_face_left "$window")
[ "$now" -eq "$start" ] || fail "keys typed into Notepad moved the face from $start to $now"

click_into "$window"
hold_right
moved=$(red_face_left "$window")
[ "$moved" -ge $((start + 20)) ] || fail "with the game in front, Right moved the face from $start to $moved"
kill "$notepad_pid"
wait "$notepad_pid" 2>/dev/null || true

"$GAME_WINE_RUN" "$GAME_SHOW_WINDOW" minimize 2>/dev/null || fail "the window was not minimized"
sleep 0.5
before=$(processor_ticks)
sleep 3
used=$(($(processor_ticks) - before))
echo "minimized: $used ticks of processor time in 3 s"
[ "$used" -le 15 ] || fail "minimized, the program used $used ticks in 3 s (more than 5 % of a core)"
expect_running

"$GAME_WINE_RUN" "$GAME_SHOW_WINDOW" restore 2>/dev/null || fail "the window was not restored"
sleep 1
now=$(red_face_left "$window")
[ "$now" -eq "$moved" ] || fail "after the restore the face is at $now, no longer at $moved"

click_into "$window"
press "$window" Escape
question=$(wait_for_window 'Exit Program\?' 30)
press "$question" Return
expect_exit_status 30 1
echo "PASS"
