#include "document/commit.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"

void commitPicture(DocumentWindow &document)
{
    PictureBox *canvas = document.canvas;
    const QImage drawn = canvas->image();
    // Without memory for its bitmap the canvas has nothing new to commit, and its stored picture
    // is not to be given up for nothing (the user is told).
    if (drawn.isNull())
        return;
    // The edit can differ from the stored picture only where the canvas was drawn on since: the
    // history need compare no more than that.
    const PictureChange change{canvas->picture().cacheKey(), canvas->drawnRect()};
    // The canvas's change hands the picture to the temp file's writer, which writes it in the
    // background while the user goes on.
    canvas->setPicture(drawn);
    // The file holds exactly the bytes written, so the picture it reads back as is this one: the
    // canvas and the snapshot share it rather than wait for the disk and decode it twice. Should
    // the write fail everywhere, this is the edit kept as drawn. Storing it again raises the
    // canvas's change once more, as a read-back would; the writer has it already.
    const QImage committed = canvas->picture();
    canvas->setPicture(committed);
    document.snapshot->setPicture(committed);
    document.pictureCommitted(change);
}
