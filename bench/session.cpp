#include "session.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

namespace vpbench {

Session::Session(const Size &size, QImage picture, std::unique_ptr<Prompts> prompts)
{
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    main = std::make_unique<MDIForm1>(prompts ? std::move(prompts) : std::make_unique<SilentPrompts>());
    main->show();
    form = main->newDocument();
    form->Picture1->setPicture(picture.isNull() ? testPicture(size, PictureFormat) : picture);
    CommitPicture();
}

Session::~Session()
{
    for (Form1 *document : main->documents())
        document->parentWidget()->close();
    TempFile::finishWriting();
}

} // namespace vpbench
