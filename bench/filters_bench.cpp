// The whole Smooth command on a document, with its yields, up to its "Done!" message (the
// peer of the smooth kernel's figure).
#include "bench.h"

#include "app/mdiform1.h"
#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

namespace {

// Answers nothing and notes when the message came.
class TimedPrompts : public Prompts {
public:
    QElapsedTimer clock;
    double messageMs = 0;
    PromptAnswer askYesNoCancel(QWidget *, const QString &, const QString &) override { return PromptAnswer::No; }
    void message(QWidget *, const QString &, const QString &, MessageIcon) override
    {
        messageMs = clock.nsecsElapsed() / 1e6;
    }
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<Colour> chooseColour(QWidget *, Colour) override { return {}; }
};

double smoothCommandCase(const vpbench::Size &size)
{
    QTemporaryDir folder;
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    auto owned = std::make_unique<TimedPrompts>();
    TimedPrompts *prompts = owned.get();
    MDIForm1 main(std::move(owned));
    main.show();
    Form1 *form = main.newDocument();
    std::vector<double> times;
    for (int run = 0; run < 4; ++run) {
        form->Picture1->setPicture(vpbench::testPicture(size, PictureFormat));
        CommitPicture();
        prompts->clock.start();
        main.mnuSmooth_Click();
        if (run > 0)
            times.push_back(prompts->messageMs);
    }
    // Documents close before the window goes (their prompts answer No).
    main.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

VP_BENCH("smooth-command", 44, smoothCommandCase)
