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

Session::Session(const Size &size, QImage picture, std::unique_ptr<Prompts> prompts)
{
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    // A history with its budget full, as after a long session: it lets go of a state for each
    // one it records, so that a case's runs show what a command costs from then on.
    HistoryBudget::setBytes(HistoryStates * qint64(bmp24FileSize(QSize(size.width, size.height))));
    main = std::make_unique<MainWindow>(prompts ? std::move(prompts) : std::make_unique<SilentPrompts>());
    main->show();
    doc = main->newDocument();
    // In the picture memory, as a picture read from a file is.
    doc->canvas->setPicture(copiedPicture(picture.isNull() ? testPicture(size, PictureFormat) : picture));
    commitPicture(*doc);
    // States of a few earlier edits fill the history's budget; the picture ends as given.
    const Colour corner = GetPixel(doc->canvas->dc(), 0, 0);
    for (int state = 1; state <= HistoryStates; ++state) {
        SetPixelV(doc->canvas->dc(), 0, 0, state == HistoryStates ? corner : corner ^ Colour(state));
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
