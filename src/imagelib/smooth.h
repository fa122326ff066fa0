#pragma once
// The 3x3 mean: each channel of each output pixel is the integer sum of the nine pixels around
// it, with everything outside the picture counting as black, divided by 9 and truncated. Every
// output pixel comes from the values before smoothing.
#include <QImage>

// Computes rows [firstRow, endRow) of `after` from `before`, so a caller can yield to the event
// loop between bands. Both must be Format_BGR888 pictures of the same size; anything else leaves
// `after` alone. For banded work `before` must be a picture of its own: passing the same picture
// twice smooths from a copy of it, which is right only for a single whole-picture call.
void smoothRows(const QImage &before, QImage &after, int firstRow, int endRow);

// The whole picture, smoothed, as a new Format_BGR888 picture.
QImage smoothed(const QImage &picture);
