#!/usr/bin/env bash
# Data files made to hang the program, exhaust its memory, break Lua or Direct3D, or reach another
# machine: each start ends within seconds with the boxes and the line that its kind calls for, the
# window then draws, Escape then Yes ends the program with status 1, and its resident memory never
# reaches 400 MB. The shipped material precompiled with luac draws as its text does.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Starts the program in a copy of its folder whose data/$1 holds standard input, dismisses the
# boxes named by the other arguments, each within 15 s, and checks that it then runs with no box
# and has stayed within its memory.
run_with() {
    local file=$1 folder caption peak
    shift
    folder=$(copy_game_folder)
    cat >"$folder/data/$file"
    start_game "$folder"
    for caption in "$@"; do
        dismiss_box "$caption" 15
    done
    GAME_WINDOW=$(wait_for_window "$GAME_TITLE" 15)
    sleep 1
    expect_no_box
    expect_running
    peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$GAME_PID/status")
    echo "$file: resident memory peaked at $((peak / 1024)) MiB"
    [ "$peak" -lt $((400 * 1024)) ] || fail "resident memory peaked at $peak kB"
}

# Escape, then Yes: the program ends with status 1.
end_with_escape() {
    local question
    press "$GAME_WINDOW" Escape
    question=$(wait_for_window 'Exit Program\?' 30)
    press "$question" Return
    expect_exit_status 30 1
}

expect_line() {
    grep -qF "$1" "$GAME_STDERR" || fail "no \"$1\" on standard error: $(cat "$GAME_STDERR")"
}

run_with material.material "No Fragment Shader" "No Vertex Shader" <<<'local n = 0 repeat n = n + 1 until false return {}'
expect_line "data/material.material(1): error: the material file ran too long (more than 10000000 instructions)"
end_with_escape

run_with material.material "No Fragment Shader" "No Vertex Shader" \
    <<<'local t = {} for i = 1, 1e9 do t[i] = { i, i, i, i } end return t'
expect_line "not enough memory"
end_with_escape

run_with material.material "No Fragment Shader" "No Vertex Shader" \
    < <(luac5.2 -o - - <<<'local m = { shaders = {} } if m then m.constants = {} end return m')
expect_line "data/material.material: refused precompiled chunk: instruction "
end_with_escape

# Eight bytes that announce 64 Mi vertices and no indices: the cube has nothing to draw.
run_with cube.mesh.bin "No Vertex Buffer" < <(printf '\x00\x00\x00\x04\x00\x00\x00\x00')
end_with_escape

# The version token, a comment that claims 2^31 words, the end token.
run_with fragment.shader "No Fragment Shader" < <(printf '\x00\x03\xff\xff\xfe\xff\x00\x80\xff\xff\x00\x00')
expect_line "The shader file data/fragment.shader is not a whole compiled shader: "
end_with_escape

# A share on another machine is never opened: Wine's trace of file opens does not name it.
WINEDEBUG=trace+file run_with material.material "No Vertex Shader" \
    <<<"return { shaders = { vertexShader = [[\\\\server\\share\\vertex.shader]],
                             fragmentShader = 'data/fragment.shader' },
               constants = { g_colorModifier = { 1, 1, 1 } } }"
expect_line "Windows failed to open the shader file: "
expect_line "data/material.material"  # the trace shows the material's own open
! grep -qi 'server' "$GAME_STDERR" || fail "the share was opened: $(grep -i server "$GAME_STDERR" | head -n 3)"
end_with_escape

run_with material.material < <(luac5.2 -o - "$GAME_BUILD_DIR/bin/data/material.material")
read -r left _ width _ < <(red_face "$GAME_WINDOW")
centre=$((left + width / 2))
[ "$centre" -ge 398 ] && [ "$centre" -le 406 ] || fail "the precompiled material's red face is centred at x = $centre"
[ ! -s "$GAME_STDERR" ] || fail "the precompiled material wrote: $(cat "$GAME_STDERR")"
end_with_escape
echo "PASS"
