#!/usr/bin/env bash
# A real drag with the pencil, after choosing red in the colour dialog, leaves a red trail
# 8 pixels below the pointer's path in the temp file; the pointer's own row stays black.
source "$(dirname "$0")/lib.bash"
start_program "$1"

read -r x y w h < <(find_rectangle 000000) || fail "no black canvas on screen"
eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
read -r sx sy sw sh < <(find_rectangle_in 000000 "$X" "$Y" $((x - 4 - X)) "$HEIGHT") || fail "no colour swatch left of the canvas"

xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click 1
dialog=$(wait_for_window "Select Color")
press_keys "$dialog" alt+h ctrl+a
xdotool type --delay 20 "#ff0000"
xdotool key Return
for _ in $(seq 50); do find_rectangle_in ff0000 "$X" "$Y" $((x - 4 - X)) "$HEIGHT" >/dev/null && break; sleep 0.1; done
find_rectangle_in ff0000 "$X" "$Y" $((x - 4 - X)) "$HEIGHT" >/dev/null || fail "the swatch did not turn red"

# Right along y = 40 from x = 40 to 120, then down to y = 150, in steps.
xdotool mousemove $((x + 40)) $((y + 40)) mousedown 1
for px in $(seq 50 10 120); do xdotool mousemove $((x + px)) $((y + 40)); sleep 0.02; done
for py in $(seq 50 10 150); do xdotool mousemove $((x + 120)) $((y + py)); sleep 0.02; done
xdotool mouseup 1
wait_for_file "$TEMP_FILE"
[ -s "$TEMP_FILE" ] || fail "no temp file after the drag"
sleep 0.5

for point in "40 48" "80 48" "120 48" "120 100" "120 158"; do
    colour=$(bmp_pixel "$TEMP_FILE" $point)
    [ "$colour" = ff0000 ] || fail "pixel $point of the temp file is $colour, not the trail's red"
done
for point in "80 40" "120 30" "60 100"; do
    colour=$(bmp_pixel "$TEMP_FILE" $point)
    [ "$colour" = 000000 ] || fail "pixel $point off the trail is $colour"
done

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
