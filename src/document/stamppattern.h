#pragma once
// The stamp's pattern: a mask, black where the stamp prints and white where the picture shows
// through, and a face, the stamp's colours where it prints and black elsewhere; both
// Format_BGR888. Each document keeps its own.
#include <QImage>
#include <QSize>

struct StampPattern {
    QImage mask;
    QImage face;

    // A black disc on white and a yellow smiling face on black, both 62 x 65.
    static StampPattern defaultPattern();
    // The pattern's pictures are measured with the 2-pixel frame they were always kept in: the
    // stamp centres each by this size.
    static QSize framedSize(const QImage &picture);
};
