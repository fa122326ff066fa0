// The Filter and Picture menus' commands and the stamp's Pattern dialog: each works on the
// active document, which it passes on to the filter or the dialog it starts.
#include "app/mainwindow.h"

#include "adjust/adjustdialog.h"
#include "document/document.h"
#include "filters/filter.h"
#include "filters/flip.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "pattern/patterndialog.h"

void MainWindow::smooth()
{
    QPointer<Document> document = activeDocument();
    if (!document)
        return;
    // False when the document was closed while the filter ran: there is nothing left to commit.
    if (!smoothPicture(*document, this, prompts()) || !document)
        return;
    document->commitPicture();
}

void MainWindow::adjustColours()
{
    showDialog(coloursDialog, activeDocument(),
               [this](Document &d) { return new AdjustDialog(d, AdjustDialog::Kind::Colours, prompts(), this); });
}

void MainWindow::adjustBrightness()
{
    showDialog(brightnessDialog, activeDocument(),
               [this](Document &d) { return new AdjustDialog(d, AdjustDialog::Kind::Brightness, prompts(), this); });
}

void MainWindow::adjustContrast()
{
    showDialog(contrastDialog, activeDocument(),
               [this](Document &d) { return new AdjustDialog(d, AdjustDialog::Kind::Contrast, prompts(), this); });
}

void MainWindow::rotate()
{
    showDialog(rotateDialog, activeDocument(), [this](Document &d) { return new RotateDialog(d, this); });
}

void MainWindow::sizePicture()
{
    showDialog(sizeDialog, activeDocument(),
               [this](Document &d) { return new SizeDialog(d, SizeDialog::Mode::Size, prompts(), this); });
}

void MainWindow::sizeCanvas()
{
    showDialog(sizeDialog, activeDocument(),
               [this](Document &d) { return new SizeDialog(d, SizeDialog::Mode::CanvasSize, prompts(), this); });
}

void MainWindow::flipHorizontal()
{
    if (Document *document = activeDocument())
        flipPicture(*document, FlipAxis::Horizontal);
}

void MainWindow::flipVertical()
{
    if (Document *document = activeDocument())
        flipPicture(*document, FlipAxis::Vertical);
}

void MainWindow::showPatternDialog()
{
    showDialog(patternDialog, activeDocument(),
               [this](Document &d) { return new PatternDialog(d, prompts(), this); });
}
