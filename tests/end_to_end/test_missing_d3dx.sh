#!/usr/bin/env bash
# A machine without d3dx9_43.dll, as stock Windows is until the DirectX End-User Runtime is
# installed: the program still starts, says in a box what to install, and ends with status 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

export WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;d3dx9_43=d"
# Wine writes the text of every message box to standard error.
export WINEDEBUG="-all,trace+msgbox"

start_game "$(game_folder)"
dismiss_box "No D3DX 9" 90
expect_exit_status 30 0
grep -a "MSGBOX_OnInit" "$GAME_STDERR" | grep -q "d3dx9_43.dll.*DirectX End-User Runtime (June 2010)" ||
    fail "the box does not name d3dx9_43.dll and the DirectX End-User Runtime (June 2010)"
[ "$(grep -ac "MSGBOX_OnInit" "$GAME_STDERR")" -eq 1 ] || fail "more than one box"
echo "PASS"
