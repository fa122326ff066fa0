#include "session.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

namespace vpbench {

Session::Session(const Size &size, QImage picture, std::unique_ptr<Prompts> prompts)
{
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    main = std::make_unique<MainWindow>(prompts ? std::move(prompts) : std::make_unique<SilentPrompts>());
    main->show();
    doc = main->newDocument();
    doc->canvas->setPicture(picture.isNull() ? testPicture(size, PictureFormat) : picture);
    commitPicture(*doc);
}

Session::~Session()
{
    for (DocumentWindow *document : main->documents())
        document->parentWidget()->close();
    TempFile::finishWriting();
}

} // namespace vpbench
