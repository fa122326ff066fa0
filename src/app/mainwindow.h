#pragma once
// The main window: the frame of all document windows, the menu bar, the tool palette, the
// picture-info frame, the status bar, and the launcher of every dialog. It owns what the
// documents share (the prompts, the temp file, the history budget, the airbrush's random numbers)
// and hands it to each, and it follows the active document as the user switches windows.
#include "document/documentwindow.h"
#include "document/history.h"
#include "document/prompts.h"
#include "document/tempfile.h"
#include "document/workspace.h"
#include "tools/randomsource.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class AdjustDialog;
class Document;
class DocumentWindow;
class Palette;
class PatternDialog;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QToolBar;
class RotateDialog;
class SizeDialog;
class ToolSettings;
class ViewStatus;

class MainWindow : public QMainWindow, public Workspace {
    Q_OBJECT
public:
    // Without prompts of its own, the window shows Qt's dialogs; without a temp file of its own,
    // it keeps "temp" in the program's folder.
    explicit MainWindow(std::unique_ptr<Prompts> prompts = nullptr, std::unique_ptr<TempFile> tempFile = nullptr);
    ~MainWindow() override;

    // Workspace
    Prompts &prompts() override { return *m_prompts; }
    TempFile &tempFile() override { return *m_tempFile; }
    HistoryBudget &historyBudget() override { return m_historyBudget; }
    QWidget *mainWindow() override { return this; }
    bool saveAs(Document &document) override;

    // The window of the document the user works in, and its document (nullptr when none is open).
    DocumentWindow *activeDocumentWindow() const;
    Document *activeDocument() const;
    // A new document window in the frame, shown.
    DocumentWindow *newDocument();
    QList<DocumentWindow *> documents() const;
    DocumentWindow *startupDocument() const { return m_startup; }

    // True until the first New or the first successful Open: they reuse the start-up window.
    bool firstTime = true;
    // The one file dialog of Open and Save As keeps the file last chosen.
    QString lastFileName;

    QMdiArea *mdiArea = nullptr;
    ToolSettings *toolSettings = nullptr;
    Palette *palette = nullptr;
    QLabel *pictureInfo = nullptr;
    QProgressBar *progressBar = nullptr;
    QToolBar *infoBar = nullptr;
    QToolBar *toolBox = nullptr;
    ViewStatus *viewStatus = nullptr; // pointer position, picture size, zoom box and zoom keys
    QMenu *fileMenu = nullptr, *editMenu = nullptr, *filterMenu = nullptr, *pictureMenu = nullptr;
    QAction *newAction = nullptr, *openAction = nullptr, *saveAsAction = nullptr, *exitAction = nullptr;
    QAction *undoAction = nullptr, *redoAction = nullptr;
    QAction *smoothAction = nullptr;
    QAction *adjustColorsAction = nullptr, *adjustBrightnessAction = nullptr, *adjustContrastAction = nullptr;
    QAction *rotateAction = nullptr, *sizeAction = nullptr, *canvasSizeAction = nullptr;
    QAction *flipHorizontalAction = nullptr, *flipVerticalAction = nullptr;
    // Keys of the window, in no menu: Ctrl+W, Ctrl+Tab and Ctrl+Shift+Tab, Ctrl+C and Ctrl+V.
    QAction *closeDocumentAction = nullptr, *nextDocumentAction = nullptr, *previousDocumentAction = nullptr;
    QAction *copyAction = nullptr, *pasteAction = nullptr;

    // Each dialog exists once; the command that shows it passes the active document.
    QPointer<AdjustDialog> coloursDialog, brightnessDialog, contrastDialog;
    QPointer<SizeDialog> sizeDialog;
    QPointer<RotateDialog> rotateDialog;
    QPointer<PatternDialog> patternDialog;

    // The commands of the menus, on the active document.
    void newPicture();
    void open();
    // Each file in a new document window, as New makes one, loaded as Open loads; a file that
    // cannot be read gets Open's message. Pictures already open are never replaced.
    void openInNewWindows(const QStringList &paths);
    // Save As on the active document; true when the picture was written.
    bool saveAs();
    void exit();
    void undo();
    void redo();
    void smooth();
    void adjustColours();
    void adjustBrightness();
    void adjustContrast();
    void rotate();
    void sizePicture();
    void sizeCanvas();
    void flipHorizontal();
    void flipVertical();
    void showPatternDialog();
    // Closes the active document through its save question.
    void closeActiveDocument();
    // The active picture, as drawn, onto the clipboard; the clipboard's picture into a new window,
    // as a dropped file opens.
    void copy();
    void paste();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Picture files dropped on the window open in new windows.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMenus();
    void createToolbars();
    void createDocumentKeys();
    // Shows the open dialog of the slot, or a new one that `make` builds for the document.
    template <class Dialog, class Make>
    Dialog *showDialog(QPointer<Dialog> &slot, Document *document, Make make);
    // Whether a dialog keeps the user from the documents (drops are refused then).
    bool documentsBlocked() const;
    bool saveDocumentAs(QPointer<Document> document);
    // True when nothing is at the path, or the user agrees to replace what is.
    bool mayWriteOver(const QString &path);
    // The picture in a file, or nothing after Open's message has told the user why.
    std::optional<QImage> readPicture(const QString &path);
    // The picture flattened over the canvas's background, into the document, shown whole, with
    // the caption; false (after telling the user, under `command` and what the picture came from)
    // when there is no memory for it.
    bool showOpenedPicture(Document &document, const QImage &picture, const QString &caption,
                           const QString &command, const QString &from);
    // The first document window, re-created as at start-up when the user has closed it.
    DocumentWindow *firstDocument();
    // What the window shows of the documents follows the active one.
    void followActiveDocument();
    void refreshUndoActions();
    void documentShown();
    void documentClosed(DocumentWindow *window);
    void tellOutOfMemory(QSize size);
    // A document's window as large as its canvas with its border (never larger than the
    // workspace), or only grown to it.
    void fitToCanvas(DocumentWindow &window);
    void growToCanvas(DocumentWindow &window);
    void setContentSize(QMdiSubWindow *window, QSize size);
    // Cascades a new window from the workspace's top-left corner, inside the workspace.
    void placeNewWindow(QMdiSubWindow *window);

    std::unique_ptr<Prompts> m_prompts;
    std::unique_ptr<TempFile> m_tempFile;
    HistoryBudget m_historyBudget;
    RandomSource m_random;
    QPointer<DocumentWindow> m_startup;
};

template <class Dialog, class Make>
Dialog *MainWindow::showDialog(QPointer<Dialog> &slot, Document *document, Make make)
{
    // A dialog closed a moment ago is on its way out: the next showing is a new one.
    if (!slot || slot->isClosed()) {
        if (!document)
            return nullptr;
        slot = make(*document);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}
