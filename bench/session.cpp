#include "session.h"

#include "document/documentwindow.h"
#include "document/document.h"
#include "document/history.h"
#include "document/tempfile.h"
#include "imagelib/bmp.h"
#include "imagelib/picturememory.h"
#include "imagelib/raster.h"
#include "tools/strokeframe.h"

namespace vpbench {

Session::Session(const Size &size, QImage picture, std::unique_ptr<Prompts> prompts, StartingHistory history)
{
    main = std::make_unique<MainWindow>(prompts ? std::move(prompts) : std::make_unique<SilentPrompts>(),
                                        std::make_unique<TempFile>(folder.path(), folder.path() + QStringLiteral("/fallback")));
    // The history's budget: a few states of the whole picture.
    main->historyBudget().setBytes(HistoryStates * qint64(bmp24FileSize(QSize(size.width, size.height))));
    main->show();
    window = main->newDocument();
    doc = &window->document();
    strokes = window->findChild<StrokeFrame *>();
    // In the picture memory, as a picture read from a file is.
    const QImage given = picture.isNull() ? testPicture(size, PictureFormat) : picture;
    doc->canvas().setPicture(copiedPicture(given));
    doc->commitPicture();
    // Earlier edits, each a state; the picture ends as given.
    for (int state = 1; state <= HistoryStates; ++state) {
        if (history == StartingHistory::WithRoom) {
            // One pixel: the history keeps a tile of it.
            PictureModel &canvas = doc->canvas();
            const Colour corner = canvas.pixel(0, 0).value_or(0);
            setPixelAt(canvas.bitmapForWrite(), 0, 0, state == HistoryStates ? corner : corner ^ Colour(state));
            canvas.markDrawn(QRect(0, 0, 1, 1));
        } else {
            // Every pixel: the history keeps a whole picture.
            QImage edited = copiedPicture(given);
            if (state < HistoryStates) {
                const qsizetype rowBytes = (qsizetype(edited.width()) * edited.depth() + 7) / 8;
                for (int y = 0; y < edited.height(); ++y) {
                    uchar *row = edited.scanLine(y);
                    for (qsizetype i = 0; i < rowBytes; ++i)
                        row[i] ^= uchar(state);
                }
            }
            doc->canvas().setPicture(edited);
        }
        doc->commitPicture();
    }
    main->tempFile().finishWriting();
}

Session::~Session()
{
    for (DocumentWindow *document : main->documents())
        document->parentWidget()->close();
    main->tempFile().finishWriting();
}

} // namespace vpbench
