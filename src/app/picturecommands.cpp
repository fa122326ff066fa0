// The Filter and Picture menus' commands and the stamp's Pattern dialog: each works on the
// active document, which it passes on to the filter or the dialog it starts.
#include "app/mainwindow.h"

#include "adjust/adjustdialog.h"
#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "filters/filter.h"
#include "filters/flip.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "pattern/patterndialog.h"

void MainWindow::smooth()
{
    QPointer<DocumentWindow> document = activeDocument();
    if (!document)
        return;
    // False when the document was closed while the filter ran: there is nothing left to commit.
    if (!smoothPicture(*document) || !document)
        return;
    document->canvas->refresh();
    commitPicture(*document);
}

void MainWindow::adjustColours()
{
    showDialog(coloursDialog, activeDocument(),
               [](DocumentWindow &d) { return new AdjustDialog(d, AdjustDialog::Kind::Colours); });
}

void MainWindow::adjustBrightness()
{
    showDialog(brightnessDialog, activeDocument(),
               [](DocumentWindow &d) { return new AdjustDialog(d, AdjustDialog::Kind::Brightness); });
}

void MainWindow::adjustContrast()
{
    showDialog(contrastDialog, activeDocument(),
               [](DocumentWindow &d) { return new AdjustDialog(d, AdjustDialog::Kind::Contrast); });
}

void MainWindow::rotate()
{
    // The dialog is a top-level window owned through the slot: it deletes itself on close.
    showDialog(rotateDialog, activeDocument(), [](DocumentWindow &d) { return new RotateDialog(d); });
}

void MainWindow::sizePicture()
{
    showDialog(sizeDialog, activeDocument(),
               [](DocumentWindow &d) { return new SizeDialog(d, SizeDialog::Mode::Size); });
}

void MainWindow::sizeCanvas()
{
    showDialog(sizeDialog, activeDocument(),
               [](DocumentWindow &d) { return new SizeDialog(d, SizeDialog::Mode::CanvasSize); });
}

void MainWindow::flipHorizontal()
{
    if (DocumentWindow *document = activeDocument())
        flipPicture(*document, FlipAxis::Horizontal);
}

void MainWindow::flipVertical()
{
    if (DocumentWindow *document = activeDocument())
        flipPicture(*document, FlipAxis::Vertical);
}

void MainWindow::showPatternDialog()
{
    showDialog(patternDialog, activeDocument(), [](DocumentWindow &d) { return new PatternDialog(d); });
}
