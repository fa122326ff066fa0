// The commit of an edit through the temp file (its yardstick is bmp-write-read).
#include "session.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"

namespace {

double commitCase(const vpbench::Size &size)
{
    vpbench::Session session(size);
    Form1 *form = session.form;
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
