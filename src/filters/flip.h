#pragma once
// Flip Horizontal and Flip Vertical: the picture as drawn is mirrored into the canvas with one
// mirrored transfer from the snapshot; the snapshot then holds the flipped picture. Nothing is
// committed, so erasing the drawing still brings back the picture as last committed.
class Document;

enum class FlipAxis { Horizontal, Vertical };

void flipPicture(Document &document, FlipAxis axis);
