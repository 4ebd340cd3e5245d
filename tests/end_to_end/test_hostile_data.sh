#!/usr/bin/env bash
# Data files made to hang the program, exhaust its memory, break Lua or Direct3D, or reach another
# machine: each start ends within seconds with the boxes and the line that its kind calls for, the
# window then draws, Escape then Yes ends the program with status 1, and its resident memory never
# reaches 400 MB. The shipped material precompiled with luac draws as its text does.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Starts the program in a copy of its folder whose data/$1 holds standard input.
start_with() {
    local folder
    folder=$(copy_game_folder)
    cat >"$folder/data/$1"
    start_game "$folder"
    GAME_STARTED=$(date +%s%N)
}

# Dismisses the boxes named by the arguments, each within 15 s, and checks that the program then
# runs with no box and has stayed within its memory.
runs_after() {
    local caption peak
    for caption in "$@"; do
        dismiss_box "$caption" 15
    done
    GAME_WINDOW=$(wait_for_window "$GAME_TITLE" 15)
    sleep 1
    expect_no_box
    expect_running
    peak=$(awk '/^VmHWM:/ { print $2 }' "/proc/$GAME_PID/status")
    echo "resident memory peaked at $((peak / 1024)) MiB"
    [ "$peak" -lt $((400 * 1024)) ] || fail "resident memory peaked at $peak kB"
}

run_with() {
    start_with "$1"
    shift
    runs_after "$@"
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

# Waits for the line $2 on standard error, at most $1 seconds from the start, and says how long it took.
expect_line_within() {
    local seconds=$1 line=$2
    while ! grep -qF "$line" "$GAME_STDERR"; do
        [ $(($(date +%s%N) - GAME_STARTED)) -lt $((seconds * 1000000000)) ] ||
            fail "no \"$line\" within $seconds s: $(cat "$GAME_STDERR")"
        sleep 0.05
    done
    echo "answered $(( ($(date +%s%N) - GAME_STARTED) / 1000000 )) ms after the start: $line"
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

# Nor is a DOS device, whatever folder or extension its name stands with.
WINEDEBUG=trace+file run_with material.material "No Fragment Shader" "No Vertex Shader" \
    <<<"return { shaders = { vertexShader = 'COM1', fragmentShader = [[data\\nul.shader]] },
               constants = { g_colorModifier = { 1, 1, 1 } } }"
expect_line "Windows failed to open the shader file: The path names a device"
! grep -i 'trace:file' "$GAME_STDERR" | grep -qiE 'com1|nul\.shader' ||
    fail "a device was opened: $(grep -i 'trace:file' "$GAME_STDERR" | grep -iE 'com1|nul\.shader' | head -n 3)"
end_with_escape

# A table above a concatenation, which the collection that the concatenation may run frees before
# values are stored into it.
start_with material.material < <("$GAME_WINE_RUN" "$GAME_CRAFTED_CHUNK" concatenation)
expect_line_within 8 "data/material.material: refused precompiled chunk: "
expect_line "(SETLIST) stores into a register that holds no table of its own making"
runs_after "No Fragment Shader" "No Vertex Shader"
end_with_escape

# A chain of 8,000 lookups, each of the result of the one before: naming the variable in an error
# would go back through every one of them.
start_with material.material < <("$GAME_WINE_RUN" "$GAME_CRAFTED_CHUNK" lookups 8000)
expect_line_within 8 "data/material.material: refused precompiled chunk: its code has more than 2048 instructions"
runs_after "No Fragment Shader" "No Vertex Shader"
end_with_escape

# A text of the largest size that is slowest to parse: every global name looked up through sixty
# nested functions of 150 locals each. It returns a function.
level="return function() local $(printf 'a,%.0s' {1..149})a "
references=$(((32768 - 60 * ${#level} - 8 - 60 * 4) / 2))  # the file is 32 KiB with "return x" and 60 " end"
start_with material.material < <(printf "$level%.0s" {1..60}; printf 'return x'; printf '+x%.0s' $(seq "$references")
                                  printf ' end%.0s' {1..60})
expect_line_within 8 "Asset files must return a table (instead of a function)"
runs_after "No Fragment Shader" "No Vertex Shader"
end_with_escape

# Comparisons of two 1 MiB strings of NUL bytes, which the C library compares a byte at a time: the
# clock stops the chunk soon after its 5 seconds.
start_with material.material <<<"local s = '\\0' for i = 1, 20 do s = s .. s end
                                 while true do if s < s then s = s end end"
expect_line_within 9 "data/material.material(2): error: the material file ran too long (more than 5 seconds)"
runs_after "No Fragment Shader" "No Vertex Shader"
end_with_escape

run_with material.material < <(luac5.2 -o - "$GAME_BUILD_DIR/bin/data/material.material")
read -r left _ width _ < <(red_face "$GAME_WINDOW")
centre=$((left + width / 2))
[ "$centre" -ge 398 ] && [ "$centre" -le 406 ] || fail "the precompiled material's red face is centred at x = $centre"
[ ! -s "$GAME_STDERR" ] || fail "the precompiled material wrote: $(cat "$GAME_STDERR")"
end_with_escape
echo "PASS"
