// New, Open and Save As.
#include "app/mainwindow.h"

#include "document/document.h"
#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "filters/sizedialog.h"
#include "imagelib/picturefiles.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStatusBar>
#include <QLineEdit>
#include <QPointer>
#include <optional>

static const QString OpenFilter =
    QStringLiteral("Supported Filetypes (*.bmp *.jpg *.gif);;BitMaps (*.bmp);;Jpeg (*.jpg);;"
                   "CompuServe Graphics Interchange (*.gif);;All types (*.*)");
static const QString SaveFilter = QStringLiteral("BitMaps (*.bmp)");

void MainWindow::newPicture()
{
    QPointer<DocumentWindow> window = firstTime ? firstDocument() : newDocument();
    if (!window)
        return;
    Document &document = window->document();
    document.snapshot().setPicture(document.canvas().picture());
    const std::optional<Colour> chosen =
        prompts().chooseColour(this, document.newBackgroundColour, tr("Background Colour of the New Picture"));
    if (!window)
        return;
    // Cancelled, the dialog gives back its last colour: black the first time.
    if (chosen)
        document.newBackgroundColour = *chosen;
    document.canvas().setBackgroundColour(document.newBackgroundColour);
    auto make = [this](Document &d) { return new SizeDialog(d, SizeDialog::Mode::CanvasSize, prompts(), this); };
    if (SizeDialog *dialog = showDialog(sizeDialog, &document, make)) {
        dialog->widthBox->setText(QStringLiteral("250"));
        dialog->heightBox->setText(QStringLiteral("250"));
    }
    document.snapshot().setPicture(document.canvas().picture());
    fitToCanvas(*window);
    firstTime = false;
}

void MainWindow::open()
{
    const std::optional<QString> chosen = prompts().openFile(this, QStringLiteral("Open Picture"), OpenFilter, lastFileName);
    if (!chosen)
        return;
    lastFileName = *chosen;
    const QString path = *chosen;
    const std::optional<QImage> picture = readPicture(path);
    if (!picture)
        return;
    DocumentWindow *window = firstTime ? firstDocument() : activeDocumentWindow();
    if (!window) {
        prompts().message(this,
                          PictureFileErrors::cannotOpen(path, QStringLiteral("there is no picture window to open it "
                                                                             "into. Choose New first")),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    if (showOpenedPicture(window->document(), *picture, QFileInfo(path).fileName(), QStringLiteral("Open"), path))
        firstTime = false;
}

void MainWindow::openInNewWindows(const QStringList &paths)
{
    for (const QString &path : paths) {
        // A file that cannot be read makes no window; the others still open.
        const std::optional<QImage> picture = readPicture(path);
        if (!picture)
            continue;
        showOpenedPicture(newDocument()->document(), *picture, QFileInfo(path).fileName(), QStringLiteral("Open"),
                          path);
    }
}

std::optional<QImage> MainWindow::readPicture(const QString &path)
{
    // The file chosen may be the temp file itself.
    tempFile().finishWriting();
    const LoadedPicture loaded = loadPicture(path);
    if (!loaded.ok()) {
        prompts().message(this, PictureFileErrors::cannotOpen(path, loaded.error), QStringLiteral("Open"),
                          MessageIcon::Critical);
        return std::nullopt;
    }
    return loaded.picture;
}

bool MainWindow::showOpenedPicture(Document &document, const QImage &picture, const QString &caption,
                                   const QString &command, const QString &from)
{
    // The screen shows transparent pixels over the canvas's background: the stored picture, and
    // with it the temp file, the history and Save As, holds the same.
    PictureModel &canvas = document.canvas();
    const QImage flat = flattenedOver(picture, canvas.backgroundColour());
    if (flat.isNull()) {
        prompts().message(this, PictureFileErrors::cannotOpen(from, PictureFileErrors::outOfMemory()), command,
                          MessageIcon::Critical);
        return false;
    }
    const QImage previous = canvas.picture();
    canvas.setPicture(flat);
    if (canvas.image().isNull()) {
        // No memory for the bitmap the picture is shown in: the canvas says so and keeps its own.
        canvas.setPicture(previous);
        return false;
    }
    document.setCaption(caption);
    document.recordState();
    // A picture opened into a window zoomed in on another would show a corner of itself.
    if (auto *window = qobject_cast<DocumentWindow *>(document.parent()))
        window->view().showWhole();
    return true;
}

void MainWindow::copy()
{
    Document *document = activeDocument();
    const QImage drawn = document ? document->canvas().image() : QImage();
    if (drawn.isNull()) {
        statusBar()->showMessage(tr("There is no picture to copy: open or draw one first."), 6000);
        return;
    }
    QGuiApplication::clipboard()->setImage(drawn);
    statusBar()->showMessage(tr("The picture is on the clipboard."), 3000);
}

void MainWindow::paste()
{
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull()) {
        statusBar()->showMessage(tr("The clipboard holds no picture to paste."), 6000);
        return;
    }
    const QString from = tr("the picture on the clipboard");
    if (!PictureLimits::accepts(picture.size())) {
        prompts().message(this, PictureFileErrors::cannotOpen(from, PictureFileErrors::tooLarge()),
                          QStringLiteral("Paste"), MessageIcon::Critical);
        return;
    }
    showOpenedPicture(newDocument()->document(), picture, QStringLiteral("Untitled"), QStringLiteral("Paste"), from);
}

bool MainWindow::saveAs()
{
    return saveDocumentAs(activeDocument());
}

bool MainWindow::saveAs(Document &document)
{
    return saveDocumentAs(&document);
}

bool MainWindow::saveDocumentAs(QPointer<Document> document)
{
    // Until the picture is written or the user cancels: after a No the dialog comes back with the
    // name chosen, and after a write that failed with the folder it failed in.
    for (;;) {
        QString path;
        do {
            const std::optional<QString> chosen =
                prompts().saveFile(this, QStringLiteral("Save Picture"), SaveFilter, lastFileName);
            if (!chosen)
                return false;
            lastFileName = path = *chosen;
        } while (!mayWriteOver(path));
        if (!document)
            return false;
        // The name chosen may be the temp file's, which a pending write would then overwrite.
        tempFile().finishWriting();
        const QString error = savePicture(document->canvas().image(), path);
        if (error.isEmpty()) {
            document->setCaption(QFileInfo(path).fileName());
            return true;
        }
        prompts().message(this, QStringLiteral("The picture could not be saved as \"%1\": %2.").arg(path, error),
                          QStringLiteral("Save As"), MessageIcon::Critical);
    }
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
