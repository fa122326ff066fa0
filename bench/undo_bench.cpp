// Undo and Redo on a document with a few committed strokes: the canvas takes the stored state
// and shows it (its bitmap rebuilt), the info text follows; the temp file is written behind.
#include "session.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tempfile.h"


namespace {

enum class Step { Undo, Redo };

double historyCase(const vpbench::Size &size, Step step)
{
    vpbench::Session session(size);
    Form1 *form = session.form;
    form->Picture1->setDrawWidth(9);
    for (int stroke = 1; stroke <= 3; ++stroke) {
        form->Picture1->Line(QPointF(10, 10 + stroke * 12), QPointF(size.width - 10, 30 + stroke * 12),
                             makeColour(255, stroke * 20, 0));
        CommitPicture();
    }
    // Each timed step starts with the temp file settled, as after a pause between two key presses.
    auto undo = [form] {
        form->Undo();
        form->Picture1->Image();
    };
    auto redo = [form] {
        form->Redo();
        form->Picture1->Image();
    };
    const double ms = step == Step::Undo ? vpbench::medianMs(
                                               9, undo,
                                               [&] {
                                                   redo();
                                                   TempFile::finishWriting();
                                               })
                                         : vpbench::medianMs(
                                               9, redo,
                                               [&] {
                                                   undo();
                                                   TempFile::finishWriting();
                                               });
    TempFile::finishWriting();
    return ms;
}

} // namespace

VP_BENCH("undo", 12, [](const vpbench::Size &size) { return historyCase(size, Step::Undo); })
VP_BENCH("redo", 13, [](const vpbench::Size &size) { return historyCase(size, Step::Redo); })
