#pragma once
// Memory for whole pictures, reused from one command to the next, and shared between pictures
// until one of them is written.
//
// Touching tens of megabytes of freshly mapped memory costs 20 to 30 ms at 12 MP here, more
// than most kernels and more than the disk. Large pictures therefore get a mapping of their
// own, and the mappings of pictures that are let go are kept in a pool (bounded in count and
// bytes) for the next picture of the same byte length: its pages are already there. (Transparent
// huge pages were tried: fast while the kernel has free huge pages, then five times slower than
// small pages once faults start compacting.) The pool is never emptied at exit, so that the
// process can end without unmapping it piece by piece.
//
// Copying a whole picture before its first write costs seconds of page faults on the largest
// one, so a large picture lives in a file in memory (a memfd), mapped shared: its owner mapping.
// A picture that shares those pixels and is about to be written becomes a private mapping of the
// same file (a clone), at no cost: the kernel copies a page only when it is first written. From
// then on the owner is frozen: its file must not change while a clone reads it. A
// clone that is itself shared becomes a new clone plus a copy of the pages it has written, or,
// once those are many, a picture of its own again with a whole copy, so that a long session does
// not copy more and more pages at every write. Where the platform lacks any of this, pictures
// are copied whole, as before.
//
// The rule that makes this sound: whoever writes a picture's pixels calls detachPicture on that
// picture first (or writes in place only where writableInPlace says so), then writes through
// that QImage and no copy of it made before. QImage::isDetached() is no longer enough: a frozen
// owner may be the only QImage holding its pixels and still be read by its clones, and writing
// it in place changes what they show (in builds with assertions its mapping is read-only, and
// such a write ends the program with a segmentation fault). Qt's own copy on write of a shared
// QImage still works, but copies the whole picture into fresh memory.
//
// Whoever needs a whole picture allocates it here, and whoever must write a picture that shares
// its pixels detaches it here, rather than let QImage detach into fresh memory.
#include <QImage>
#include <QList>
#include <QRect>

// A picture of the given size and format with rows of Qt's usual layout (for Format_BGR888,
// the 24-bit BMP row layout); the padding at the end of each row is zero, the pixels are not
// initialised: every caller writes all of them before the picture is seen. Null when the memory
// cannot be had.
QImage newPicture(QSize size, QImage::Format format = QImage::Format_BGR888);

// A picture of its own with the same size, format, colour table and pixels: writing either one
// (after detachPicture) leaves the other as it is. It may share unwritten pages with `picture`
// underneath. Null when the memory cannot be had (or the picture is null).
QImage copiedPicture(const QImage &picture);

// Makes `picture` writable in place without reaching any other picture: a clone when its pixels
// are shared or frozen, a copy when they cannot be cloned, and left as it is when they are its
// own already. False (the picture left as it was) when the memory cannot be had. A null picture
// needs nothing. Call it before every write, on the QImage that is then written.
bool detachPicture(QImage &picture);

// The same, for a writer that knows where it will write (picture coordinates): where that is much
// of the picture, a picture that shares its pixels, and a clone even of its own, is copied whole
// into reused memory, which costs less than the page faults of writing that much of a clone. A
// command that rewrites most of the picture should say so here.
bool detachPicture(QImage &picture, const QList<QRect> &written);

// Whether detachPicture(picture, written) would make a clone of a picture that needs copying,
// rather than a whole copy: for a writer with a cheaper way of its own to write into a copy.
bool detachClones(const QImage &picture, const QList<QRect> &written);

// True when writing the picture's pixels in place reaches no other picture (what detachPicture
// would leave as it is): for a writer that writes into a picture of its own when this is false.
bool writableInPlace(const QImage &picture);

// For a reader about to fill a picture newPicture has just given: the descriptor of the file in
// memory that holds its pixels (the picture's bytes at the same offsets), when the picture's
// memory is fresh and writing that file is the cheaper way to fill it; else -1. Valid while the
// picture lives.
int freshPictureFile(const QImage &picture);

// Empties the pool (tests, and before large allocations elsewhere).
void releasePooledPictureMemory();

// While held, pictures let go are all kept in the pool, beyond its limits: a program on its way
// out need not unmap them one by one when the end of the process frees them all at once. Letting
// go of the hold brings the pool back within its limits.
void holdReleasedPictureMemory(bool hold);

// For tests and the benchmark: which memory a picture's pixels are in.
enum class PictureMemoryKind {
    Other,       // Qt's heap, or memory a caller gave QImage
    Anonymous,   // a mapping of its own, copied whole
    Owner,       // the shared mapping of a file in memory
    FrozenOwner, // the same, not to be written in place since it was cloned
    Clone,       // a private mapping of an owner's file
};
PictureMemoryKind pictureMemoryKind(const QImage &picture);

// For tests: how new pictures are kept, as on a platform that lacks what copy on write needs.
// Pictures made before a change keep their memory. Automatic is copy on write where the platform
// allows it, except under AddressSanitizer, which watches pictures on the heap only.
enum class PictureMemoryMode {
    Automatic,
    CopyOnWrite,
    CopyOnWriteWithoutPageMap, // as if the kernel would not say which pages a clone has written
    WholeCopies,               // mappings of their own, copied whole
};
void setPictureMemoryMode(PictureMemoryMode mode);
