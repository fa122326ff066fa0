#pragma once
// Flip Horizontal and Flip Vertical: the picture as drawn is mirrored into the canvas with one
// block transfer; the snapshot then holds the flipped picture. Nothing is committed, so Cls
// still brings back the picture as last committed.
class Form1;

enum class FlipAxis { Horizontal, Vertical };

void FlipPicture(Form1 *form, FlipAxis axis);
