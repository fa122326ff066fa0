#include "document/documentwindow.h"

#include "document/canvasview.h"
#include "document/defaultpattern.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "document/tempfile.h"
#include "document/workspace.h"
#include "imagelib/bmp.h"
#include "imagelib/units.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <cmath>

DocumentWindow::DocumentWindow(Workspace &workspace, QWidget *parent) : QWidget(parent), m_workspace(workspace)
{
    setWindowTitle(QStringLiteral("Untitled"));
    backgroundColourDialog.title = tr("Background Colour of the New Picture");
    canvas = new PictureBox(this, CanvasBorder);
    canvas->setWidthTwips(3750);
    canvas->setHeightTwips(3750);
    canvas->move(0, 0);
    canvas->setCursor(QCursor(QPixmap(QStringLiteral(":/resources/pencil.png")), 3, 20));
    view = new CanvasView(canvas, this);
    view->setGeometry(rect());

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
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!sub) {
        resize(size);
        return;
    }
    const QSize frame = sub->size() - sub->contentsRect().size();
    QMdiArea *area = sub->mdiArea();
    if (!area || !area->isVisible()) {
        sub->resize(size + frame);
        return;
    }
    // A window larger than the workspace would hide its caption and scrollbars beyond it.
    const QRect workspace = area->viewport()->rect();
    sub->resize((size + frame).boundedTo(workspace.size()));
    if (sub->isMaximized() || sub->isMinimized())
        return;
    const QRect placed = sub->geometry();
    const QPoint inside(qMax(0, qMin(placed.left(), workspace.right() + 1 - placed.width())),
                        qMax(0, qMin(placed.top(), workspace.bottom() + 1 - placed.height())));
    if (inside != placed.topLeft())
        sub->move(inside);
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
    const bool acts = undoList.size() > 1 && historyReady;
    if (acts) {
        historyReady = false;
        showState(stepBack());
    }
    refreshUndoMenus();
    // Only what this call cleared: a closed window stays closed to both operations.
    if (acts)
        historyReady = true;
}

void DocumentWindow::redo()
{
    const bool acts = !redoList.isEmpty() && historyReady;
    if (acts) {
        historyReady = false;
        showState(stepForward());
    }
    refreshUndoMenus();
    if (acts)
        historyReady = true;
}

void DocumentWindow::showState(const HistoryStep &step)
{
    if (step.picture.isNull())
        return;
    // A step between two states a few tiles apart brings back only those tiles into the canvas,
    // as long as the canvas still stores the picture the step started from.
    if (!step.anywhere && canvas->picture().cacheKey() == step.from)
        canvas->setPicture(step.picture, step.changed);
    else
        canvas->setPicture(step.picture);
}

void DocumentWindow::refreshUndoMenus()
{
    // The menus belong to the active document; another one's lists must not show there.
    if (DocumentWindow *active = m_workspace.activeDocument(); active && active != this)
        return;
    m_workspace.setUndoMenus(undoList.size() > 1, redoList.size() > 0);
}

void DocumentWindow::pictureCommitted(const PictureChange &drawn)
{
    recordState(drawn);
    emit committed();
}

void DocumentWindow::recordState(const PictureChange &change)
{
    recordPicture(canvas->picture(), change);
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
    m_pictureInfo = pictureInfoText(w, h, bytes);
    // The main window shows the text of the document the user works in; the others keep theirs
    // for when they are activated.
    DocumentWindow *active = m_workspace.activeDocument();
    if (!active || active == this)
        m_workspace.setPictureInfo(m_pictureInfo);
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

void DocumentWindow::resizeEvent(QResizeEvent *)
{
    view->setGeometry(rect());
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
