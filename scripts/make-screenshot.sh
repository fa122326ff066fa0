#!/usr/bin/env bash
# Makes the README's screenshot: the program in a 1280 x 800 window on a private X server, a
# landscape picture opened in its start-up window, a second picture made with New and drawn on
# with the pencil and the circle tool. Every step goes through the keyboard and the mouse, as a
# user's would. Run from anywhere after building; the output is the same on every run.
#
#     scripts/make-screenshot.sh [program [png]]   (default build/VellPainter, docs/screenshot.png)
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/e2e/lib.bash"
program=$(realpath "${1:-$root/build/VellPainter}")
output=$(realpath -m "${2:-$root/docs/screenshot.png}")
[ -x "$program" ] || { echo "no program at $program: build it first (make build)" >&2; exit 1; }

# A landscape of flat colours (they keep the PNG small): sky in bands, sun, hills, lake, house.
landscape() {
    python3 - "$1" <<'PY'
import math, struct, sys
W, H = 720, 500
def colour(x, y):
    u, v = x * 560 / W, y * 400 / H  # the scene is drawn on a 560 x 400 grid
    if (u - 430) ** 2 + (v - 90) ** 2 < 42 ** 2:
        return (255, 214, 90)
    far = 250 - 40 * math.sin(u / 70.0) - 20 * math.sin(u / 23.0 + 1)
    near = 300 - 35 * math.sin(u / 110.0 + 2)
    if 120 <= u < 220 and 235 <= v < 300:
        if 150 <= u < 180 and 260 <= v < 300:
            return (110, 60, 40)
        if 190 <= u < 210 and 245 <= v < 265:
            return (250, 240, 170)
        return (225, 205, 170)
    if 105 <= u < 235 and 235 - (65 - abs(u - 170)) * 0.8 <= v < 235:
        return (170, 50, 45)
    if v >= 330:
        return (50, 110, 170) if (y // 8) % 3 else (80, 140, 195)
    if v >= near:
        return (70, 140, 60)
    if v >= far:
        return (110, 170, 80)
    return (120 + 8 * (y // 30), 170 + 6 * (y // 30), 235)
row = (W * 3 + 3) // 4 * 4
pixels = bytearray()
for y in range(H - 1, -1, -1):
    line = bytearray()
    for x in range(W):
        r, g, b = colour(x, y)
        line += bytes((b, g, r))
    pixels += line.ljust(row, b'\0')
header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + pixels)
PY
}

# Chooses a colour in the colour dialog that the current step shows.
choose_colour() {
    local dialog
    dialog=$(wait_for_window "$1")
    press_keys "$dialog" alt+h ctrl+a
    xdotool type --delay 20 "$2"
    xdotool key Return
    wait_for_no_window "$1"
}

# Answers the Canvas Size dialog that New shows.
canvas_size() {
    local dialog
    dialog=$(wait_for_window "Canvas Size")
    press_keys "$dialog" ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Tab ctrl+a
    xdotool type --delay 20 "$2"
    xdotool key Return
    wait_for_no_window "Canvas Size"
}

drag() {
    xdotool mousemove "$1" "$2" mousedown 1
    shift 2
    while [ $# -ge 2 ]; do
        xdotool mousemove "$1" "$2"
        sleep 0.02
        shift 2
    done
    xdotool mouseup 1
    sleep 0.3
}

start_program "$program"
xdotool windowmove --sync "$MAIN_WINDOW" 0 0
xdotool windowsize --sync "$MAIN_WINDOW" 1280 800
sleep 0.5
picture="$WORK/Landscape.bmp"
landscape "$picture"

# The first New sizes the start-up window for the landscape; Open fills it.
press_keys "$MAIN_WINDOW" ctrl+n
choose_colour "Background Colour of the New Picture" "#ffffff"
canvas_size 724 504
open_picture "$picture"
wait_for_no_window "Open Picture"
sleep 0.5

# The tool buttons stand at fixed places above the colour swatch, left of the canvases.
eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
read -r sx sy sw sh < <(find_rectangle_in 000000 "$X" "$Y" 60 "$HEIGHT") || fail "no colour swatch"
pencil_x=$((sx + sw / 2)) pencil_y=$((sy - 192 + 12))
circle_y=$((sy - 96 + 12))

# A second picture, pale yellow, drawn on in red.
press_keys "$MAIN_WINDOW" ctrl+n
choose_colour "Background Colour of the New Picture" "#fff6d5"
canvas_size 380 380
sleep 0.5
# New windows open cascaded over the first: drag this one by its caption beside the landscape.
read -r cx cy cw ch < <(find_rectangle fff6d5) || fail "no pale yellow canvas"
drag $((cx + 120)) $((cy - 14)) $((cx + 420)) $((cy - 30)) $((cx + 832)) $((cy - 36))
read -r cx cy cw ch < <(find_rectangle fff6d5) || fail "no pale yellow canvas"
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click 1
choose_colour "Select Color" "#c8283c"
xdotool mousemove "$pencil_x" "$pencil_y" click 1
sleep 0.3
# A spiral out from the middle, in steps.
read -r -a points < <(python3 -c "
import math
print(*(f'{int($cx + 190 + (10 + 16 * i / 10) * math.cos(i / 10))} {int($cy + 170 + (10 + 16 * i / 10) * math.sin(i / 10))}' for i in range(81)))")
drag "${points[@]}"
xdotool mousemove "$pencil_x" "$circle_y" click 1
sleep 0.3
drag $((cx + 75)) $((cy + 75)) $((cx + 95)) $((cy + 85)) $((cx + 125)) $((cy + 95))
xdotool mousemove "$pencil_x" "$pencil_y" click 1
xdotool mousemove $((X + WIDTH - 10)) $((Y + HEIGHT - 10))
sleep 0.5

mkdir -p "$(dirname "$output")"
import -window "$MAIN_WINDOW" -depth 8 "png:$output"
press_keys "$MAIN_WINDOW" ctrl+q
for _ in 1 2; do
    question=$(wait_for_window "Save?")
    press_keys "$question" alt+n
done
wait_for_exit 10
echo "Written: $output ($(stat -c %s "$output") bytes)"
