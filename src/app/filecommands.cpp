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
#include <optional>

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
    const std::optional<QImage> picture = readPicture(path);
    if (!picture)
        return;
    // Bringing back the start-up window lets pending events run.
    QPointer<DocumentWindow> document = firstTime ? firstDocument() : activeDocument();
    if (!document) {
        prompts().message(this,
                          PictureFileErrors::cannotOpen(path, QStringLiteral("there is no picture window to open it "
                                                                             "into. Choose New first")),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    if (showOpenedPicture(*document, path, *picture))
        firstTime = false;
}

void MainWindow::openInNewWindows(const QStringList &paths)
{
    for (const QString &path : paths) {
        // A file that cannot be read makes no window; the others still open.
        const std::optional<QImage> picture = readPicture(path);
        if (!picture)
            continue;
        // Loading a window lets pending events run.
        QPointer<DocumentWindow> document = newDocument();
        if (document)
            showOpenedPicture(*document, path, *picture);
    }
}

std::optional<QImage> MainWindow::readPicture(const QString &path)
{
    // The file chosen may be the temp file itself.
    TempFile::finishWriting();
    const LoadedPicture loaded = loadPicture(path);
    if (!loaded.ok()) {
        prompts().message(this, PictureFileErrors::cannotOpen(path, loaded.error), QStringLiteral("Open"),
                          MessageIcon::Critical);
        return std::nullopt;
    }
    return loaded.picture;
}

bool MainWindow::showOpenedPicture(DocumentWindow &document, const QString &path, const QImage &picture)
{
    // The screen shows transparent pixels over the canvas's background: the stored picture, and
    // with it the temp file, the history and Save As, holds the same.
    const QImage flat = flattenedOver(picture, document.canvas->backColour());
    if (flat.isNull()) {
        prompts().message(this, PictureFileErrors::cannotOpen(path, PictureFileErrors::outOfMemory()),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return false;
    }
    const QImage previous = document.canvas->picture();
    document.canvas->setPicture(flat);
    if (document.canvas->image().isNull()) {
        // No memory for the bitmap the picture is shown in: the canvas says so and keeps its own.
        document.canvas->setPicture(previous);
        return false;
    }
    document.setCaption(QFileInfo(path).fileName());
    document.recordState();
    return true;
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
    // After a No the dialog comes back with the name chosen, so that the user can choose another.
    do {
        if (!fileDialog.showSave(prompts(), this))
            return false;
    } while (!mayWriteOver(fileDialog.fileName));
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

bool MainWindow::mayWriteOver(const QString &path)
{
    // Whatever stands at the path, a link that leads nowhere included, is the user's; a folder
    // is never written over, and Save As says so itself.
    const QFileInfo file(path);
    if ((!file.exists() && !file.isSymLink()) || file.isDir())
        return true;
    const QString text = QStringLiteral("%1 already exists.\nDo you want to replace it with this picture, saved as a "
                                        "BMP file?")
                             .arg(file.fileName());
    return prompts().askYesNo(this, text, QStringLiteral("Confirm Save As")) == PromptAnswer::Yes;
}
