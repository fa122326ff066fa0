// Undo and Redo on a document with a few committed strokes: the canvas takes the stored state
// and shows it (its bitmap rebuilt), the info text follows; the temp file is written behind.
#include "session.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tempfile.h"


namespace {

enum class Step { Undo, Redo };

double historyCase(const vpbench::Size &size, Step step)
{
    vpbench::Session session(size);
    DocumentWindow *doc = session.doc;
    doc->canvas->setDrawWidth(9);
    for (int stroke = 1; stroke <= 3; ++stroke) {
        doc->canvas->line(QPointF(10, 10 + stroke * 12), QPointF(size.width - 10, 30 + stroke * 12),
                             makeColour(255, stroke * 20, 0));
        commitPicture(*doc);
    }
    // Each timed step starts with the temp file settled, as after a pause between two key presses.
    auto undo = [doc] {
        doc->undo();
        doc->canvas->image();
    };
    auto redo = [doc] {
        doc->redo();
        doc->canvas->image();
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
