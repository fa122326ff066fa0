// The whole Smooth command on a document, with its yields, up to its "Done!" message (the
// peer of the smooth kernel's figure).
#include "session.h"

#include "document/documentwindow.h"
#include "document/document.h"
#include "document/tempfile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <vector>

namespace {

// Answers nothing and notes when the message came.
class TimedPrompts : public vpbench::SilentPrompts {
public:
    QElapsedTimer clock;
    double messageMs = 0;
    void message(QWidget *, const QString &, const QString &, MessageIcon) override
    {
        messageMs = clock.nsecsElapsed() / 1e6;
    }
};

double smoothCommandCase(const vpbench::Size &size)
{
    auto owned = std::make_unique<TimedPrompts>();
    TimedPrompts *prompts = owned.get();
    vpbench::Session session(size, {}, std::move(owned));
    MainWindow &main = *session.main;
    Document *doc = session.doc;
    std::vector<double> times;
    long faults = 0;
    const QImage picture = vpbench::testPicture(size, PictureFormat);
    for (int run = 0; run < 4; ++run) {
        doc->canvas().setPicture(picture);
        doc->commitPicture();
        const long faultsBefore = vpbench::minorFaults();
        prompts->clock.start();
        main.smooth();
        if (run > 0) {
            times.push_back(prompts->messageMs);
            faults += vpbench::minorFaults() - faultsBefore;
        }
    }
    vpbench::noteFaultsPerRun(double(faults) / double(times.size()));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

VP_BENCH("smooth-command", 44, smoothCommandCase)
