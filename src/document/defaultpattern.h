#pragma once
// The stamp pattern every document window starts with: a black disc on white (mask) and a
// yellow smiling face on black (face), both 62 x 65 and 24-bit (PictureFormat).
#include <QImage>

QImage defaultPatternMask();
QImage defaultPatternFace();
