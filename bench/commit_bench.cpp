// The commit of an edit through the temp file: the interface thread's part (`commit-ui`), and
// the whole of it until the file holds the picture (`commit`, whose yardstick is
// bmp-write-read).
#include "session.h"

#include "document/documentwindow.h"
#include "document/document.h"
#include "document/tempfile.h"

namespace {

double commitCase(const vpbench::Size &size, bool untilWritten)
{
    vpbench::Session session(size);
    Document *doc = session.doc;
    int stroke = 0;
    return vpbench::medianMs(
        7,
        [&] {
            doc->commitPicture();
            if (untilWritten)
                session.main->tempFile().finishWriting();
        },
        [&] {
            // The previous commit written, then one new stroke across the middle of the picture,
            // as a user's strokes come. (Where the stroke lies matters: the history compares the
            // new state with the last from the top down to the first difference.)
            session.main->tempFile().finishWriting();
            ++stroke;
            const double y = size.height / 2.0 + stroke * 12;
            doc->canvas().setPenWidth(9);
            doc->canvas().line(QPointF(10, y), QPointF(size.width - 10, y + 20), makeColour(255, stroke * 20, 0));
        });
}

} // namespace

VP_BENCH("commit", 10, [](const vpbench::Size &size) { return commitCase(size, true); })
VP_BENCH("commit-ui", 11, [](const vpbench::Size &size) { return commitCase(size, false); })
