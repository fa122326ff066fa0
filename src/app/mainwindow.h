#pragma once
// The main window: the frame of all document windows, the menu bar, the tool palette, the
// picture-info frame and the progress bar, and the launcher of every dialog.
#include "document/documentwindow.h"
#include "document/prompts.h"
#include "document/workspace.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class AdjustDialog;
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
class ViewStatus;

class MainWindow : public QMainWindow, public Workspace {
    Q_OBJECT
public:
    // Without prompts of its own, the window shows Qt's dialogs.
    explicit MainWindow(std::unique_ptr<Prompts> prompts = nullptr);
    ~MainWindow() override;

    // Workspace
    DocumentWindow *activeDocument() const override;
    Prompts &prompts() override { return *m_prompts; }
    QWidget *mainWindow() override { return this; }
    bool saveAs(DocumentWindow &document) override;
    void setPictureInfo(const QString &text) override;
    void documentLoaded(DocumentWindow &document) override;
    void documentClosed(DocumentWindow &document) override;
    void setUndoMenus(bool undoEnabled, bool redoEnabled) override;

    // A new document window in the frame, loaded and shown.
    DocumentWindow *newDocument();
    QList<DocumentWindow *> documents() const;
    DocumentWindow *startupDocument() const { return m_startup; }

    // True until the first New or the first successful Open: they reuse the start-up window.
    bool firstTime = true;
    CommonDialog fileDialog; // the one file dialog of Open and Save As

    QMdiArea *mdiArea = nullptr;
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
    // Keys of the window, in no menu: Ctrl+W, Ctrl+Tab and Ctrl+Shift+Tab.
    QAction *closeDocumentAction = nullptr, *nextDocumentAction = nullptr, *previousDocumentAction = nullptr;

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
    Dialog *showDialog(QPointer<Dialog> &slot, DocumentWindow *document, Make make);
    bool saveDocumentAs(QPointer<DocumentWindow> document);
    // True when nothing is at the path, or the user agrees to replace what is.
    bool mayWriteOver(const QString &path);
    // The picture in a file, or nothing after Open's message has told the user why.
    std::optional<QImage> readPicture(const QString &path);
    // The picture flattened over the canvas's background, into the document; false (after telling
    // the user) when there is no memory for it.
    bool showOpenedPicture(DocumentWindow &document, const QString &path, const QImage &picture);
    // The first document window, re-created as at start-up when the user has closed it.
    DocumentWindow *firstDocument();
    void refreshUndoMenusForActive();
    // The picture info and the view's status follow the document the user works in.
    void showActiveDocument();
    // Cascades a new window from the workspace's top-left corner, inside the workspace.
    void placeNewWindow(QMdiSubWindow *window);

    std::unique_ptr<Prompts> m_prompts;
    QPointer<DocumentWindow> m_startup;
};

template <class Dialog, class Make>
Dialog *MainWindow::showDialog(QPointer<Dialog> &slot, DocumentWindow *document, Make make)
{
    // A dialog closed a moment ago is on its way out: the next showing is a new one.
    if (!slot || slot->unloaded()) {
        if (!document)
            return nullptr;
        slot = make(*document);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}
