#pragma once
// The airbrush: six one-pixel dots of the current colour at every event, scattered in a
// square that starts 25 pixels left of and 10 above the pointer and grows right and down by
// 20 pixels for every step of the slider.
class DocumentWindow;
class Palette;

inline constexpr int DotsPerSpray = 6;

void airbrushSpray(DocumentWindow &document, Palette &palette, float X, float Y);
