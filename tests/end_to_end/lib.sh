# What the end-to-end tests share: starting the real game.exe under Wine on the test display, waiting
# for its windows by polling with a bounded timeout, driving it with xdotool, and its exit status.
# Sourced by the test_*.sh scripts, which CTest runs one at a time.
set -euo pipefail

: "${GAME_SOURCE_DIR:?}" "${GAME_BUILD_DIR:?}" "${GAME_EXE:?}" "${DISPLAY:?the tests need an X display}"
GAME_WINE_RUN=$GAME_SOURCE_DIR/scripts/wine-run
GAME_TITLE="Brek's KRV4417 Game"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The program's own folder with data/, or a copy of it that a test may break.
game_folder() { echo "$GAME_BUILD_DIR/bin"; }

copy_game_folder() {
    local copy
    copy=$(mktemp -d "$GAME_BUILD_DIR/end_to_end.XXXXXX")
    cp -r "$GAME_BUILD_DIR/bin/data" "$copy/"
    echo "$copy"
}

# Starts game.exe in the folder $1; its standard error goes to $GAME_STDERR.
start_game() {
    local folder=$1
    GAME_STDERR=$(mktemp "$GAME_BUILD_DIR/end_to_end.stderr.XXXXXX")
    (cd "$folder" && exec "$GAME_WINE_RUN" "$GAME_EXE" 2>"$GAME_STDERR") &
    GAME_PID=$!
    trap 'kill "$GAME_PID" 2>/dev/null || true' EXIT
}

# Prints the id of the first visible X window whose name is exactly $1, waiting up to $2 seconds.
wait_for_window() {
    local name=$1 seconds=${2:-60} deadline window
    deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        window=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        if ! kill -0 "$GAME_PID" 2>/dev/null; then
            fail "the program ended while waiting for the window \"$name\""
        fi
        sleep 0.2
    done
    fail "no window \"$name\" within $seconds s"
}

# Waits up to $2 seconds for no visible window named $1.
wait_for_no_window() {
    local name=$1 seconds=${2:-30} deadline
    deadline=$((SECONDS + seconds))
    while [ $SECONDS -lt $deadline ]; do
        if ! xdotool search --onlyvisible --name "^${name}\$" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.2
    done
    fail "the window \"$name\" is still there after $seconds s"
}

# Waits up to $2 seconds for a box captioned $1, presses Return (its default button) and waits for
# that very window to go, so that a following box with the same caption is not mistaken for it.
dismiss_box() {
    local caption=$1 seconds=${2:-30} box deadline
    box=$(wait_for_window "$caption" "$seconds")
    press "$box" Return
    deadline=$((SECONDS + 30))
    while [[ $'\n'$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null || true)$'\n' == *$'\n'$box$'\n'* ]]; do
        [ $SECONDS -lt $deadline ] || fail "the box \"$caption\" did not close"
        sleep 0.2
    done
}

# Fails when a visible window other than the main window is up.
expect_no_box() {
    local window name
    for window in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        name=$(xdotool getwindowname "$window" 2>/dev/null || true)
        if [ -n "$name" ] && [ "$name" != "$GAME_TITLE" ]; then
            fail "an unexpected window \"$name\" is up"
        fi
    done
}

# Gives the window $1 the keyboard focus, then presses the keys that follow.
press() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window"
    xdotool key "$@"
}

# Waits up to $1 seconds for the program to end and checks that its exit status is $2.
expect_exit_status() {
    local seconds=$1 expected=$2 deadline status=0
    deadline=$((SECONDS + seconds))
    while kill -0 "$GAME_PID" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the program is still running after $seconds s"
        sleep 0.2
    done
    wait "$GAME_PID" || status=$?
    trap - EXIT
    [ "$status" -eq "$expected" ] || fail "exit status $status, expected $expected"
}

# The cube's red front face in the picture of the window $1, as "LEFT TOP WIDTH HEIGHT" in pixels;
# the face is tens of pixels wide.
red_face() {
    local box
    box=$(import -window "$1" png:- | convert - -fill black -fuzz 20% +opaque red -format '%@' info:)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -ge 20 ] ||
        fail "no red face in the window's picture (box $box)"
    echo "${BASH_REMATCH[3]} ${BASH_REMATCH[4]} ${BASH_REMATCH[1]} ${BASH_REMATCH[2]}"
}

expect_running() {
    kill -0 "$GAME_PID" 2>/dev/null || fail "the program has ended"
}
