#!/usr/bin/env bash
# The zip for players: scripts/package makes it, it holds the program, its data, the players' text
# and Lua's licence and nothing else, and unzipped elsewhere the game runs from its own folder:
# Escape and Yes end it with status 1.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

zip=$(GAME_BUILD=$GAME_BUILD_DIR "$GAME_SOURCE_DIR/scripts/package" | tail -n 1)
[ -f "$zip" ] || fail "scripts/package made no zip (it said: $zip)"

folder=$(mktemp -d "$GAME_BUILD_DIR/end_to_end.XXXXXX")
(cd "$folder" && cmake -E tar xf "$zip")
top=$(find "$folder" -mindepth 1 -maxdepth 1)
contents=$(cd "$top" && find . -type f | sort | tr '\n' ' ')
expected="./LUA-LICENSE.txt ./README.txt ./data/cube.mesh.bin ./data/fragment.shader ./data/material.material \
./data/plane.mesh.bin ./data/vertex.shader ./game.exe "
[ "$contents" = "$expected" ] || fail "the zip holds: $contents"
grep -q "Permission is hereby granted" "$top/LUA-LICENSE.txt" || fail "no licence text in LUA-LICENSE.txt"

GAME_EXE=$top/game.exe
start_game "$top"
window=$(wait_for_window "$GAME_TITLE" 90)
sleep 1
expect_no_box
press "$window" Escape
question=$(wait_for_window 'Exit Program\?' 30)
press "$question" Return
expect_exit_status 30 1
rm -rf "$folder"
echo "PASS"
