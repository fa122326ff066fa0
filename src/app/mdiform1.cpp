#include "app/mdiform1.h"

#include "app/qtprompts.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tooldialog.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

QString MainTitle;

MDIForm1::MDIForm1(std::unique_ptr<Prompts> prompts) : m_prompts(std::move(prompts))
{
    if (!m_prompts)
        m_prompts = std::make_unique<QtPrompts>();
    setWindowTitle(QStringLiteral("Vell's Painter"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/app.png")));
    mdiArea = new QMdiArea(this);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdiArea);
    palette = new Palette(this);
    createMenus();
    createToolbars();
    PB1 = new QProgressBar;
    PB1->setMaximumWidth(200);
    PB1->setValue(0);
    PB1->setTextVisible(false);
    statusBar()->addPermanentWidget(PB1);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this] { refreshUndoMenusForActive(); });
    connect(palette, &Palette::patternDialogWanted, this, &MDIForm1::showPatternDialog);
    resize(900, 700);
    MDIForm_Load();
}

MDIForm1::~MDIForm1()
{
    for (QPointer<ToolDialog> *dialog : {&Form2, &Form3, &Form4, &Form5, &frmRotate, &frmPat})
        delete dialog->data();
    // Documents still open go with the frame, without questions; nothing may react to their
    // going as if a user had switched windows.
    disconnect(mdiArea, nullptr, this, nullptr);
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList();
    for (QMdiSubWindow *window : windows)
        delete window;
}

void MDIForm1::MDIForm_Load()
{
    FirstTime = true;
    MainTitle = QStringLiteral("Vell's Painter");
}

void MDIForm1::createMenus()
{
    auto item = [this](QMenu *menu, const QString &caption, const QKeySequence &shortcut, void (MDIForm1::*slot)()) {
        QAction *action = menu->addAction(caption);
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuNew = item(mnuFile, QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), &MDIForm1::mnuNew_Click);
    mnuFile->addSeparator();
    mnuOpen = item(mnuFile, QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O), &MDIForm1::mnuOpen_Click);
    mnuSave = mnuFile->addAction(QStringLiteral("&Save As"));
    mnuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(mnuSave, &QAction::triggered, this, [this] { mnuSave_Click(); });
    mnuFile->addSeparator();
    mnuExit = item(mnuFile, QStringLiteral("&Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &MDIForm1::mnuExit_Click);

    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuUndo = item(mnuEdit, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), &MDIForm1::mnuUndo_Click);
    mnuRedo = item(mnuEdit, QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), &MDIForm1::mnuRedo_Click);
    mnuUndo->setEnabled(false);
    mnuRedo->setEnabled(false);

    mnuFilter = menuBar()->addMenu(QStringLiteral("F&ilter"));
    mnuSmooth = item(mnuFilter, QStringLiteral("&Smooth"), {}, &MDIForm1::mnuSmooth_Click);
    mnuFilter->setEnabled(false);

    mnuPicture = menuBar()->addMenu(QStringLiteral("&Picture"));
    mnuAdjustColors = item(mnuPicture, QStringLiteral("Adjust &Colors"), {}, &MDIForm1::mnuAdjustColors_Click);
    mnuAdjustBrightness =
        item(mnuPicture, QStringLiteral("Adjust &Brightness"), {}, &MDIForm1::mnuAdjustBrightness_Click);
    mnuAdjustContrast = item(mnuPicture, QStringLiteral("Adjust &Contrast"), {}, &MDIForm1::mnuAdjustContrast_Click);
    mnuPicture->addSeparator();
    mnuRotate = item(mnuPicture, QStringLiteral("&Rotate"), {}, &MDIForm1::mnuRotate_Click);
    mnuSize = item(mnuPicture, QStringLiteral("Size"), {}, &MDIForm1::mnuSize_Click);
    mnuCansize = item(mnuPicture, QStringLiteral("Canvas Size"), {}, &MDIForm1::mnuCansize_Click);
    mnuPicture->addSeparator();
    mnuFlipHor = item(mnuPicture, QStringLiteral("Flip Horizontal"), {}, &MDIForm1::mnuFlipHor_Click);
    mnuFlipVert = item(mnuPicture, QStringLiteral("Flip Vertical"), {}, &MDIForm1::mnuFlipVert_Click);
    mnuPicture->setEnabled(false);
}

void MDIForm1::createToolbars()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    auto *Frame4 = new QGroupBox(QStringLiteral("Picture Info"));
    Label1 = new QLabel;
    Label1->setMinimumWidth(140);
    auto *infoLayout = new QHBoxLayout(Frame4);
    infoLayout->setContentsMargins(6, 2, 6, 2);
    infoLayout->addWidget(Label1);
    Toolbar1->addWidget(Frame4);
    Toolbar1->addWidget(palette->Frame3);
    auto *rest = new QWidget;
    rest->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    Toolbar1->addWidget(rest);

    TB1 = new QToolBar(QStringLiteral("TB1"));
    TB1->setMovable(false);
    addToolBar(Qt::LeftToolBarArea, TB1);
    TB1->addWidget(palette->TB1);
}

Form1 *MDIForm1::ActiveForm() const
{
    QMdiSubWindow *sub = mdiArea->currentSubWindow();
    return sub ? qobject_cast<Form1 *>(sub->widget()) : nullptr;
}

QList<Form1 *> MDIForm1::documents() const
{
    QList<Form1 *> list;
    for (QMdiSubWindow *sub : mdiArea->subWindowList())
        if (auto *form = qobject_cast<Form1 *>(sub->widget()); form && !sub->isHidden() && form->HistoryReady)
            list << form;
    return list;
}

void MDIForm1::activate(Form1 *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        mdiArea->setActiveSubWindow(sub);
}

Form1 *MDIForm1::newDocument()
{
    auto *form = new Form1;
    QMdiSubWindow *sub = mdiArea->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon(QStringLiteral(":/resources/app.png")));
    attachCanvasTools(form, palette);
    form->setWidth(form->Picture1->Width() + 100);
    form->setHeight(form->Picture1->Height() + 400);
    mdiArea->setActiveSubWindow(sub);
    if (!m_startup)
        m_startup = form;
    form->Form_Load();
    return form;
}

Form1 *MDIForm1::firstDocument()
{
    if (!m_startup) {
        newDocument();
    }
    return m_startup;
}

void MDIForm1::setPictureInfo(const QString &text)
{
    Label1->setText(text);
}

void MDIForm1::documentLoaded(Form1 *)
{
    palette->setToolsEnabled(true);
    palette->setCurrentColour(0);
    mnuFilter->setEnabled(true);
    mnuPicture->setEnabled(true);
}

void MDIForm1::documentClosed(Form1 *form)
{
    bool others = false;
    for (Form1 *document : documents())
        others = others || document != form;
    if (!others) {
        palette->setToolsEnabled(false);
        mnuFilter->setEnabled(false);
        mnuPicture->setEnabled(false);
        mnuUndo->setEnabled(false);
        mnuRedo->setEnabled(false);
    }
}

void MDIForm1::setUndoMenus(bool undoEnabled, bool redoEnabled)
{
    mnuUndo->setEnabled(undoEnabled);
    mnuRedo->setEnabled(redoEnabled);
}

void MDIForm1::refreshUndoMenusForActive()
{
    if (Form1 *form = ActiveForm())
        form->RefreshUndoMenus();
    else
        setUndoMenus(false, false);
}

void MDIForm1::showToolDialog(QWidget *dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MDIForm1::mnuExit_Click()
{
    close();
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    // Every document asks its own question; a Cancel stops the exit there.
    for (QMdiSubWindow *sub : mdiArea->subWindowList()) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MDIForm1::mnuUndo_Click()
{
    if (Form1 *form = ActiveForm())
        form->Undo();
}

void MDIForm1::mnuRedo_Click()
{
    if (Form1 *form = ActiveForm())
        form->Redo();
}
