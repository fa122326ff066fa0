#!/usr/bin/env bash
# Save As onto a file that exists asks first: No leaves the file's bytes as they were and brings
# the file dialog back; Yes replaces it with a 24-bit BMP at exactly the path typed.
source "$(dirname "$0")/lib.bash"
start_program "$1"

photo="$WORK/photo.jpg"
printf 'the bytes of the user'"'"'s photo' >"$photo"
cp "$photo" "$WORK/photo.kept"

# Types the path into the Save Picture dialog that Ctrl+S shows.
save_as() {
    press_keys "$MAIN_WINDOW" ctrl+s
    local dialog
    dialog=$(wait_for_window "Save Picture")
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool key ctrl+a BackSpace
    xdotool type --delay 20 "$1"
    xdotool key Return
}

save_as "$photo"
question=$(wait_for_window "Confirm Save As")
press_keys "$question" alt+n
dialog=$(wait_for_window "Save Picture")
press_keys "$dialog" Escape
wait_for_no_window "Save Picture"
cmp -s "$photo" "$WORK/photo.kept" || fail "No to replacing changed $photo"

save_as "$photo"
question=$(wait_for_window "Confirm Save As")
press_keys "$question" alt+y
for _ in $(seq 50); do [ "$(head -c 2 "$photo")" = BM ] && break; sleep 0.1; done
[ "$(bmp_size "$photo")" = "246 246 24" ] || fail "Yes wrote $(bmp_size "$photo" 2>/dev/null) at $photo, not the 24-bit canvas"
[ "$(ls "$WORK" | grep -c '^photo')" -eq 2 ] || fail "files beside the photo: $(ls "$WORK")"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
echo "PASS"
