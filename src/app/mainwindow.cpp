#include "app/mainwindow.h"

#include "adjust/adjustdialog.h"
#include "app/qtprompts.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "imagelib/picturememory.h"
#include "pattern/patterndialog.h"
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

MainWindow::MainWindow(std::unique_ptr<Prompts> prompts) : m_prompts(std::move(prompts))
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
    palette = new Palette(*this, this);
    createMenus();
    createToolbars();
    progressBar = new QProgressBar;
    progressBar->setMaximumWidth(200);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    statusBar()->addPermanentWidget(progressBar);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, [this] { refreshUndoMenusForActive(); });
    connect(palette, &Palette::patternDialogWanted, this, &MainWindow::showPatternDialog);
    resize(900, 700);
}

MainWindow::~MainWindow()
{
    delete coloursDialog.data();
    delete brightnessDialog.data();
    delete contrastDialog.data();
    delete sizeDialog.data();
    delete rotateDialog.data();
    delete patternDialog.data();
    // Documents still open go with the frame, without questions; nothing may react to their
    // going as if a user had switched windows.
    disconnect(mdiArea, nullptr, this, nullptr);
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList();
    for (QMdiSubWindow *window : windows)
        delete window;
    // A process that goes on without this window (a test) keeps its picture memory in bounds.
    holdReleasedPictureMemory(false);
}

void MainWindow::createMenus()
{
    auto item = [this](QMenu *menu, const QString &caption, const QKeySequence &shortcut, void (MainWindow::*slot)()) {
        QAction *action = menu->addAction(caption);
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    newAction = item(fileMenu, QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), &MainWindow::newPicture);
    fileMenu->addSeparator();
    openAction = item(fileMenu, QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::open);
    saveAsAction = fileMenu->addAction(QStringLiteral("&Save As"));
    saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveAsAction, &QAction::triggered, this, [this] { saveAs(); });
    fileMenu->addSeparator();
    exitAction = item(fileMenu, QStringLiteral("&Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &MainWindow::exit);

    editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    undoAction = item(editMenu, QStringLiteral("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undo);
    redoAction = item(editMenu, QStringLiteral("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), &MainWindow::redo);
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);

    filterMenu = menuBar()->addMenu(QStringLiteral("F&ilter"));
    smoothAction = item(filterMenu, QStringLiteral("&Smooth"), {}, &MainWindow::smooth);
    filterMenu->setEnabled(false);

    pictureMenu = menuBar()->addMenu(QStringLiteral("&Picture"));
    adjustColorsAction = item(pictureMenu, QStringLiteral("Adjust &Colors"), {}, &MainWindow::adjustColours);
    adjustBrightnessAction =
        item(pictureMenu, QStringLiteral("Adjust &Brightness"), {}, &MainWindow::adjustBrightness);
    adjustContrastAction = item(pictureMenu, QStringLiteral("Adjust &Contrast"), {}, &MainWindow::adjustContrast);
    pictureMenu->addSeparator();
    rotateAction = item(pictureMenu, QStringLiteral("&Rotate"), {}, &MainWindow::rotate);
    sizeAction = item(pictureMenu, QStringLiteral("Size"), {}, &MainWindow::sizePicture);
    canvasSizeAction = item(pictureMenu, QStringLiteral("Canvas Size"), {}, &MainWindow::sizeCanvas);
    pictureMenu->addSeparator();
    flipHorizontalAction = item(pictureMenu, QStringLiteral("Flip Horizontal"), {}, &MainWindow::flipHorizontal);
    flipVerticalAction = item(pictureMenu, QStringLiteral("Flip Vertical"), {}, &MainWindow::flipVertical);
    pictureMenu->setEnabled(false);
}

void MainWindow::createToolbars()
{
    infoBar = addToolBar(tr("Picture info and pen width"));
    infoBar->setMovable(false);
    auto *pictureInfoFrame = new QGroupBox(QStringLiteral("Picture Info"));
    pictureInfo = new QLabel;
    pictureInfo->setMinimumWidth(140);
    auto *infoLayout = new QHBoxLayout(pictureInfoFrame);
    infoLayout->setContentsMargins(6, 2, 6, 2);
    infoLayout->addWidget(pictureInfo);
    infoBar->addWidget(pictureInfoFrame);
    infoBar->addWidget(palette->penWidthFrame);
    auto *rest = new QWidget;
    rest->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    infoBar->addWidget(rest);

    toolBox = new QToolBar(tr("Tools"));
    toolBox->setMovable(false);
    addToolBar(Qt::LeftToolBarArea, toolBox);
    toolBox->addWidget(palette->toolPanel);
}

DocumentWindow *MainWindow::activeDocument() const
{
    QMdiSubWindow *sub = mdiArea->currentSubWindow();
    return sub ? qobject_cast<DocumentWindow *>(sub->widget()) : nullptr;
}

QList<DocumentWindow *> MainWindow::documents() const
{
    QList<DocumentWindow *> list;
    for (QMdiSubWindow *sub : mdiArea->subWindowList())
        if (auto *document = qobject_cast<DocumentWindow *>(sub->widget()); document && document->isOpen())
            list << document;
    return list;
}

DocumentWindow *MainWindow::newDocument()
{
    auto *document = new DocumentWindow(*this);
    QMdiSubWindow *sub = mdiArea->addSubWindow(document);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon(QStringLiteral(":/resources/app.png")));
    attachCanvasTools(*document, *palette);
    document->fitToCanvas();
    mdiArea->setActiveSubWindow(sub);
    if (!m_startup)
        m_startup = document;
    document->load();
    return document;
}

DocumentWindow *MainWindow::firstDocument()
{
    if (!m_startup)
        newDocument();
    return m_startup;
}

void MainWindow::setPictureInfo(const QString &text)
{
    pictureInfo->setText(text);
}

void MainWindow::documentLoaded(DocumentWindow &)
{
    palette->setToolsEnabled(true);
    palette->setCurrentColour(0);
    filterMenu->setEnabled(true);
    pictureMenu->setEnabled(true);
}

void MainWindow::documentClosed(DocumentWindow &closed)
{
    bool others = false;
    for (DocumentWindow *document : documents())
        others = others || document != &closed;
    if (!others) {
        palette->setToolsEnabled(false);
        filterMenu->setEnabled(false);
        pictureMenu->setEnabled(false);
        undoAction->setEnabled(false);
        redoAction->setEnabled(false);
    }
}

void MainWindow::setUndoMenus(bool undoEnabled, bool redoEnabled)
{
    undoAction->setEnabled(undoEnabled);
    redoAction->setEnabled(redoEnabled);
}

void MainWindow::refreshUndoMenusForActive()
{
    if (DocumentWindow *document = activeDocument())
        document->refreshUndoMenus();
    else
        setUndoMenus(false, false);
}

void MainWindow::exit()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // On the way out, the pictures of the documents closed need not be unmapped one by one: the
    // end of the process frees them all at once.
    holdReleasedPictureMemory(true);
    // Every document asks its own question; a Cancel stops the exit there.
    for (QMdiSubWindow *sub : mdiArea->subWindowList()) {
        if (!sub->close()) {
            holdReleasedPictureMemory(false);
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MainWindow::undo()
{
    if (DocumentWindow *document = activeDocument())
        document->undo();
}

void MainWindow::redo()
{
    if (DocumentWindow *document = activeDocument())
        document->redo();
}
