#include "fixture.h"

#include "childprocess.h"
#include "document/tempfile.h"
#include "document/tooldialog.h"
#include "imagelib/bmp.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <random>

Program::Program(bool withStartupDocument, const QString &tempFolder, const QString &fallback)
{
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    auto temp = tempFolder.isEmpty()
                    ? std::make_unique<TempFile>(folder.path(), folder.path() + QStringLiteral("/fallback"))
                    : std::make_unique<TempFile>(tempFolder, fallback);
    window = std::make_unique<MainWindow>(std::move(scripted), std::move(temp));
    vptest::trackTempFile(&window->tempFile());
    window->show();
    if (withStartupDocument)
        window->newDocument();
    QApplication::processEvents();
}

Program::~Program()
{
    closeAllWithoutSaving();
    vptest::untrackTempFile(&window->tempFile());
    window.reset();
    QApplication::processEvents();
}

Document *Program::active() const
{
    return window->activeDocument();
}

DocumentWindow *Program::activeWindow() const
{
    return window->activeDocumentWindow();
}

Document *Program::newDocument() const
{
    return &window->newDocument()->document();
}

QList<Document *> Program::documents() const
{
    QList<Document *> list;
    for (DocumentWindow *open : window->documents())
        list << &open->document();
    return list;
}

QString Program::tempPath() const
{
    return window->tempFile().path();
}

void Program::closeAllWithoutSaving()
{
    if (!window)
        return;
    for (QMdiSubWindow *sub : window->mdiArea->subWindowList()) {
        prompts->answers.push_back(PromptAnswer::No);
        sub->close();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QImage uniformPicture(QSize size, Colour colour, QImage::Format format)
{
    QImage picture(size, format);
    picture.fill(toQColor(colour));
    return picture;
}

Colour pixelOf(const QImage &picture, int x, int y)
{
    if (!picture.rect().contains(x, y))
        return NoPixel;
    return fromQRgb(picture.pixel(x, y));
}

QImage noisePicture(QSize size, QImage::Format format, unsigned seed)
{
    QImage picture(size, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFF));
    return picture.convertToFormat(format);
}

DocumentWindow *windowOf(Document *document)
{
    return qobject_cast<DocumentWindow *>(document->parent());
}

CanvasView &viewOf(Document *document)
{
    return windowOf(document)->view();
}

QWidget *canvasArea(Document *document)
{
    return viewOf(document).pictureArea();
}

void activate(Document *document)
{
    QMdiSubWindow *window = frameOf(document);
    window->mdiArea()->setActiveSubWindow(window);
}

QMdiSubWindow *frameOf(Document *document)
{
    return qobject_cast<QMdiSubWindow *>(windowOf(document)->parentWidget());
}

QSize windowContentSize(Document *document)
{
    return frameOf(document)->contentsRect().size();
}

void closeDocument(Document *document)
{
    frameOf(document)->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

QByteArray bmpOf(const QImage &picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!writeBmp24(buffer, picture))
        qFatal("writeBmp24 to memory failed");
    return bytes;
}

QImage randomBytesPicture(QSize size, unsigned seed)
{
    QImage picture(size, PictureFormat);
    std::mt19937 random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < 3 * size.width(); ++x)
            picture.scanLine(y)[x] = uchar(random());
    return picture;
}

QImage numberedPicture(QSize size, Colour first)
{
    QImage picture(size, PictureFormat);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            setPixelBGR(picture.scanLine(y) + 3 * x, makeColour(redOf(first) + x, greenOf(first) + y, blueOf(first)));
    return picture;
}

bool documentsBlocked(const Program &program)
{
    QWidget *modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() && modal->parentWidget() == program.window.get();
}

void closeToolDialogs()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<ToolDialog *>(widget))
            widget->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
