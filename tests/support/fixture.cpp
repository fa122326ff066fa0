#include "fixture.h"

#include "document/form1.h"
#include "document/tooldialog.h"
#include "document/tempfile.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <random>

Program::Program(bool withStartupDocument)
{
    TempFile::setFolders(folder.path(), folder.path() + QStringLiteral("/fallback"));
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    window = std::make_unique<MDIForm1>(std::move(scripted));
    window->show();
    if (withStartupDocument)
        window->newDocument();
    QApplication::processEvents();
}

Program::~Program()
{
    closeAllWithoutSaving();
    window.reset();
    QApplication::processEvents();
}

Form1 *Program::active() const
{
    return window->ActiveForm();
}

QString Program::tempPath() const
{
    return TempFile::path();
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

QImage uniformPicture(QSize size, Colour colour)
{
    QImage picture(size, PictureFormat);
    picture.fill(toQColor(colour));
    return picture;
}

Colour pixelOf(const QImage &picture, int x, int y)
{
    if (!picture.rect().contains(x, y))
        return CLR_INVALID;
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

void closeToolDialogs()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<ToolDialog *>(widget))
            widget->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
