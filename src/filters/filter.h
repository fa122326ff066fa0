#pragma once
// The whole-picture operations of the Filter module, on the active document's surfaces.
class Form1;
class PictureBox;

// Smooths the canvas of `form` with the 3 x 3 mean (caption, message and yields included).
bool SmoothPicture(Form1 *form);

// Stretches the canvas's stored picture onto a canvas of the new outer size (twips) and commits.
void ResizePicture(PictureBox *canvas, PictureBox *snapshot, double widthTwips, double heightTwips);
