// Smooth, Rotate and the flips.
#include "app/mdiform1.h"

#include "document/commit.h"
#include "document/picturebox.h"
#include "filters/filter.h"
#include "filters/flip.h"
#include "filters/frmrotate.h"

void MDIForm1::mnuSmooth_Click()
{
    QPointer<Form1> form = ActiveForm();
    if (!form)
        return;
    // False when the document was closed while the filter ran: there is nothing left to commit.
    if (!SmoothPicture(form))
        return;
    // CommitPicture works on the active document; it must be the one just smoothed.
    activate(form);
    form->Picture1->Refresh();
    CommitPicture();
}

void MDIForm1::mnuRotate_Click()
{
    // The dialog is a top-level window owned through the slot: it deletes itself on close.
    showDialog(frmRotate, [] { return new ::frmRotate; });
}

void MDIForm1::mnuFlipHor_Click()
{
    if (Form1 *form = ActiveForm())
        FlipPicture(form, FlipAxis::Horizontal);
}

void MDIForm1::mnuFlipVert_Click()
{
    if (Form1 *form = ActiveForm())
        FlipPicture(form, FlipAxis::Vertical);
}
