#pragma once
// Flip Horizontal and Flip Vertical: the picture as drawn is mirrored into the canvas with one
// block transfer; the snapshot then holds the flipped picture. Nothing is committed, so Cls
// still brings back the picture as last committed.
class DocumentWindow;

enum class FlipAxis { Horizontal, Vertical };

void flipPicture(DocumentWindow &document, FlipAxis axis);
