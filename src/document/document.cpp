#include "document/document.h"

#include "document/tempfile.h"
#include "imagelib/bmp.h"

#include <cmath>

namespace {

// A new document's canvas: 250 x 250 pixels with its border, a bitmap of 246 x 246.
constexpr QSize NewCanvasSize(250, 250);
// The snapshot's size until the first picture is stored in it; nothing reads it before then.
constexpr QSize NewSnapshotSize(324, 324);

} // namespace

Document::Document(TempFile &tempFile, HistoryBudget &budget, QObject *parent)
    : QObject(parent), m_tempFile(tempFile), m_canvas(CanvasBorder, NewCanvasSize),
      m_snapshot(CanvasBorder, NewSnapshotSize), m_pattern(StampPattern::defaultPattern()), m_history(budget),
      m_caption(QStringLiteral("Untitled"))
{
    connect(&m_canvas, &PictureModel::pictureChanged, this, &Document::canvasPictureChanged);
    // Told once the command that ran short has finished, never from inside a kernel.
    for (PictureModel *model : {&m_canvas, &m_snapshot})
        connect(model, &PictureModel::outOfMemory, this, &Document::memoryShort, Qt::QueuedConnection);
}

void Document::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    emit captionChanged(caption);
}

void Document::open()
{
    m_historyReady = true;
    m_open = true;
    // The first state is the canvas as it shows now: a new document has no stored picture yet.
    m_history.recordPicture(m_canvas.picture().isNull() ? m_canvas.image() : m_canvas.picture());
    emit undoStateChanged();
}

void Document::close()
{
    m_historyReady = false;
    m_open = false;
    m_history.discardHistory();
    emit undoStateChanged();
}

void Document::commitPicture()
{
    const QImage drawn = m_canvas.image();
    // Without memory for its bitmap the canvas has nothing new to commit, and its stored picture
    // is not to be given up for nothing (the user is told).
    if (drawn.isNull())
        return;
    // The canvas's change hands the picture to the temp file's writer, which writes it in the
    // background while the user goes on.
    m_canvas.setPicture(drawn);
    // The edit can differ from the stored picture only where the canvas was drawn on since: the
    // history need compare no more than that.
    const PictureChange change = m_canvas.lastChange();
    // The file holds exactly the bytes written, so the picture it reads back as is this one: the
    // canvas and the snapshot share it rather than wait for the disk and decode it twice. Should
    // the write fail everywhere, this is the edit kept as drawn. Storing it in the canvas a second
    // time is intended: the commit has always stored it twice, and each store is a change of the
    // canvas's picture that the picture info follows.
    const QImage committed = m_canvas.picture();
    m_canvas.setPicture(committed);
    m_snapshot.setPicture(committed);
    recordState(change);
    emit this->committed();
}

void Document::recordState(const PictureChange &change)
{
    m_history.recordPicture(m_canvas.picture(), change);
    // Keeping within the budget may have dropped states of other documents as well: they say so
    // as this one does, and whoever shows the active document's state reads it again.
    emit undoStateChanged();
}

bool Document::canUndo() const
{
    return m_history.undoList.size() > 1;
}

bool Document::canRedo() const
{
    return !m_history.redoList.isEmpty();
}

void Document::undo()
{
    stepThroughHistory(true);
}

void Document::redo()
{
    stepThroughHistory(false);
}

void Document::stepThroughHistory(bool back)
{
    if ((back ? canUndo() : canRedo()) && m_historyReady) {
        m_historyReady = false;
        showState(back ? m_history.stepBack() : m_history.stepForward());
        m_historyReady = true;
    }
    emit undoStateChanged();
}

void Document::showState(const HistoryStep &step)
{
    if (step.picture.isNull())
        return;
    // A step between two states a few tiles apart brings back only those tiles into the canvas,
    // as long as the canvas still stores the picture the step started from.
    if (!step.anywhere && m_canvas.picture().cacheKey() == step.from)
        m_canvas.setPicture(step.picture, step.changed);
    else
        m_canvas.setPicture(step.picture);
}

void Document::canvasPictureChanged()
{
    // The temp file and the info text follow the canvas's stored picture. The file is written in
    // the background, so that Undo and Redo do not wait for it; its size is known beforehand.
    const QImage picture = m_canvas.picture();
    m_tempFile.writeLater(picture, m_canvas.lastChange());
    const qint64 bytes = picture.isNull() ? 0 : qint64(bmp24FileSize(picture.size()));
    const QSize outer = m_canvas.outerSize();
    m_pictureInfo = pictureInfoText(float(outer.width()), float(outer.height()), bytes);
    emit pictureInfoChanged(m_pictureInfo);
}

QString Document::pictureInfoText(float width, float height, qint64 fileBytes)
{
    // Counted in 64 bits: a picture of eleven million pixels or more has a temp file of 32 MB and up.
    const qint64 kB = qint64(std::nearbyint(double(fileBytes) / 1024.0));
    return QStringLiteral("%1x%2 %3kB").arg(double(width)).arg(double(height)).arg(kB);
}

void Document::memoryShort(QSize size)
{
    // One message for a command, however many writes it could not make.
    if (m_memoryShortTold)
        return;
    m_memoryShortTold = true;
    QMetaObject::invokeMethod(this, [this] { m_memoryShortTold = false; }, Qt::QueuedConnection);
    if (m_open)
        emit outOfMemory(size);
}
