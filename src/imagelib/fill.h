#pragma once
// The fill tool's kernel: a global colour replacement, not a flood fill.
#include "imagelib/colour.h"

#include <QImage>
#include <QRect>

// Every pixel whose colour is exactly `target` (all 32 bits) becomes `replacement`. A target
// that no pixel can hold (above 0xFFFFFF) changes nothing; a picture with no match is not
// even detached from pictures sharing its pixels, and one with a match gets its own pixels from
// the picture memory. Returns the bounding rectangle of the change. When those pixels cannot be
// had, nothing changes and `outOfMemory` (if given) is set.
QRect replaceColour(QImage &picture, Colour target, Colour replacement, bool *outOfMemory = nullptr);
