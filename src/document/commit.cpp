#include "document/commit.h"

#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/tempfile.h"

void CommitPicture()
{
    Host *host = Host::current();
    Form1 *form = host ? host->ActiveForm() : nullptr;
    if (!form)
        return;
    PictureBox *canvas = form->Picture1;
    canvas->setPicture(canvas->Image());
    TempFile::write(canvas->Picture());
    LoadedPicture back = TempFile::read();
    if (!back.ok()) {
        // The temp file could be neither written nor read back: keep the edit as drawn rather
        // than lose it; the bitmap already has the layout a read-back picture would have.
        back.picture = canvas->Image();
    }
    canvas->setPicture(back.picture);
    LoadedPicture snapshot = TempFile::read();
    form->Picture2->setPicture(snapshot.ok() ? snapshot.picture : back.picture);
    form->pictureCommitted();
}
