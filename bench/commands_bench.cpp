// Whole-picture commands on a document as the menus run them (the kernels' figures are in
// raster_bench and adjust_bench): what they cost beyond the kernel is mostly memory, which the
// faults lines show.
#include "session.h"

#include "document/documentwindow.h"
#include "document/document.h"
#include "filters/flip.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"

#include <QApplication>
#include <QLineEdit>

namespace {

int repsFor(const vpbench::Size &s)
{
    return s.megapixels() > 20 ? 5 : s.megapixels() > 2 ? 7 : 15;
}

// Deletes the dialogs closed by the last run, as the event loop would between two commands.
void settle()
{
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

double flipCommand(const vpbench::Size &size)
{
    vpbench::Session session(size);
    int run = 0;
    return vpbench::medianMs(repsFor(size), [&] {
        flipPicture(*session.doc, ++run % 2 ? FlipAxis::Horizontal : FlipAxis::Vertical);
    });
}

double rotateCommand(const vpbench::Size &size)
{
    vpbench::Session session(size);
    MainWindow &main = *session.main;
    return vpbench::medianMs(
        repsFor(size),
        [&] {
            main.rotate();
            main.rotateDialog->angleBox->setText(QStringLiteral("30"));
            main.rotateDialog->ok();
        },
        settle);
}

// Size, OK: the picture stretched to 0.7 of its size (timed), then back (untimed).
double resizeCommand(const vpbench::Size &size)
{
    vpbench::Session session(size);
    MainWindow &main = *session.main;
    const auto sizeTo = [&main](int width, int height) {
        const int border = 4;
        main.sizePicture();
        main.sizeDialog->widthBox->setText(QString::number(width + border));
        main.sizeDialog->heightBox->setText(QString::number(height + border));
        main.sizeDialog->ok();
        settle();
    };
    return vpbench::medianMs(
        repsFor(size), [&] { sizeTo(size.width * 7 / 10, size.height * 7 / 10); },
        [&] { sizeTo(size.width, size.height); });
}

} // namespace

VP_BENCH("flip-command", 45, flipCommand)
VP_BENCH("rotate-command", 46, rotateCommand)
VP_BENCH("resize-command", 47, resizeCommand)
