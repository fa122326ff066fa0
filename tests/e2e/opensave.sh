#!/usr/bin/env bash
# Ctrl+O with a path typed into the file dialog puts that picture on the canvas (the canvas's
# change rewrites the temp file with it); Ctrl+S to a new path writes the same picture as a BMP.
source "$(dirname "$0")/lib.bash"
start_program "$1"

picture="$WORK/two halves.bmp"
write_bmp "$picture" 60 40 ffff00 0080ff

open_picture "$picture"

wait_for_bmp_size "$TEMP_FILE" "60 40 24"
[ "$(bmp_size "$TEMP_FILE")" = "60 40 24" ] || fail "temp file is $(bmp_size "$TEMP_FILE"), not the 60x40 picture"
[ "$(bmp_pixel "$TEMP_FILE" 5 20)" = ffff00 ] || fail "temp file's left half is $(bmp_pixel "$TEMP_FILE" 5 20)"
[ "$(bmp_pixel "$TEMP_FILE" 55 20)" = 0080ff ] || fail "temp file's right half is $(bmp_pixel "$TEMP_FILE" 55 20)"

saved="$WORK/copy"
press_keys "$MAIN_WINDOW" ctrl+s
dialog=$(wait_for_window "Save Picture")
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool key ctrl+a BackSpace
xdotool type --delay 20 "$saved"
xdotool key Return
wait_for_file "$saved"
[ -s "$saved" ] || fail "nothing written at $saved"
[ ! -e "$saved.bmp" ] || fail "an extension was added to the saved file's name"
[ "$(bmp_size "$saved")" = "60 40 24" ] || fail "saved file is $(bmp_size "$saved")"
cmp -s <(tail -c +55 "$saved") <(tail -c +55 "$picture") || fail "the saved pixels differ from the opened picture"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
