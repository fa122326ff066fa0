#!/usr/bin/env bash
# In the Size and Rotate dialogs, Escape closes without a change and Enter applies what was
# typed, as the temp file shows: Size to 34 pixels outside makes the 60 x 40 picture 30 wide,
# Rotate by 180 swaps its two halves.
source "$(dirname "$0")/lib.bash"
start_program "$1"

picture="$WORK/halves.bmp"
write_bmp "$picture" 60 40 ffff00 0080ff
open_picture "$picture"
wait_for_bmp_size "$TEMP_FILE" "60 40 24"
[ "$(bmp_size "$TEMP_FILE")" = "60 40 24" ] || fail "temp file is $(bmp_size "$TEMP_FILE"), not the opened picture"

# Shows a dialog from the Picture menu by keyboard (menu keys given), types into its box (which
# has the keyboard when it opens), then presses the key.
answer_dialog() {
    local caption=$1 menu_keys=$2 text=$3 key=$4 dialog
    # shellcheck disable=SC2086
    press_keys "$MAIN_WINDOW" alt+p $menu_keys
    dialog=$(wait_for_window "$caption")
    press_keys "$dialog" ctrl+a
    xdotool type --delay 20 "$text"
    xdotool key "$key"
    wait_for_no_window "$caption"
    sleep 0.5
}

# Size has no access key: four down from Adjust Colors.
answer_dialog Size "Down Down Down Down Return" 34 Escape
[ "$(bmp_size "$TEMP_FILE")" = "60 40 24" ] || fail "Escape in Size left a $(bmp_size "$TEMP_FILE") picture"
answer_dialog Size "Down Down Down Down Return" 34 Return
[ "$(bmp_size "$TEMP_FILE")" = "30 40 24" ] || fail "Enter in Size left a $(bmp_size "$TEMP_FILE") picture"
[ "$(bmp_pixel "$TEMP_FILE" 3 20)" = ffff00 ] || fail "the resized picture's left is $(bmp_pixel "$TEMP_FILE" 3 20)"

cp "$TEMP_FILE" "$WORK/before-rotate.bmp"
answer_dialog Rotate r 180 Escape
cmp -s "$TEMP_FILE" "$WORK/before-rotate.bmp" || fail "Escape in Rotate changed the picture"
answer_dialog Rotate r 180 Return
[ "$(bmp_pixel "$TEMP_FILE" 3 20)" = 0080ff ] || fail "after Enter in Rotate the left is $(bmp_pixel "$TEMP_FILE" 3 20)"
[ "$(bmp_pixel "$TEMP_FILE" 26 20)" = ffff00 ] || fail "after Enter in Rotate the right is $(bmp_pixel "$TEMP_FILE" 26 20)"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
