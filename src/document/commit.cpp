#include "document/commit.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

void commitPicture(DocumentWindow &document)
{
    PictureBox *canvas = document.canvas;
    // The edit can differ from the stored picture only where the canvas was drawn on since: the
    // history need compare no more than that.
    const PictureChange drawn{canvas->picture().cacheKey(), canvas->drawnRect()};
    canvas->setPicture(canvas->image());
    TempFile::write(canvas->picture());
    LoadedPicture back = TempFile::read();
    if (!back.ok()) {
        // The temp file could be neither written nor read back: keep the edit as drawn rather
        // than lose it; the bitmap already has the layout a read-back picture would have.
        back.picture = canvas->image();
    }
    canvas->setPicture(back.picture);
    LoadedPicture snapshot = TempFile::read();
    document.snapshot->setPicture(snapshot.ok() ? snapshot.picture : back.picture);
    document.pictureCommitted(drawn);
}
