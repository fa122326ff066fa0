#!/usr/bin/env bash
# Ctrl+W closes the document through the save question: Cancel keeps it, No closes it; with no
# document left, Exit asks nothing.
source "$(dirname "$0")/lib.bash"
start_program "$1"

canvas_shown() {
    local x y w h
    read -r x y w h < <(find_rectangle 000000) || return 1
    [ "$w" -eq 246 ] && [ "$h" -eq 246 ]
}
canvas_shown || fail "no 246 x 246 canvas at start"

press_keys "$MAIN_WINDOW" ctrl+w
question=$(wait_for_window "Save?")
press_keys "$question" Escape
wait_for_no_window "Save?"
sleep 0.3
canvas_shown || fail "Cancel in the save question closed the document"

press_keys "$MAIN_WINDOW" ctrl+w
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_no_window "Save?"
sleep 0.3
! canvas_shown || fail "No in the save question left the document open"

press_keys "$MAIN_WINDOW" ctrl+q
wait_for_exit 10
echo "PASS"
