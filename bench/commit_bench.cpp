// The commit of an edit through the temp file (its yardstick is bmp-write-read).
#include "session.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"

namespace {

double commitCase(const vpbench::Size &size)
{
    vpbench::Session session(size);
    DocumentWindow *doc = session.doc;
    int stroke = 0;
    const double ms = vpbench::medianMs(
        7, [&] { commitPicture(*doc); },
        [&] {
            // A drawn picture: one new stroke before every commit.
            ++stroke;
            doc->canvas->setDrawWidth(9);
            doc->canvas->line(QPointF(10, 10 + stroke * 12), QPointF(size.width - 10, 30 + stroke * 12),
                                 makeColour(255, stroke * 20, 0));
        });
    return ms;
}

} // namespace

VP_BENCH("commit", 10, commitCase)
