#!/usr/bin/env bash
# A 4000 x 3000 picture of four coloured quadrants opens in a document window that lies inside
# the main window, its caption on screen; Ctrl+0 shows all four quadrants at once; a pencil drag
# at that zoom lands in the temp file on the picture pixels under the pencil's tip, 8 screen
# pixels below the pointer; Ctrl+1 shows one screen pixel a picture pixel again; the wheel scrolls the view
# down, Shift+wheel sideways.
source "$(dirname "$0")/lib.bash"
start_program "$1"

picture="$WORK/quadrants.bmp"
python3 - "$picture" <<'PY'
import struct, sys
w, h = 4000, 3000
bgr = lambda c: bytes.fromhex(c)[::-1]
row = (w * 3 + 3) // 4 * 4
top = (bgr('ff0000') * (w // 2) + bgr('00ff00') * (w - w // 2)).ljust(row, b'\0')
bottom = (bgr('0000ff') * (w // 2) + bgr('ffff00') * (w - w // 2)).ljust(row, b'\0')
pixels = bottom * (h - h // 2) + top * (h // 2)  # rows bottom-up
header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], 'wb').write(header + info + pixels)
PY

open_picture "$picture"
for _ in $(seq 100); do [ "$(bmp_size "$TEMP_FILE" 2>/dev/null)" = "4000 3000 24" ] && break; sleep 0.1; done
[ "$(bmp_size "$TEMP_FILE")" = "4000 3000 24" ] || fail "the temp file is not the opened 4000x3000 picture"
sleep 1

eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
main_right=$((X + WIDTH)); main_bottom=$((Y + HEIGHT))
read -r rx ry rw rh < <(find_rectangle ff0000) || fail "no red quadrant on screen"
# The caption is drawn in white across the middle of the title bar just above the picture; a
# window wider than the workspace would have it far to the right, off screen.
screenshot "$WORK/screen.ppm"
# (The window's icon at the left and its buttons at the right are left out.)
white=$(python3 - "$WORK/screen.ppm" $((rx + 40)) "$((ry - 22))" "$((main_right - rx - 120))" 18 <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
w = int(parts[1]); pixels = parts[4]
left, top, width, height = map(int, sys.argv[2:6])
def at(x, y):
    return pixels[(y * w + x) * 3:(y * w + x) * 3 + 3]
count = 0
for y in range(top, top + height):
    for x in range(left + 3, left + width - 3):
        r, g, b = at(x, y)
        if min(r, g, b) >= 220:
            # Text on the title bar's blue, not a light control somewhere on the row.
            count += any(q[2] > q[0] + 60 for q in (at(x - 3, y), at(x + 3, y)))
print(count)
PY
)
[ "$white" -gt 20 ] || fail "no caption text in the document's title bar above the picture"

press_keys "$MAIN_WINDOW" ctrl+0
sleep 1
read -r rx ry rw rh < <(find_rectangle ff0000) || fail "no red quadrant at fit"
read -r gx gy gw gh < <(find_rectangle 00ff00) || fail "no green quadrant at fit"
read -r bx by bw bh < <(find_rectangle 0000ff) || fail "no blue quadrant at fit"
read -r yx yy yw yh < <(find_rectangle ffff00) || fail "no yellow quadrant at fit"
# Where a quadrant's edge falls inside a view pixel, that pixel is their average: a seam of one.
seam_ok() { [ $(($1 - $2)) -ge 0 ] && [ $(($1 - $2)) -le 1 ]; }
seam_ok "$gx" $((rx + rw)) && [ "$gy" -eq "$ry" ] || fail "green does not lie right of red at fit"
[ "$bx" -eq "$rx" ] && seam_ok "$by" $((ry + rh)) || fail "blue does not lie below red at fit"
[ "$yx" -eq "$gx" ] && [ "$yy" -eq "$by" ] || fail "yellow does not lie below green at fit"
[ $((yx + yw)) -le "$main_right" ] && [ $((yy + yh)) -le "$main_bottom" ] || fail "the fitted picture runs out of the main window"

# The fit zoom is exact along the axis that limits it, so it can be read off the screen; a view
# pixel v shows picture pixel floor(v / zoom).
view_width=$((yx + yw - rx)); view_height=$((yy + yh - ry))
picture_pixel() {
    python3 -c "import math; z = min($view_width / 4000, $view_height / 3000); print(math.floor(($1) / z + 1e-7))"
}
sy=$((by + bh / 2))
sx1=$((bx + bw / 4)); sx2=$((bx + 3 * bw / 4))
xdotool mousemove "$sx1" "$sy" mousedown 1
for sx in $(seq "$sx1" 10 "$sx2"); do xdotool mousemove "$sx" "$sy"; sleep 0.02; done
xdotool mousemove "$sx2" "$sy"
stamp=$(stat -c %y "$TEMP_FILE")
xdotool mouseup 1
for _ in $(seq 100); do [ "$(stat -c %y "$TEMP_FILE")" != "$stamp" ] && break; sleep 0.1; done
sleep 1
px=$(picture_pixel $(((sx1 + sx2) / 2 - rx)))
py=$(picture_pixel $((sy - ry)))
tip=$(picture_pixel $((sy + 8 - ry)))
[ "$(bmp_pixel "$TEMP_FILE" "$px" "$tip")" = 000000 ] || fail "no pencil trail at picture pixel $px,$tip under the pencil's tip, 8 screen pixels below the pointer"
[ "$(bmp_pixel "$TEMP_FILE" "$px" "$py")" = 0000ff ] || fail "the pencil drew on the pointer's own row $py"
[ "$(bmp_pixel "$TEMP_FILE" "$px" $((tip + 4)))" = 0000ff ] || fail "the trail is wider than the pen"

press_keys "$MAIN_WINDOW" ctrl+1
sleep 1
# At 100 % about the middle of the view the quadrants meet on screen; a click 30 right and 40
# below that corner is picture pixel 2030, 1540, and the pencil's dot lands 8 below it.
read -r rx ry rw rh < <(find_rectangle ff0000) || fail "no red quadrant at 100 %"
cx=$((rx + rw)); cy=$((ry + rh))
read -r yx yy yw yh < <(find_rectangle ffff00) || fail "no yellow quadrant at 100 %"
[ "$yx" -eq "$cx" ] && [ "$yy" -eq "$cy" ] || fail "the quadrants do not meet at 100 %"
stamp=$(stat -c %y "$TEMP_FILE")
xdotool mousemove $((cx + 30)) $((cy + 40)) click 1
for _ in $(seq 100); do [ "$(stat -c %y "$TEMP_FILE")" != "$stamp" ] && break; sleep 0.1; done
sleep 1
[ "$(bmp_pixel "$TEMP_FILE" 2030 1548)" = 000000 ] || fail "the click at 100 % did not draw at picture pixel 2030,1548"
[ "$(bmp_pixel "$TEMP_FILE" 2030 1540)" = ffff00 ] || fail "the click at 100 % drew on the pointer's own pixel"

# The wheel over the view scrolls it down; Shift+wheel scrolls it sideways.
xdotool mousemove $((cx + 100)) $((cy + 100))
sleep 0.2
xdotool click 5 click 5
sleep 0.5
read -r rx2 ry2 rw2 rh2 < <(find_rectangle ff0000) || fail "no red quadrant after the wheel"
[ $((ry2 + rh2)) -lt "$cy" ] && [ $((rx2 + rw2)) -eq "$cx" ] || fail "the wheel did not scroll the view down"
xdotool keydown shift click 5 keyup shift
sleep 0.5
read -r rx3 ry3 rw3 rh3 < <(find_rectangle ff0000) || fail "no red quadrant after Shift+wheel"
[ $((rx3 + rw3)) -lt "$cx" ] && [ $((ry3 + rh3)) -eq $((ry2 + rh2)) ] || fail "Shift+wheel did not scroll the view sideways"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
