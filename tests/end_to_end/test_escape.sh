#!/usr/bin/env bash
# Escape asks before quitting: No keeps the program running, Yes (the default button) ends it with
# status 1.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

start_game "$(game_folder)"
window=$(wait_for_window "$GAME_TITLE" 90)

press "$window" Escape
question=$(wait_for_window 'Exit Program\?' 30)
press "$question" n
wait_for_no_window 'Exit Program\?' 30
sleep 1
expect_running

press "$window" Escape
question=$(wait_for_window 'Exit Program\?' 30)
press "$question" Return
expect_exit_status 30 1
echo "PASS"
