#!/usr/bin/env bash
# The real program starts with "Vell's Painter" holding one black 250 x 250 canvas; a click on
# it commits a 246 x 246 picture; Exit with the save question answered No ends the program.
source "$(dirname "$0")/lib.bash"
start_program "$1"

read -r x y w h < <(find_rectangle 000000) || fail "no black canvas on screen"
[ "$w" -eq 246 ] && [ "$h" -eq 246 ] || fail "the canvas shows ${w}x${h}, not 246x246"

# Any press on the canvas ends in a commit through the temp file.
xdotool mousemove $((x + 100)) $((y + 100)) click 1
wait_for_file "$TEMP_FILE"
[ -s "$TEMP_FILE" ] || fail "no temp file after a click"
[ "$(bmp_size "$TEMP_FILE")" = "246 246 24" ] || fail "temp file is $(bmp_size "$TEMP_FILE")"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
