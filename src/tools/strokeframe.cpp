#include "tools/strokeframe.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "tools/palette.h"

void attachCanvasTools(Form1 *form, Palette *palette)
{
    Q_UNUSED(palette);
    QObject::connect(form->Picture1, &PictureBox::MouseUp, form, [form] {
        CommitPicture();
        form->stroke.Drawing = false;
    });
}
