#include "session.h"

#include "document/commit.h"
#include "document/dc.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/history.h"
#include "document/tempfile.h"
#include "imagelib/bmp.h"
#include "imagelib/picturememory.h"

namespace vpbench {

Session::Session(const Size &size, QImage picture, std::unique_ptr<Prompts> prompts, StartingHistory history)
{
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    // The history's budget: a few states of the whole picture.
    HistoryBudget::setBytes(HistoryStates * qint64(bmp24FileSize(QSize(size.width, size.height))));
    main = std::make_unique<MainWindow>(prompts ? std::move(prompts) : std::make_unique<SilentPrompts>());
    main->show();
    doc = main->newDocument();
    // In the picture memory, as a picture read from a file is.
    const QImage given = picture.isNull() ? testPicture(size, PictureFormat) : picture;
    doc->canvas->setPicture(copiedPicture(given));
    commitPicture(*doc);
    // Earlier edits, each a state; the picture ends as given.
    for (int state = 1; state <= HistoryStates; ++state) {
        if (history == StartingHistory::WithRoom) {
            // One pixel: the history keeps a tile of it.
            const Colour corner = GetPixel(doc->canvas->dc(), 0, 0);
            SetPixelV(doc->canvas->dc(), 0, 0, state == HistoryStates ? corner : corner ^ Colour(state));
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
            doc->canvas->setPicture(edited);
        }
        commitPicture(*doc);
    }
    TempFile::finishWriting();
}

Session::~Session()
{
    for (DocumentWindow *document : main->documents())
        document->parentWidget()->close();
    TempFile::finishWriting();
    HistoryBudget::setBytes(0);
}

} // namespace vpbench
