// New, Open and Save As.
#include "app/mainwindow.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tempfile.h"
#include "filters/sizedialog.h"
#include "imagelib/picturefiles.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

static const QString OpenFilter = QStringLiteral(
    "Supported Filetypes |*.bmp;*.jpg;*.gif|BitMaps (*.bmp)|*.bmp|Jpeg (*.jpg)|*.jpg|"
    "CompuServe Graphics Interchange (*.gif)|*.gif|All types (*.*)|*.*");
static const QString SaveFilter = QStringLiteral("BitMaps (*.bmp)|*.bmp");

void MainWindow::newPicture()
{
    QPointer<DocumentWindow> document = firstTime ? firstDocument() : newDocument();
    if (!document)
        return;
    document->snapshot->setPicture(document->canvas->picture());
    document->backgroundColourDialog.showColour(prompts(), this);
    if (!document)
        return;
    document->canvas->setBackColour(document->backgroundColourDialog.colour);
    auto make = [](DocumentWindow &d) { return new SizeDialog(d, SizeDialog::Mode::CanvasSize); };
    if (SizeDialog *dialog = showDialog(sizeDialog, document, make)) {
        dialog->widthBox->setText(QStringLiteral("250"));
        dialog->heightBox->setText(QStringLiteral("250"));
    }
    document->snapshot->setPicture(document->canvas->picture());
    document->fitToCanvas();
    firstTime = false;
}

void MainWindow::open()
{
    fileDialog.title = QStringLiteral("Open Picture");
    fileDialog.filter = OpenFilter;
    if (!fileDialog.showOpen(prompts(), this))
        return;
    const QString path = fileDialog.fileName;
    // The file chosen may be the temp file itself.
    TempFile::finishWriting();
    const LoadedPicture loaded = loadPicture(path);
    if (!loaded.ok()) {
        prompts().message(this, PictureFileErrors::cannotOpen(path, loaded.error), QStringLiteral("Open"),
                          MessageIcon::Critical);
        return;
    }
    // Bringing back the start-up window lets pending events run.
    QPointer<DocumentWindow> document = firstTime ? firstDocument() : activeDocument();
    if (!document) {
        prompts().message(this,
                          PictureFileErrors::cannotOpen(path, QStringLiteral("there is no picture window to open it "
                                                                             "into. Choose New first")),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    const QImage previous = document->canvas->picture();
    document->canvas->setPicture(loaded.picture);
    if (document->canvas->image().isNull()) {
        // No memory for the bitmap the picture is shown in: the canvas says so and keeps its own.
        document->canvas->setPicture(previous);
        return;
    }
    document->setCaption(QFileInfo(path).fileName());
    document->recordState();
    firstTime = false;
}

bool MainWindow::saveAs()
{
    return saveDocumentAs(activeDocument());
}

bool MainWindow::saveAs(DocumentWindow &document)
{
    return saveDocumentAs(&document);
}

bool MainWindow::saveDocumentAs(QPointer<DocumentWindow> document)
{
    fileDialog.title = QStringLiteral("Save Picture");
    fileDialog.filter = SaveFilter;
    if (!fileDialog.showSave(prompts(), this))
        return false;
    if (!document)
        return false;
    const QString path = fileDialog.fileName;
    // The name chosen may be the temp file's, which a pending write would then overwrite.
    TempFile::finishWriting();
    const QString error = savePicture(document->canvas->image(), path);
    if (!error.isEmpty()) {
        prompts().message(this, QStringLiteral("The picture could not be saved as \"%1\": %2.").arg(path, error),
                          QStringLiteral("Save As"), MessageIcon::Critical);
        return false;
    }
    document->setCaption(QFileInfo(path).fileName());
    return true;
}
