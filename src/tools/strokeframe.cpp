#include "tools/strokeframe.h"

#include "document/commit.h"
#include "document/documentwindow.h"
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

namespace {

using ToolStep = void (*)(DocumentWindow &, Palette &, float, float);

// What each tool does at the press and at every move with the button held; the release
// commits, whatever the tool. A tool without a step does nothing then.
struct ToolSteps {
    ToolStep press;
    ToolStep drag;
};

// In the order of Tool.
constexpr ToolSteps toolSteps[] = {
    {pencilPress, pencilDrag},       // Tool::Pencil
    {pickerPress, pickerDrag},       // Tool::Picker
    {airbrushSpray, airbrushSpray},  // Tool::Airbrush
    {circlePress, circleDrag},       // Tool::Circle
    {stampPrint, stampPrint},        // Tool::Stamp
    {fillPress, nullptr},            // Tool::Fill
};

const ToolSteps &stepsOf(Tool tool)
{
    return toolSteps[int(tool)];
}

// A press on a canvas makes its window the one the user works in.
void activate(DocumentWindow &document)
{
    auto *window = qobject_cast<QMdiSubWindow *>(document.parentWidget());
    if (window && window->mdiArea() && window->mdiArea()->activeSubWindow() != window)
        window->mdiArea()->setActiveSubWindow(window);
}

} // namespace

void attachCanvasTools(DocumentWindow &document, Palette &palette)
{
    PictureBox *canvas = document.canvas;
    DocumentWindow *doc = &document;
    Palette *tools = &palette;
    QObject::connect(canvas, &PictureBox::mousePressed, doc, [doc, tools](float x, float y) {
        activate(*doc);
        canvasPressed(*doc, *tools, x, y);
    });
    QObject::connect(canvas, &PictureBox::mouseMoved, doc,
                     [doc, tools](float x, float y) { canvasMoved(*doc, *tools, x, y); });
    QObject::connect(canvas, &PictureBox::mouseReleased, doc, [doc] { canvasReleased(*doc); });
}

void canvasPressed(DocumentWindow &document, Palette &palette, float X, float Y)
{
    document.stroke.drawing = true;
    if (const ToolStep press = stepsOf(palette.currentTool()).press)
        press(document, palette, X, Y);
}

void canvasMoved(DocumentWindow &document, Palette &palette, float X, float Y)
{
    document.snapshot->setPicture(document.canvas->picture());
    if (!document.stroke.drawing)
        return;
    if (const ToolStep drag = stepsOf(palette.currentTool()).drag)
        drag(document, palette, X, Y);
    // The release, further moves or even the window's close may run in here: nothing of this
    // handler touches the window after it, so they always find a finished drag step.
    QCoreApplication::processEvents();
}

void canvasReleased(DocumentWindow &document)
{
    commitPicture(document);
    document.stroke.drawing = false;
}
