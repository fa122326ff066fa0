#pragma once
// Memory for whole pictures, reused from one command to the next.
//
// Touching tens of megabytes of freshly mapped memory costs 20 to 30 ms at 12 MP here, more
// than most kernels and more than the disk. Large pictures therefore get a mapping of their
// own, and the mappings of pictures that are let go are kept in a pool (bounded in count and
// bytes) for the next picture of the same byte length: its pages are already there. (Transparent
// huge pages were tried: fast while the kernel has free huge pages, then five times slower than
// small pages once faults start compacting.) The pool is never emptied at exit, so that the
// process can end without unmapping it piece by piece.
//
// Whoever needs a whole picture allocates it here, and whoever must write a picture that shares
// its pixels copies it here, rather than let QImage detach into fresh memory.
#include <QImage>

// A picture of the given size and format with rows of Qt's usual layout (for Format_BGR888,
// the 24-bit BMP row layout); the padding at the end of each row is zero, the pixels are not
// initialised: every caller writes all of them before the picture is seen. Null when the memory
// cannot be had.
QImage newPicture(QSize size, QImage::Format format = QImage::Format_BGR888);

// A picture of its own with the same size, format, colour table and pixels. Null when the memory
// cannot be had (or the picture is null).
QImage copiedPicture(const QImage &picture);

// Makes `picture` hold pixels of its own, copying them when they are shared; false (the picture
// left as it was) when the memory cannot be had. A null picture needs nothing.
bool detachPicture(QImage &picture);

// Empties the pool (tests, and before large allocations elsewhere).
void releasePooledPictureMemory();

// While held, pictures let go are all kept in the pool, beyond its limits: a program on its way
// out need not unmap them one by one when the end of the process frees them all at once. Letting
// go of the hold brings the pool back within its limits.
void holdReleasedPictureMemory(bool hold);
