#!/usr/bin/env bash
# Missing data files: each start shows the boxes of what could not be made, in order, and once they
# are dismissed the program keeps drawing, and Escape then Yes still ends it with status 1.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Starts the program in a copy of its folder without the files $1 (space-separated), dismisses the
# boxes named by the other arguments in order, and checks that no other box follows.
run_without() {
    local missing=$1 folder file caption window question
    shift
    echo "without $missing"
    folder=$(copy_game_folder)
    for file in $missing; do
        rm "$folder/data/$file"
    done
    start_game "$folder"
    for caption in "$@"; do
        dismiss_box "$caption" 90
    done
    window=$(wait_for_window "$GAME_TITLE" 30)
    sleep 1
    expect_no_box
    expect_running

    press "$window" Escape
    question=$(wait_for_window 'Exit Program\?' 30)
    press "$question" Return
    expect_exit_status 30 1
}

run_without "vertex.shader fragment.shader" "No Fragment Shader" "No Vertex Shader"
grep -q "Windows failed to open the shader file: " "$GAME_STDERR" || fail "no shader file message on standard error"

run_without "cube.mesh.bin plane.mesh.bin" "No Vertex Buffer" "No Vertex Buffer"

run_without "material.material" "No Fragment Shader" "No Vertex Shader"
grep -q "cannot open data/material.material" "$GAME_STDERR" || fail "no material file message on standard error"
echo "PASS"
