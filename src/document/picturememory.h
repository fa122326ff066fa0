#pragma once
// Fresh 24-bit pictures for the big whole-picture paths (reading a file, resampling).
//
// Touching tens of megabytes of freshly mapped memory costs about 30 ms at 12 MP here, more
// than most kernels. Large pictures therefore get a mapping of their own marked for
// transparent huge pages, and the mappings of pictures that are let go are kept in a small
// pool (a few, bounded in bytes) for the next picture of the same size: reading the temp
// file back at every commit then reuses the buffer the previous commit let go.
#include <QImage>

// A Format_BGR888 picture of the given size with rows of the 24-bit BMP layout; its pixels
// are not initialised. Null when the memory cannot be had.
QImage newPicture(QSize size);

// Empties the pool (tests, and before large allocations elsewhere).
void releasePooledPictureMemory();
