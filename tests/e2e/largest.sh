#!/usr/bin/env bash
# The largest picture the program takes, 16384 x 16384 (805 MB as a BMP file): it opens, takes a
# pencil stroke, a Flip Horizontal and an Undo, and the temp file follows each commit and the
# Undo. Prints how long each step took and the program's peak resident memory (the benchmark,
# not this test, judges speed).
source "$(dirname "$0")/lib.bash"
start_program "$1"
trap 'rm -f "$TEMP_FILE"; cleanup' EXIT

SIDE=16384
FILE_BYTES=$((54 + SIDE * 3 * SIDE))
room=$(df --output=avail -B1 "$(dirname "$TEMP_FILE")" "$WORK" | tail -n +2 | sort -n | head -n 1)
[ "$room" -gt $((4 * FILE_BYTES)) ] || fail "not enough disk for three 805 MB files and a temp file being replaced"

picture="$WORK/largest.bmp"
write_bmp "$picture" $SIDE $SIDE ffff00 0080ff

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Waits (up to two minutes) until the temp file is the whole picture with pixel x y of the colour.
wait_for_temp() {
    local x=$1 y=$2 colour=$3
    for _ in $(seq 1200); do
        if [ "$(stat -c %s "$TEMP_FILE" 2>/dev/null)" = $FILE_BYTES ] && [ "$(bmp_pixel "$TEMP_FILE" "$x" "$y")" = "$colour" ]; then
            return 0
        fi
        sleep 0.1
    done
    fail "the temp file's pixel $x $y is not $colour"
}

start=$(now_ms)
press_keys "$MAIN_WINDOW" ctrl+o
dialog=$(wait_for_window "Open Picture")
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$picture"
typed=$(now_ms)
xdotool key Return
wait_for_temp $((SIDE - 1)) $((SIDE - 1)) 0080ff
opened=$(now_ms)
[ "$(bmp_size "$TEMP_FILE")" = "$SIDE $SIDE 24" ] || fail "temp file is $(bmp_size "$TEMP_FILE")"
[ "$(bmp_pixel "$TEMP_FILE" 0 0)" = ffff00 ] || fail "the temp file's left half is $(bmp_pixel "$TEMP_FILE" 0 0)"
echo "open: $((opened - typed)) ms to the temp file"

# The picture opens whole, fitted to the window: its height on screen is exact, and a view pixel v
# shows picture pixel floor(v / zoom).
# Showing it whole reads every pixel once more: a slow build may take a while to paint.
for _ in $(seq 60); do
    read -r x y w h < <(find_rectangle ffff00) && [ "$h" -gt 200 ] && break
    sleep 0.5
done
[ -n "${x:-}" ] || fail "no yellow canvas on screen"
[ "$w" -gt 100 ] && [ "$h" -gt 200 ] || fail "only $w x $h of the canvas is on screen"
picture_pixel() { python3 -c "import math; print(math.floor(($1) / ($h / $SIDE) + 1e-7))"; }
# The pencil draws at its tip, 8 screen pixels below the pointer: a black line along that row.
mid=$(picture_pixel 50)
row=$(picture_pixel 48)
pointer_row=$(picture_pixel 40)
stroke_start=$(now_ms)
xdotool mousemove $((x + 20)) $((y + 40)) mousedown 1
for px in $(seq 30 10 80); do xdotool mousemove $((x + px)) $((y + 40)); sleep 0.02; done
xdotool mouseup 1
wait_for_temp "$mid" "$row" 000000
stroked=$(now_ms)
[ "$(bmp_pixel "$TEMP_FILE" "$mid" "$pointer_row")" = ffff00 ] || fail "the pointer's own row changed"
echo "stroke: $((stroked - stroke_start)) ms from the press to the temp file"

# Picture, Flip Horizontal (from the keyboard: the seventh item). It commits nothing, so the
# temp file keeps the stroke; the program is ready again when the Edit menu opens.
flip_start=$(now_ms)
press_keys "$MAIN_WINDOW" alt+p Down Down Down Down Down Down Return
press_keys "$MAIN_WINDOW" alt+e
sleep 0.2
xdotool key Escape
flipped=$(now_ms)
[ "$(bmp_pixel "$TEMP_FILE" "$mid" "$row")" = 000000 ] || fail "Flip Horizontal changed the temp file"
echo "flip horizontal: about $((flipped - flip_start)) ms, keys and menus included"

undo_start=$(now_ms)
press_keys "$MAIN_WINDOW" ctrl+z
wait_for_temp "$mid" "$row" ffff00
undone=$(now_ms)
[ "$(bmp_pixel "$TEMP_FILE" $((SIDE - 1)) 0)" = 0080ff ] || fail "after Undo the right half is not the opened picture's"
echo "undo: $((undone - undo_start)) ms to the temp file"

# One more stroke, and Exit at once: the program ends only once the temp file holds it, and
# leaves no half-written file beside it.
xdotool mousemove $((x + 20)) $((y + 80)) mousedown 1
for px in $(seq 30 10 80); do xdotool mousemove $((x + px)) $((y + 80)); sleep 0.02; done
xdotool mouseup 1
peak_kb=$(awk '/^VmHWM:/ {print $2}' /proc/$PROGRAM_PID/status)
press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 60
[ "$(bmp_pixel "$TEMP_FILE" "$mid" "$(picture_pixel 88)")" = 000000 ] || fail "the temp file lacks the stroke made just before Exit"
leftovers=$(find "$(dirname "$TEMP_FILE")" -maxdepth 1 -name 'temp.*')
[ -z "$leftovers" ] || fail "left beside the temp file: $leftovers"
echo "peak resident memory: $((peak_kb / 1024)) MB"
echo "PASS"
