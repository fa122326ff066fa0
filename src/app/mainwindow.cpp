#include "app/mainwindow.h"

#include "adjust/adjustdialog.h"
#include "app/qtprompts.h"
#include "app/viewstatus.h"
#include "document/canvasview.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "imagelib/picturememory.h"
#include "pattern/patterndialog.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"
#include "tools/toolsettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

MainWindow::MainWindow(std::unique_ptr<Prompts> prompts, std::unique_ptr<TempFile> tempFile)
    : m_prompts(std::move(prompts)), m_tempFile(std::move(tempFile))
{
    if (!m_prompts)
        m_prompts = std::make_unique<QtPrompts>();
    if (!m_tempFile)
        m_tempFile = std::make_unique<TempFile>();
    setWindowTitle(QStringLiteral("Vell's Painter"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/app.png")));
    mdiArea = new QMdiArea(this);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdiArea);
    toolSettings = new ToolSettings(this);
    palette = new Palette(*toolSettings, *m_prompts, this, this);
    createMenus();
    createDocumentKeys();
    createToolbars();
    progressBar = new QProgressBar;
    progressBar->setMaximumWidth(200);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    progressBar->setToolTip(tr("Progress bar; while Smooth runs, the window's caption says [Working]"));
    statusBar()->addPermanentWidget(progressBar);
    viewStatus = new ViewStatus(*this);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::followActiveDocument);
    connect(palette, &Palette::patternDialogWanted, this, &MainWindow::showPatternDialog);
    // What a palette click asks of a canvas goes to the active document's only.
    connect(palette, &Palette::canvasPointerChosen, this, [this](const QCursor &pointer) {
        if (DocumentWindow *window = activeDocumentWindow())
            window->view().setPointer(pointer);
    });
    connect(palette, &Palette::canvasPenWidthChosen, this, [this](int width) {
        if (Document *document = activeDocument())
            document->canvas().setPenWidth(width);
    });
    setAcceptDrops(true);
    // Nothing fixes the main window's size: most of the screen, in its middle.
    if (const QScreen *display = screen()) {
        const QRect available = display->availableGeometry();
        resize(available.size() * 0.8);
        move(available.center() - QPoint(width() / 2, height() / 2));
    } else {
        resize(900, 700);
    }
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
    // That includes windows closed but not yet deleted, which the area no longer lists: they
    // too must go before the history budget and temp file their documents use.
    disconnect(mdiArea, nullptr, this, nullptr);
    const QList<QMdiSubWindow *> windows = mdiArea->findChildren<QMdiSubWindow *>();
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
    // The desktop's usual redo key as well.
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
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

void MainWindow::createDocumentKeys()
{
    auto key = [this](const QString &name, const QList<QKeySequence> &shortcuts, auto slot) {
        auto *action = new QAction(name, this);
        action->setShortcuts(shortcuts);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    closeDocumentAction = key(tr("Close"), {QKeySequence(Qt::CTRL | Qt::Key_W)}, &MainWindow::closeActiveDocument);
    nextDocumentAction = key(tr("Next Picture"), {QKeySequence(Qt::CTRL | Qt::Key_Tab)},
                             [this] { mdiArea->activateNextSubWindow(); });
    // Shift+Tab arrives as Backtab.
    previousDocumentAction =
        key(tr("Previous Picture"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
            [this] { mdiArea->activatePreviousSubWindow(); });
    copyAction = key(tr("Copy Picture"), {QKeySequence(Qt::CTRL | Qt::Key_C)}, &MainWindow::copy);
    pasteAction = key(tr("Paste Picture"), {QKeySequence(Qt::CTRL | Qt::Key_V)}, &MainWindow::paste);
}

void MainWindow::createToolbars()
{
    infoBar = addToolBar(tr("Picture info and pen width"));
    infoBar->setMovable(false);
    auto *pictureInfoFrame = new QGroupBox(QStringLiteral("Picture Info"));
    pictureInfo = new QLabel;
    pictureInfo->setMinimumWidth(140);
    pictureInfo->setToolTip(tr("The canvas's size in pixels, its border included, and the picture's size as a BMP "
                               "file"));
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

DocumentWindow *MainWindow::activeDocumentWindow() const
{
    QMdiSubWindow *sub = mdiArea->currentSubWindow();
    return sub ? qobject_cast<DocumentWindow *>(sub->widget()) : nullptr;
}

Document *MainWindow::activeDocument() const
{
    DocumentWindow *window = activeDocumentWindow();
    return window ? &window->document() : nullptr;
}

QList<DocumentWindow *> MainWindow::documents() const
{
    QList<DocumentWindow *> list;
    for (QMdiSubWindow *sub : mdiArea->subWindowList())
        if (auto *window = qobject_cast<DocumentWindow *>(sub->widget()); window && window->document().isOpen())
            list << window;
    return list;
}

DocumentWindow *MainWindow::newDocument()
{
    auto *window = new DocumentWindow(*this);
    QMdiSubWindow *sub = mdiArea->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon(QStringLiteral(":/resources/app.png")));
    // The frame's own Close keeps Ctrl+F4 and leaves Ctrl+W to the main window, which closes the
    // active document wherever the keyboard is; two owners of a key would make it do nothing.
    if (QMenu *menu = sub->systemMenu()) {
        for (QAction *action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(closeDocumentAction->shortcut()) > 0)
                action->setShortcuts(keys);
        }
    }
    Document &document = window->document();
    // A press on a picture makes its window the one the user works in, before the tool acts.
    connect(&window->view(), &CanvasView::mousePressed, sub, [this, sub] {
        if (mdiArea->activeSubWindow() != sub)
            mdiArea->setActiveSubWindow(sub);
    });
    new StrokeFrame(document, window->view(), *toolSettings, m_random, window);
    connect(&document, &Document::pictureInfoChanged, this, [this, window](const QString &text) {
        // The others keep theirs for when they are activated.
        if (activeDocumentWindow() == window)
            pictureInfo->setText(text);
    });
    connect(&document, &Document::undoStateChanged, this, &MainWindow::refreshUndoActions);
    connect(&document, &Document::outOfMemory, this, &MainWindow::tellOutOfMemory);
    connect(window, &DocumentWindow::canvasResized, this, [this, window] { growToCanvas(*window); });
    connect(window, &DocumentWindow::closed, this, [this, window] { documentClosed(window); });
    fitToCanvas(*window);
    placeNewWindow(sub);
    mdiArea->setActiveSubWindow(sub);
    if (!m_startup)
        m_startup = window;
    documentShown();
    document.open();
    sub->show();
    return window;
}

void MainWindow::placeNewWindow(QMdiSubWindow *window)
{
    const QSize workspace = mdiArea->viewport()->size();
    const int step = qMax(1, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    const int room = qMax(0, qMin(workspace.width() - window->width(), workspace.height() - window->height()));
    const int places = room / step + 1;
    const int at = int(documents().size() % places) * step;
    window->move(at, at);
}

void MainWindow::fitToCanvas(DocumentWindow &window)
{
    // The window's frame (caption and borders) is left out: its inside is the canvas's size.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window.parentWidget()))
        setContentSize(sub, window.document().canvas().outerSize());
}

void MainWindow::growToCanvas(DocumentWindow &window)
{
    // The window grows so that the whole canvas fits; it never shrinks here.
    auto *sub = qobject_cast<QMdiSubWindow *>(window.parentWidget());
    if (!sub)
        return;
    const QSize content = sub->contentsRect().size();
    const QSize grown = content.expandedTo(window.document().canvas().outerSize());
    if (grown != content)
        setContentSize(sub, grown);
}

void MainWindow::setContentSize(QMdiSubWindow *window, QSize size)
{
    const QSize frame = window->size() - window->contentsRect().size();
    if (!mdiArea->isVisible()) {
        window->resize(size + frame);
        return;
    }
    // A window larger than the workspace would hide its caption and scrollbars beyond it.
    const QRect workspace = mdiArea->viewport()->rect();
    window->resize((size + frame).boundedTo(workspace.size()));
    if (window->isMaximized() || window->isMinimized())
        return;
    const QRect placed = window->geometry();
    const QPoint inside(qMax(0, qMin(placed.left(), workspace.right() + 1 - placed.width())),
                        qMax(0, qMin(placed.top(), workspace.bottom() + 1 - placed.height())));
    if (inside != placed.topLeft())
        window->move(inside);
}

DocumentWindow *MainWindow::firstDocument()
{
    if (!m_startup)
        newDocument();
    return m_startup;
}

void MainWindow::documentShown()
{
    palette->setToolsEnabled(true);
    toolSettings->setColour(0);
    filterMenu->setEnabled(true);
    pictureMenu->setEnabled(true);
}

void MainWindow::documentClosed(DocumentWindow *closed)
{
    bool others = false;
    for (DocumentWindow *window : documents())
        others = others || window != closed;
    if (others)
        return;
    pictureInfo->clear();
    viewStatus->follow(nullptr);
    // The frame keeps its scroll range as far as it is scrolled: back at the origin, the
    // scrollbars of an empty workspace go once the window has gone.
    mdiArea->horizontalScrollBar()->setValue(0);
    mdiArea->verticalScrollBar()->setValue(0);
    palette->setToolsEnabled(false);
    filterMenu->setEnabled(false);
    pictureMenu->setEnabled(false);
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
}

void MainWindow::refreshUndoActions()
{
    // Undo and Redo act on the active document: its lists, and nothing while none is open.
    const Document *document = activeDocument();
    undoAction->setEnabled(document && document->isOpen() && document->canUndo());
    redoAction->setEnabled(document && document->isOpen() && document->canRedo());
}

void MainWindow::followActiveDocument()
{
    refreshUndoActions();
    // The frame may pass through no active window for a moment while documents stay open.
    DocumentWindow *window = activeDocumentWindow();
    if (!window && !documents().isEmpty())
        return;
    pictureInfo->setText(window ? window->document().pictureInfo() : QString());
    viewStatus->follow(window);
}

void MainWindow::tellOutOfMemory(QSize size)
{
    prompts().message(this,
                      QStringLiteral("There is not enough memory for a picture of %1 x %2 pixels. The picture is as "
                                     "it was before the last command.")
                          .arg(size.width())
                          .arg(size.height()),
                      QStringLiteral("Vell's Painter"), MessageIcon::Critical);
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

void MainWindow::closeActiveDocument()
{
    if (QMdiSubWindow *sub = mdiArea->currentSubWindow())
        sub->close();
}

static QStringList droppedFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

bool MainWindow::documentsBlocked() const
{
    // A dialog of the program is open over the window, or a command keeps the window disabled.
    return !isEnabled() || QApplication::activeModalWidget() != nullptr;
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Qt offers drops to a window that a dialog blocks too; the documents stay as they are then.
    if (!documentsBlocked() && !droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedFiles(event->mimeData());
    if (documentsBlocked() || paths.isEmpty())
        return;
    event->acceptProposedAction();
    // The files open once the drop has ended, so that the program the files came from does not
    // wait on a message about one of them.
    QMetaObject::invokeMethod(this, [this, paths] { openInNewWindows(paths); }, Qt::QueuedConnection);
}

void MainWindow::undo()
{
    if (Document *document = activeDocument())
        document->undo();
}

void MainWindow::redo()
{
    if (Document *document = activeDocument())
        document->redo();
}
