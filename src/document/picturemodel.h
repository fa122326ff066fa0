#pragma once
// One picture as the drawing rules see it, apart from any widget: a stored picture, a bitmap that
// all drawing goes into (the picture "as drawn"), a background colour, an outer size that counts
// a border around the bitmap, and the pen (width, position) the drawing calls use. Every rule of
// a picture surface lives here once: what storing a picture clears, what the background colour
// erases, what a resize keeps, what erasing the drawing brings back. A view shows it
// (CanvasView); it tells what changed by signal.
//
// Cost model: pictures are shared, never copied (QImage implicit sharing). The bitmap is built
// only when something first reads or draws into it, and erasing the drawing restores only the
// rectangle drawn since the bitmap last equalled the stored picture. Whatever must write pixels
// that are shared gets its copy from the picture memory, never from a fresh detach.
//
// Out of memory: a write that needs a copy it cannot have is not made (the writer is handed a
// null picture, which every kernel leaves alone), a resize that needs a new bitmap leaves the
// model as it was, and outOfMemory tells whoever shows messages.
#include "document/drawnarea.h"
#include "imagelib/colour.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRect>

#include <optional>

class PictureModel : public QObject {
    Q_OBJECT
public:
    // `border` is the width of the frame around the bitmap that the outer size counts (2 for the
    // canvas and the snapshot); `outer` the outer size until a picture is stored.
    explicit PictureModel(int border = 0, QSize outer = QSize(), QObject *parent = nullptr);

    // The stored picture (may be null).
    QImage picture() const { return m_picture; }
    // Stores a picture: a non-null one sizes the model to it; the bitmap is cleared to the
    // background colour and the picture drawn at the top-left. Raises pictureChanged (and
    // resized when the size changed).
    void setPicture(const QImage &picture);
    // The same for a picture that has the stored picture's pixels outside `differsWithin`: a
    // bitmap that shows the stored picture has only those rectangles (and what was drawn) brought
    // back, instead of being rebuilt whole.
    void setPicture(const QImage &picture, const QList<QRect> &differsWithin);

    // The bitmap as drawn so far (Format_BGR888, inner size); null only when there is no memory to
    // build it.
    QImage image();
    // Brings the bitmap back to the stored picture (the background where the picture does not
    // reach): what was drawn since the picture was stored is gone.
    void eraseDrawing();

    Colour backgroundColour() const { return m_background; }
    // Erases everything drawn into the bitmap: it shows the new colour with the picture over it.
    void setBackgroundColour(Colour colour);

    int border() const { return m_border; }
    // The bitmap's size in pixels.
    QSize size() const { return m_inner; }
    // The size with the border on each side.
    QSize outerSize() const { return m_outer; }
    // Growing keeps the bitmap's pixels in place and fills new area with the background colour;
    // shrinking drops what lies beyond. Raises resized. Without memory for the new bitmap nothing
    // changes (outOfMemory is raised) and the call returns false.
    bool setOuterSize(QSize outer);

    // The pen: its width in pixels, and where the last line ended.
    int penWidth() const { return m_penWidth; }
    void setPenWidth(int width);
    QPointF penPosition() const { return m_penPosition; }
    // Drawing with the pen width into the bitmap; every line leaves the pen at its end. A line of
    // no length is a round dot of the pen width.
    void line(QPointF from, QPointF to, Colour colour);
    void lineTo(QPointF to, Colour colour);
    // The outline of a circle; nothing for a radius that is not positive.
    void circle(QPointF centre, double radius, Colour colour);

    // The colour of one bitmap pixel; nothing outside the bitmap.
    std::optional<Colour> pixel(int x, int y);

    // The stored picture to change in place (the pixel engine). The bitmap lets go of it first,
    // so the write copies only on account of other holders, and shares it again at the next read.
    QImage &pictureForWrite();
    // Raster access for the kernels: the bitmap ready to read, or to write a rectangle of it
    // (pixels of its own; null when they cannot be had). Whoever writes says where with markDrawn.
    const QImage &bitmapForRead();
    // `where`, when given, is where the write goes.
    QImage &bitmapForWrite(const QRect &where = QRect());
    // The bitmap for a kernel that rewrites it whole or not at all, and makes a picture of its own
    // (picture memory) before writing pixels that are shared, rather than copy them first.
    QImage &bitmapForRewrite();
    // A new bitmap of the inner size in Format_BGR888 covering the whole picture (a stretch);
    // anything else is ignored.
    void replaceBitmap(const QImage &bitmap);
    void markDrawn(const QRect &rect);
    // Where the bitmap may differ from the background and the stored picture: nothing has been
    // drawn elsewhere since it last showed exactly them.
    const DrawnArea &drawnArea() const { return m_drawn; }
    // What the last store changed: where the stored picture can differ from the one stored before
    // it (its base), as far as the model knows.
    const PictureChange &lastChange() const { return m_lastChange; }
    // Says that a write could not have the memory for a picture of this size.
    void reportOutOfMemory(QSize size);

signals:
    // The stored picture was written.
    void pictureChanged();
    void resized();
    // What the bitmap shows changed inside `rect` (bitmap pixels).
    void changed(const QRect &rect);
    // What the bitmap shows may have changed anywhere.
    void changedEverywhere();
    // A new stored picture replaced `before`, the picture the bitmap showed until then: whoever
    // keeps copies of what it shows finds what really changed by comparing the two, if worth it.
    void pictureReplaced(const QImage &before);
    // A picture of this size could not be had: the change that needed it was not made.
    void outOfMemory(QSize size);

private:
    // Stores a picture the bitmap is made anew from; `shownChanges`, when known, is where what the
    // bitmap showed differs from it.
    void replacePicture(const QImage &picture, const PictureChange &change, const QList<QRect> *shownChanges);
    bool resizeInner(QSize inner);
    bool ensureBitmap();
    bool rebuildBitmap();
    QImage &unwritable();
    void restoreRect(const QRect &rect);
    void restoreRects(const QList<QRect> &rects);
    // The pixels a pen stroke from a to b can reach, `extra` further still.
    QRect penBounds(QPointF a, QPointF b, double extra = 0) const;
    void markPath(const QList<QPointF> &path, double extra);
    // Paints inside the bounds, in the bitmap's own pixels; false when nothing could be painted.
    template <class Paint>
    bool drawWith(const QRect &bounds, Paint paint);
    bool covers(const QImage &picture) const;

    QImage m_picture;
    QImage m_image;
    QImage m_unwritable;       // what a write is handed when memory is short: always null
    bool m_bitmapStale = true; // the bitmap is due to be rebuilt as background + picture
    DrawnArea m_drawn;         // drawn since the bitmap last equalled background + picture
    PictureChange m_lastChange;
    Colour m_background = 0;
    int m_penWidth = 1;
    QPointF m_penPosition;
    int m_border = 0;
    QSize m_outer;
    QSize m_inner;
};
