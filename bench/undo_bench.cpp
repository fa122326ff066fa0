// The undo history. Undo and Redo on a document with a few committed strokes: the canvas takes
// the stored state and shows it (only the tiles that differ brought back), the info text
// follows; the temp file is written behind. Then a step further back, where the state is
// rebuilt from its tiles; a step over a whole-picture change (yardstick: copying the picture
// once); what a commit adds to record a stroke; and how many of 300 strokes the default budget
// keeps (a count, not milliseconds).
#include "session.h"

#include "app/mainwindow.h"
#include "document/documentwindow.h"
#include "document/history.h"
#include "document/document.h"
#include "document/tempfile.h"
#include "imagelib/picturememory.h"

#include <cstdio>
#include <cstring>

namespace {

enum class Step { Undo, Redo };

const std::vector<vpbench::Size> StepSizes = {{1000, 1000}, {4000, 3000}, vpbench::FortyEightMegapixels};
const std::vector<vpbench::Size> DepthSizes = {{4000, 3000}, vpbench::FortyEightMegapixels, vpbench::hundredMegapixels()};

// A pencil stroke of width 9 across the picture, a little slanted.
void drawStroke(Document &doc, const vpbench::Size &size, int stroke)
{
    doc.canvas().setPenWidth(9);
    doc.canvas().line(QPointF(10, 10 + stroke * 12), QPointF(size.width - 10, 30 + stroke * 12),
                     makeColour(255, stroke * 20 % 256, 0));
}

void undoShown(Document *doc)
{
    doc->undo();
    doc->canvas().image();
}

void redoShown(Document *doc)
{
    doc->redo();
    doc->canvas().image();
}

// One step to and fro over the last edit: the state just left keeps its picture at hand.
double alternatingSteps(vpbench::Session &session, Step step)
{
    Document *doc = session.doc;
    // Each timed step starts with the temp file settled, as after a pause between two key presses.
    const double ms = step == Step::Undo ? vpbench::medianMs(
                                               9, [doc] { undoShown(doc); },
                                               [doc, &session] {
                                                   redoShown(doc);
                                                   session.main->tempFile().finishWriting();
                                               })
                                         : vpbench::medianMs(
                                               9, [doc] { redoShown(doc); },
                                               [doc, &session] {
                                                   undoShown(doc);
                                                   session.main->tempFile().finishWriting();
                                               });
    session.main->tempFile().finishWriting();
    return ms;
}

double strokeStep(const vpbench::Size &size, Step step)
{
    vpbench::Session session(size, {}, nullptr, vpbench::StartingHistory::WithRoom);
    for (int stroke = 1; stroke <= 3; ++stroke) {
        drawStroke(*session.doc, size, stroke);
        session.doc->commitPicture();
    }
    return alternatingSteps(session, step);
}

// Steps on in one direction: after the first (the warm-up), each state is rebuilt from the
// current picture and its tiles.
double furtherStrokeStep(const vpbench::Size &size, Step step)
{
    vpbench::Session session(size);
    Document *doc = session.doc;
    for (int stroke = 1; stroke <= 12; ++stroke) {
        drawStroke(*doc, size, stroke);
        doc->commitPicture();
    }
    if (step == Step::Redo) {
        for (int i = 0; i < 10; ++i)
            undoShown(doc);
    }
    session.main->tempFile().finishWriting();
    const double ms = vpbench::medianMs(
        9, [doc, step] { step == Step::Undo ? undoShown(doc) : redoShown(doc); }, [&session] { session.main->tempFile().finishWriting(); });
    session.main->tempFile().finishWriting();
    return ms;
}

double wholeStep(const vpbench::Size &size, Step step)
{
    vpbench::Session session(size);
    session.main->flipHorizontal();
    session.doc->commitPicture();
    // The canvas draws into a bitmap of its own once a tool has drawn a preview: each step then
    // copies the state into it, rather than sharing it until the next stroke copies it.
    session.doc->canvas().line(QPointF(5, 5), QPointF(5, 5), 0);
    session.doc->canvas().eraseDrawing();
    return alternatingSteps(session, step);
}

// The yardstick of a whole-picture step: every byte of the picture copied once, into memory
// already in use (as the canvas's bitmap is).
double copyPicture(const vpbench::Size &size)
{
    const QImage picture = vpbench::testPicture(size, PictureFormat);
    QImage copy = newPicture(picture.size());
    std::memset(copy.bits(), 0, size_t(copy.sizeInBytes()));
    return vpbench::medianMs(9, [&] {
        std::memcpy(copy.bits(), picture.constBits(), size_t(picture.sizeInBytes()));
    });
}

// What a commit adds to record a stroke: everything before its last step runs untimed, as the
// commit does it (the canvas stores its bitmap, then the same pixels read back into picture
// memory of their own).
double recordStroke(const vpbench::Size &size)
{
    vpbench::Session session(size);
    Document *doc = session.doc;
    PictureModel *canvas = &doc->canvas();
    int stroke = 0;
    PictureChange drawn;
    const double ms = vpbench::medianMs(
        9, [&] { doc->recordState(drawn); },
        [&] {
            drawStroke(*doc, size, ++stroke);
            drawn = PictureChange{canvas->picture().cacheKey(), canvas->drawnArea().rects()};
            const QImage bitmap = canvas->image();
            QImage readBack = newPicture(bitmap.size());
            std::memcpy(readBack.bits(), bitmap.constBits(), size_t(bitmap.sizeInBytes()));
            canvas->setPicture(readBack);
            session.main->tempFile().finishWriting();
        });
    session.main->tempFile().finishWriting();
    return ms;
}

// Commits 300 strokes of width 9 straight across the picture, each at another height, and
// undoes as many as the default budget kept. The count, unless the picture undone to is not
// the one the strokes were drawn on.
double historyDepth(const vpbench::Size &size)
{
    vpbench::Session session(size);
    session.main->historyBudget().setBytes(0);
    Document *doc = session.doc;
    const QImage start = doc->canvas().picture();
    constexpr int Strokes = 300;
    doc->canvas().setPenWidth(9);
    for (int stroke = 0; stroke < Strokes; ++stroke) {
        const int y = 10 + stroke * (size.height - 20) / Strokes;
        doc->canvas().line(QPointF(10, y), QPointF(size.width - 10, y), makeColour(stroke % 256, 255 - stroke % 256, 0));
        doc->commitPicture();
    }
    int undone = 0;
    while (undone < Strokes && doc->history().undoList.size() > 1) {
        doc->undo();
        ++undone;
    }
    session.main->tempFile().finishWriting();
    if (undone == Strokes && doc->canvas().picture() != start) {
        std::fprintf(stderr, "history-depth: undoing every stroke did not give back the picture\n");
        return 0;
    }
    return undone;
}

} // namespace

VP_BENCH_AT("undo", 12, StepSizes, [](const vpbench::Size &size) { return strokeStep(size, Step::Undo); })
VP_BENCH_AT("redo", 13, StepSizes, [](const vpbench::Size &size) { return strokeStep(size, Step::Redo); })
VP_BENCH_AT("undo-far", 14, StepSizes, [](const vpbench::Size &size) { return furtherStrokeStep(size, Step::Undo); })
VP_BENCH_AT("redo-far", 15, StepSizes, [](const vpbench::Size &size) { return furtherStrokeStep(size, Step::Redo); })
VP_BENCH_AT("undo-whole", 16, StepSizes, [](const vpbench::Size &size) { return wholeStep(size, Step::Undo); })
VP_BENCH_AT("redo-whole", 17, StepSizes, [](const vpbench::Size &size) { return wholeStep(size, Step::Redo); })
VP_BENCH_AT("copy-picture", 18, StepSizes, copyPicture)
VP_BENCH_AT("record", 19, StepSizes, recordStroke)
VP_BENCH_AT("history-depth", 20, DepthSizes, historyDepth)
