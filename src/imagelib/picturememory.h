#pragma once
// Fresh 24-bit pictures for the big whole-picture paths (reading a file, resampling).
//
// Touching tens of megabytes of freshly mapped memory costs 20 to 30 ms at 12 MP here, more
// than most kernels. Large pictures therefore get a mapping of their own, and the mappings of
// pictures that are let go are kept in a small pool (a few, bounded in bytes) for the next
// picture of the same size. (Transparent huge pages were tried: fast while the kernel has
// free huge pages, then five times slower than small pages once faults start compacting.)
#include <QImage>

// A Format_BGR888 picture of the given size with rows of the 24-bit BMP layout; the padding at
// the end of each row is zero, the pixels are not initialised: every caller writes all of them
// before the picture is seen. Null when the memory cannot be had.
QImage newPicture(QSize size);

// Empties the pool (tests, and before large allocations elsewhere).
void releasePooledPictureMemory();
