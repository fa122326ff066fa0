// The commit of an edit through the temp file (its yardstick is bmp-write-read).
#include "bench.h"

#include "app/mdiform1.h"
#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

#include <QTemporaryDir>

namespace {

class SilentPrompts : public Prompts {
public:
    PromptAnswer askYesNoCancel(QWidget *, const QString &, const QString &) override { return PromptAnswer::No; }
    void message(QWidget *, const QString &, const QString &, MessageIcon) override {}
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<Colour> chooseColour(QWidget *, Colour) override { return {}; }
};

double commitCase(const vpbench::Size &size)
{
    QTemporaryDir folder;
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    MDIForm1 main(std::make_unique<SilentPrompts>());
    Form1 *form = main.newDocument();
    form->Picture1->setPicture(vpbench::testPicture(size, PictureFormat));
    CommitPicture();
    int stroke = 0;
    const double ms = vpbench::medianMs(
        7, [] { CommitPicture(); },
        [&] {
            // A drawn picture: one new stroke before every commit.
            ++stroke;
            form->Picture1->setDrawWidth(9);
            form->Picture1->Line(QPointF(10, 10 + stroke * 12), QPointF(size.width - 10, 30 + stroke * 12),
                                 makeColour(255, stroke * 20, 0));
        });
    return ms;
}

} // namespace

VP_BENCH("commit", 10, commitCase)
