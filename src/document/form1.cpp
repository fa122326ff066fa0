#include "document/form1.h"

#include "document/bmp.h"
#include "document/defaultpattern.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "document/tempfile.h"
#include "document/units.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <cmath>

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Untitled"));
    Picture1 = new PictureBox(this, 2);
    Picture1->setWidth(3750);
    Picture1->setHeight(3750);
    Picture1->move(0, 0);
    Picture1->setCursor(QCursor(QPixmap(QStringLiteral(":/resources/pencil.png")), 3, 20));

    Picture2 = new PictureBox(this, 2);
    Picture2->setWidth(4860);
    Picture2->setHeight(4860);
    work = new PictureBox(this, 2);
    work->setWidth(1095);
    work->setHeight(975);
    mask = new PictureBox(this, 2);
    face = new PictureBox(this, 2);
    mask->setPicture(defaultPatternMask());
    face->setPicture(defaultPatternFace());
    for (PictureBox *hidden : {Picture2, work, mask, face})
        hidden->hide();

    connect(Picture1, &PictureBox::Change, this, &Form1::Picture1_Change);
    connect(Picture1, &PictureBox::Resize, this, &Form1::Picture1_Resize);
}

Form1::~Form1() = default;

QString Form1::Caption() const
{
    return windowTitle();
}

void Form1::setCaption(const QString &caption)
{
    setWindowTitle(caption);
}

QWidget *Form1::frameWindow() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return const_cast<Form1 *>(this);
}

// The window's outer size as the document measures it: the canvas area plus a frame of 100
// twips across and 400 twips down (caption and borders), whatever the style's real frame is,
// so that a window sized to its canvas plus that frame shows the whole canvas.
static constexpr double FrameTwipsX = 100;
static constexpr double FrameTwipsY = 400;

QSize Form1::contentSize() const
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub->contentsRect().size();
    return size();
}

void Form1::setContentSize(QSize size)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        const QSize frame = sub->size() - sub->contentsRect().size();
        sub->resize(size + frame);
    } else {
        resize(size);
    }
}

double Form1::Width() const
{
    return contentSize().width() * Screen::TwipsPerPixelX + FrameTwipsX;
}

double Form1::Height() const
{
    return contentSize().height() * Screen::TwipsPerPixelY + FrameTwipsY;
}

void Form1::setWidth(double twips)
{
    setContentSize(QSize(qMax(0, roundEven((twips - FrameTwipsX) / Screen::TwipsPerPixelX)), contentSize().height()));
}

void Form1::setHeight(double twips)
{
    setContentSize(QSize(contentSize().width(), qMax(0, roundEven((twips - FrameTwipsY) / Screen::TwipsPerPixelY))));
}

void Form1::Form_Load()
{
    HistoryReady = true;
    if (Host *host = Host::current())
        host->documentLoaded(this);
    stroke.Drawing = false;
    // The first state is the canvas as it shows now: a new document has no stored picture yet.
    recordState(Picture1->Picture().isNull() ? Picture1->Image() : Picture1->Picture());
    RefreshUndoMenus();
    frameWindow()->show();
    QCoreApplication::processEvents();
}

void Form1::Undo()
{
    const qsizetype n = UndoList.size();
    const bool acts = n > 1 && HistoryReady;
    if (acts) {
        HistoryReady = false;
        Picture1->setPicture(UndoList[n - 2]->Picture);
        RedoList.append(UndoList[n - 1]);
        UndoList.removeAt(n - 1);
    }
    RefreshUndoMenus();
    // Only what this call cleared: a closed window stays closed to both operations.
    if (acts)
        HistoryReady = true;
}

void Form1::Redo()
{
    const qsizetype m = RedoList.size();
    const bool acts = m > 0 && HistoryReady;
    if (acts) {
        HistoryReady = false;
        Picture1->setPicture(RedoList[m - 1]->Picture);
        UndoList.append(RedoList[m - 1]);
        RedoList.removeAt(m - 1);
    }
    RefreshUndoMenus();
    if (acts)
        HistoryReady = true;
}

void Form1::RefreshUndoMenus()
{
    Host *host = Host::current();
    if (!host)
        return;
    // The menus belong to the active document; another one's lists must not show there.
    if (Form1 *active = host->ActiveForm(); active && active != this)
        return;
    host->setUndoMenus(UndoList.size() > 1, RedoList.size() > 0);
}

void Form1::GetOutputDC()
{
    // There is no numeric device context here; the canvas is addressed through hDC().
    OutputDC = 0;
}

QString Form1::Change(const QString &lParam1, const QString &lParam2, int startSearch)
{
    const QString &longer = lParam1.size() > lParam2.size() ? lParam1 : lParam2;
    const QString &shorter = lParam1.size() > lParam2.size() ? lParam2 : lParam1;
    const qsizetype d = longer.size() - shorter.size();
    const qsizetype start = qsizetype(startSearch) - d - 1;
    if (d == 0 || start < 0 || start >= longer.size())
        return QString();
    return longer.mid(start, d);
}

void Form1::pictureCommitted()
{
    RecordState();
    emit Committed();
}

void Form1::RecordState()
{
    recordState(Picture1->Picture());
    // Keeping within the budget may have dropped states of the active document as well.
    Host *host = Host::current();
    Form1 *active = host ? host->ActiveForm() : nullptr;
    (active ? active : this)->RefreshUndoMenus();
}

void Form1::Picture1_Change()
{
    // The temp file and the info text follow the canvas's stored picture. The file is written in
    // the background, so that Undo and Redo do not wait for it; its size is known beforehand.
    Host *host = Host::current();
    const QImage picture = Picture1->Picture();
    TempFile::writeLater(picture);
    const qint64 bytes = picture.isNull() ? 0 : qint64(bmp24FileSize(picture.size()));
    const float w = float(Picture1->Width() / Screen::TwipsPerPixelX);
    const float h = float(Picture1->Height() / Screen::TwipsPerPixelY);
    if (host)
        host->setPictureInfo(pictureInfoText(w, h, bytes));
}

QString Form1::pictureInfoText(float width, float height, qint64 fileBytes)
{
    // Counted in 64 bits: a picture of eleven million pixels or more has a temp file of 32 MB and up.
    const qint64 kB = qint64(std::nearbyint(double(fileBytes) / 1024.0));
    return QStringLiteral("%1x%2 %3kB").arg(double(width)).arg(double(height)).arg(kB);
}

void Form1::Picture1_Resize()
{
    Host *host = Host::current();
    Form1 *active = host ? host->ActiveForm() : nullptr;
    if (!active)
        active = this;
    if (Picture1->Width() > active->Width() - 100)
        active->setWidth(Picture1->Width() + 100);
    if (Picture1->Height() > active->Height() - 400)
        active->setHeight(Picture1->Height() + 400);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Host *host = Host::current();
    if (!host) {
        event->accept();
        return;
    }
    // The question is about this window, and Save As writes the active one: make it active.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()); sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    const QString text = QStringLiteral("Do You Want To Save ") + Caption() + QStringLiteral("?");
    const PromptAnswer answer = host->prompts().askYesNoCancel(host->mainWindow(), text, QStringLiteral("Save?"));
    if (answer == PromptAnswer::Cancel) {
        event->ignore();
        host->mainWindow()->setFocus();
        return;
    }
    if (answer == PromptAnswer::Yes) {
        // The picture is only let go once it is safely written.
        const bool saved = host->mnuSave_Click();
        host->mainWindow()->setFocus();
        if (!saved) {
            event->ignore();
            return;
        }
    }
    HistoryReady = false;
    discardHistory();
    event->accept();
    host->documentClosed(this);
}
