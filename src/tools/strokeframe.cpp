#include "tools/strokeframe.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "tools/airbrush.h"
#include "tools/circle.h"
#include "tools/fill.h"
#include "tools/palette.h"
#include "tools/pencil.h"
#include "tools/picker.h"
#include "tools/stamp.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

// The release commits the active document: a press on a canvas makes its window the active one.
static void activateDocument(Form1 *form)
{
    auto *window = qobject_cast<QMdiSubWindow *>(form->parentWidget());
    if (window && window->mdiArea() && window->mdiArea()->activeSubWindow() != window)
        window->mdiArea()->setActiveSubWindow(window);
}

void attachCanvasTools(Form1 *form, Palette *palette)
{
    PictureBox *canvas = form->Picture1;
    QObject::connect(canvas, &PictureBox::MouseDown, form, [form, palette](int, int, float x, float y) {
        activateDocument(form);
        Picture1_MouseDown(*form, *palette, x, y);
    });
    QObject::connect(canvas, &PictureBox::MouseMove, form,
                     [form, palette](int, int, float x, float y) { Picture1_MouseMove(*form, *palette, x, y); });
    QObject::connect(canvas, &PictureBox::MouseUp, form, [form](int, int, float, float) { Picture1_MouseUp(*form); });
}

void Picture1_MouseDown(Form1 &form, Palette &palette, float X, float Y)
{
    form.stroke.Drawing = true;
    const Tool tool = palette.currentTool();
    if (tool == Tool::Pencil)
        pencilPress(form, palette, X, Y);
    if (tool == Tool::Picker)
        pickerPress(form, palette, X, Y);
    if (tool == Tool::Airbrush)
        airbrushSpray(form, palette, X, Y);
    if (tool == Tool::Circle)
        circlePress(form, X, Y);
    if (tool == Tool::Stamp)
        stampPrint(form, X, Y);
    if (tool == Tool::Fill)
        fillPress(form, palette, X, Y);
}

void Picture1_MouseMove(Form1 &form, Palette &palette, float X, float Y)
{
    form.Picture2->setPicture(form.Picture1->Picture());
    if (!form.stroke.Drawing)
        return;
    const Tool tool = palette.currentTool();
    if (tool == Tool::Pencil)
        pencilDrag(form, palette, X, Y);
    if (tool == Tool::Picker)
        pickerDrag(form, palette, X, Y);
    if (tool == Tool::Airbrush)
        airbrushSpray(form, palette, X, Y);
    if (tool == Tool::Circle)
        circleDrag(form, palette, X, Y);
    if (tool == Tool::Stamp)
        stampPrint(form, X, Y);
    // The release, further moves or even the window's close may run in here: nothing of this
    // handler touches the window after it, so they always find a finished drag step.
    QCoreApplication::processEvents();
}

void Picture1_MouseUp(Form1 &form)
{
    CommitPicture();
    form.stroke.Drawing = false;
}
