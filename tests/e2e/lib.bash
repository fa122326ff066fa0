# Shared steps of the end-to-end tests: a private X server, the real program, xdotool.
# Usage: source lib.bash; start_program /path/to/VellPainter
set -euo pipefail

fail() { echo "FAIL: $*" >&2; [ -n "${WORK:-}" ] && import -window root /tmp/e2e-fail.png 2>/dev/null; exit 1; }

# Xvfb picks a free display itself and writes its number once it is ready for clients.
start_x() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$WORK/display" ] && break
        sleep 0.1
    done
    [ -s "$WORK/display" ] || fail "no X server could be started"
    export DISPLAY=:$(head -n 1 "$WORK/display")
}

cleanup() {
    [ -n "${PROGRAM_PID:-}" ] && kill $PROGRAM_PID 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && kill $XVFB_PID 2>/dev/null || true
    [ -n "${WORK:-}" ] && [ -f "$WORK/program.log" ] && sed "s/^/program: /" "$WORK/program.log" | tail -n 20 >&2
    [ -n "${WORK:-}" ] && rm -rf "$WORK"
}
trap cleanup EXIT

# Starts the program and waits for its main window.
start_program() {
    PROGRAM=$1
    TEMP_FILE=$(dirname "$PROGRAM")/temp
    rm -f "$TEMP_FILE"
    WORK=$(mktemp -d)
    start_x
    "$PROGRAM" >"$WORK/program.log" 2>&1 &
    PROGRAM_PID=$!
    MAIN_WINDOW=$(wait_for_window "Vell's Painter")
    sleep 1
}

# The pattern xdotool search takes for exactly that window name.
name_pattern() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$?+(){}|]/\\&/g')"; }

# Waits up to 5 s for the file to be there and not empty (the caller checks what it holds).
wait_for_file() {
    for _ in $(seq 50); do [ -s "$1" ] && return 0; sleep 0.1; done
    return 0
}

# Waits up to 5 s for the BMP file to have that size ("width height bits").
wait_for_bmp_size() {
    for _ in $(seq 50); do [ "$(bmp_size "$1" 2>/dev/null)" = "$2" ] && return 0; sleep 0.1; done
    return 0
}

# Prints the id of the first visible window with that exact name.
wait_for_window() {
    local pattern
    pattern=$(name_pattern "$1")
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    fail "no window named '$1'"
}

# Waits until no visible window has that exact name (a dialog has closed).
wait_for_no_window() {
    local pattern
    pattern=$(name_pattern "$1")
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window '$1' is still open"
}

# Types keys into a window (there is no window manager: the window is given the focus first).
press_keys() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    sleep 0.2
    xdotool key "$@"
}

# Opens a picture as a user does: Ctrl+O, the path typed into the file dialog, Return.
open_picture() {
    press_keys "$MAIN_WINDOW" ctrl+o
    local dialog
    dialog=$(wait_for_window "Open Picture")
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool type --delay 10 "$1"
    xdotool key Return
}

screenshot() { import -window root -depth 8 "$1"; }

# Prints "x y w h" (screen coordinates) of the largest solid rectangle of the given colour
# (hex rrggbb) inside the main window: how the tests find the canvas.
find_rectangle() {
    eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
    find_rectangle_in "$1" "$X" "$Y" "$WIDTH" "$HEIGHT"
}

# The same within the screen area left top width height: how the tests find smaller controls,
# such as the colour swatch left of the canvas.
find_rectangle_in() {
    screenshot "$WORK/screen.ppm"
    python3 - "$WORK/screen.ppm" "$1" "$2" "$3" "$4" "$5" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
w, h = int(parts[1]), int(parts[2])
pixels = parts[4]
want = bytes.fromhex(sys.argv[2])
left, top0, width, height = map(int, sys.argv[3:7])
right, bottom0 = min(w, left + width), min(h, top0 + height)
def solid(sx, run, yy):
    return pixels[(yy * w + sx) * 3:(yy * w + sx + run) * 3] == want * run
best = None
for y in range(top0, bottom0, 4):
    row = pixels[y * w * 3:(y + 1) * w * 3]
    x = left
    while x < right:
        if row[3 * x:3 * x + 3] == want:
            start = x
            while x < right and row[3 * x:3 * x + 3] == want:
                x += 1
            run = x - start
            top = y
            while top > top0 and solid(start, run, top - 1):
                top -= 1
            bottom = y
            while bottom + 1 < bottom0 and solid(start, run, bottom + 1):
                bottom += 1
            area = run * (bottom - top + 1)
            if best is None or area > best[0]:
                best = (area, start, top, run, bottom - top + 1)
        x += 1
if best is None:
    sys.exit(1)
print(*best[1:])
PY
}

# Reads one pixel of a BMP file as rrggbb (only the header and that pixel: the file may be large).
bmp_pixel() {
    python3 - "$1" "$2" "$3" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(54)
    offset = struct.unpack_from('<I', head, 10)[0]
    w, h = struct.unpack_from('<ii', head, 18)
    x, y = int(sys.argv[2]), int(sys.argv[3])
    row = (w * 3 + 3) // 4 * 4
    r = (h - 1 - y) if h > 0 else y
    f.seek(offset + r * row + 3 * x)
    b, g, rr = f.read(3)
print('%02x%02x%02x' % (rr, g, b))
PY
}

bmp_size() {
    python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(54)
w, h = struct.unpack_from('<ii', head, 18)
bpp = struct.unpack_from('<H', head, 28)[0]
print(w, abs(h), bpp)
PY
}

# Waits until the program has ended; fails if it has not within the seconds given.
wait_for_exit() {
    for _ in $(seq $(($1 * 10))); do
        kill -0 $PROGRAM_PID 2>/dev/null || { PROGRAM_PID=; return 0; }
        sleep 0.1
    done
    fail "the program is still running"
}

# Writes a 24-bit BMP of the given size: its left half in the first colour, its right half in
# the second (rrggbb each). Row by row, so that a large one needs little memory.
write_bmp() {
    python3 - "$@" <<'PY'
import struct, sys
path, w, h, left, right = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
bgr = lambda c: bytes.fromhex(c)[::-1]
row = (w * 3 + 3) // 4 * 4
line = (bgr(left) * (w // 2) + bgr(right) * (w - w // 2)).ljust(row, b'\0')
with open(path, 'wb') as f:
    f.write(struct.pack('<2sIHHI', b'BM', 54 + row * h, 0, 0, 54))
    f.write(struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, row * h, 2835, 2835, 0, 0))
    for _ in range(h):
        f.write(line)
PY
}
