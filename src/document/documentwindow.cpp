#include "document/documentwindow.h"

#include "document/defaultpattern.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "document/tempfile.h"
#include "document/workspace.h"
#include "imagelib/bmp.h"
#include "imagelib/units.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <cmath>

DocumentWindow::DocumentWindow(Workspace &workspace, QWidget *parent) : QWidget(parent), m_workspace(workspace)
{
    setWindowTitle(QStringLiteral("Untitled"));
    canvas = new PictureBox(this, CanvasBorder);
    canvas->setWidthTwips(3750);
    canvas->setHeightTwips(3750);
    canvas->move(0, 0);
    canvas->setCursor(QCursor(QPixmap(QStringLiteral(":/resources/pencil.png")), 3, 20));

    snapshot = new PictureBox(this, CanvasBorder);
    snapshot->setWidthTwips(4860);
    snapshot->setHeightTwips(4860);
    mask = new PictureBox(this, 2);
    face = new PictureBox(this, 2);
    mask->setPicture(defaultPatternMask());
    face->setPicture(defaultPatternFace());
    for (PictureBox *hidden : {snapshot, mask, face})
        hidden->hide();

    connect(canvas, &PictureBox::pictureChanged, this, &DocumentWindow::canvasPictureChanged);
    connect(canvas, &PictureBox::resized, this, &DocumentWindow::canvasResized);
    // Told once the command that ran short has finished, never from inside a kernel.
    for (PictureBox *surface : {canvas, snapshot})
        connect(surface, &PictureBox::outOfMemory, this, &DocumentWindow::memoryShort, Qt::QueuedConnection);
}

DocumentWindow::~DocumentWindow() = default;

QString DocumentWindow::caption() const
{
    return windowTitle();
}

void DocumentWindow::setCaption(const QString &caption)
{
    setWindowTitle(caption);
}

QWidget *DocumentWindow::frameWindow() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return const_cast<DocumentWindow *>(this);
}

QSize DocumentWindow::contentSize() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub->contentsRect().size();
    return size();
}

void DocumentWindow::setContentSize(QSize size)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        const QSize frame = sub->size() - sub->contentsRect().size();
        sub->resize(size + frame);
    } else {
        resize(size);
    }
}

double DocumentWindow::widthTwips() const
{
    return contentSize().width() * Screen::TwipsPerPixelX + FrameTwipsX;
}

double DocumentWindow::heightTwips() const
{
    return contentSize().height() * Screen::TwipsPerPixelY + FrameTwipsY;
}

void DocumentWindow::setWidthTwips(double twips)
{
    setContentSize(QSize(qMax(0, roundEven((twips - FrameTwipsX) / Screen::TwipsPerPixelX)), contentSize().height()));
}

void DocumentWindow::setHeightTwips(double twips)
{
    setContentSize(QSize(contentSize().width(), qMax(0, roundEven((twips - FrameTwipsY) / Screen::TwipsPerPixelY))));
}

void DocumentWindow::fitToCanvas()
{
    setWidthTwips(canvas->widthTwips() + FrameTwipsX);
    setHeightTwips(canvas->heightTwips() + FrameTwipsY);
}

void DocumentWindow::load()
{
    historyReady = true;
    m_open = true;
    m_workspace.documentLoaded(*this);
    stroke.drawing = false;
    // The first state is the canvas as it shows now: a new document has no stored picture yet.
    recordPicture(canvas->picture().isNull() ? canvas->image() : canvas->picture());
    refreshUndoMenus();
    frameWindow()->show();
    QCoreApplication::processEvents();
}

void DocumentWindow::undo()
{
    const qsizetype n = undoList.size();
    const bool acts = n > 1 && historyReady;
    if (acts) {
        historyReady = false;
        canvas->setPicture(undoList[n - 2]->picture);
        redoList.append(undoList[n - 1]);
        undoList.removeAt(n - 1);
    }
    refreshUndoMenus();
    // Only what this call cleared: a closed window stays closed to both operations.
    if (acts)
        historyReady = true;
}

void DocumentWindow::redo()
{
    const qsizetype m = redoList.size();
    const bool acts = m > 0 && historyReady;
    if (acts) {
        historyReady = false;
        canvas->setPicture(redoList[m - 1]->picture);
        undoList.append(redoList[m - 1]);
        redoList.removeAt(m - 1);
    }
    refreshUndoMenus();
    if (acts)
        historyReady = true;
}

void DocumentWindow::refreshUndoMenus()
{
    // The menus belong to the active document; another one's lists must not show there.
    if (DocumentWindow *active = m_workspace.activeDocument(); active && active != this)
        return;
    m_workspace.setUndoMenus(undoList.size() > 1, redoList.size() > 0);
}

void DocumentWindow::pictureCommitted()
{
    recordState();
    emit committed();
}

void DocumentWindow::recordState()
{
    recordPicture(canvas->picture());
    // Keeping within the budget may have dropped states of the active document as well.
    DocumentWindow *active = m_workspace.activeDocument();
    (active ? active : this)->refreshUndoMenus();
}

void DocumentWindow::canvasPictureChanged()
{
    // The temp file and the info text follow the canvas's stored picture. The file is written in
    // the background, so that Undo and Redo do not wait for it; its size is known beforehand.
    const QImage picture = canvas->picture();
    TempFile::writeLater(picture);
    const qint64 bytes = picture.isNull() ? 0 : qint64(bmp24FileSize(picture.size()));
    const float w = float(canvas->widthTwips() / Screen::TwipsPerPixelX);
    const float h = float(canvas->heightTwips() / Screen::TwipsPerPixelY);
    m_workspace.setPictureInfo(pictureInfoText(w, h, bytes));
}

QString DocumentWindow::pictureInfoText(float width, float height, qint64 fileBytes)
{
    // Counted in 64 bits: a picture of eleven million pixels or more has a temp file of 32 MB and up.
    const qint64 kB = qint64(std::nearbyint(double(fileBytes) / 1024.0));
    return QStringLiteral("%1x%2 %3kB").arg(double(width)).arg(double(height)).arg(kB);
}

void DocumentWindow::memoryShort(QSize size)
{
    // One message for a command, however many writes it could not make.
    if (m_memoryShortTold)
        return;
    m_memoryShortTold = true;
    QMetaObject::invokeMethod(this, [this] { m_memoryShortTold = false; }, Qt::QueuedConnection);
    if (!m_open)
        return;
    m_workspace.prompts().message(m_workspace.mainWindow(),
                                  QStringLiteral("There is not enough memory for a picture of %1 x %2 pixels. The "
                                                 "picture is as it was before the last command.")
                                      .arg(size.width())
                                      .arg(size.height()),
                                  QStringLiteral("Vell's Painter"), MessageIcon::Critical);
}

void DocumentWindow::canvasResized()
{
    // The window grows so that the whole canvas fits; it never shrinks here.
    if (canvas->widthTwips() > widthTwips() - FrameTwipsX)
        setWidthTwips(canvas->widthTwips() + FrameTwipsX);
    if (canvas->heightTwips() > heightTwips() - FrameTwipsY)
        setHeightTwips(canvas->heightTwips() + FrameTwipsY);
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    if (!m_open) {
        event->accept();
        return;
    }
    const QString text = QStringLiteral("Do You Want To Save ") + caption() + QStringLiteral("?");
    QWidget *main = m_workspace.mainWindow();
    const PromptAnswer answer = m_workspace.prompts().askYesNoCancel(main, text, QStringLiteral("Save?"));
    if (answer == PromptAnswer::Cancel) {
        event->ignore();
        main->setFocus();
        return;
    }
    if (answer == PromptAnswer::Yes) {
        // The picture is only let go once it is safely written.
        const bool saved = m_workspace.saveAs(*this);
        main->setFocus();
        if (!saved) {
            event->ignore();
            return;
        }
    }
    historyReady = false;
    m_open = false;
    discardHistory();
    event->accept();
    m_workspace.documentClosed(*this);
}
