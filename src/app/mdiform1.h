#pragma once
// The main window: the frame of all document windows, the menu bar, the tool palette, the
// picture-info frame and the progress bar, and the launcher of every dialog.
#include "document/form1.h"
#include "document/host.h"
#include "document/prompts.h"
#include "document/tooldialog.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class Form1;
class Palette;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QProgressBar;
class QToolBar;
class ToolDialog;

class MDIForm1 : public QMainWindow, public Host {
    Q_OBJECT
public:
    // Without prompts of its own, the window shows Qt's dialogs.
    explicit MDIForm1(std::unique_ptr<Prompts> prompts = nullptr);
    ~MDIForm1() override;

    // Host
    Form1 *ActiveForm() const override;
    Prompts &prompts() override { return *m_prompts; }
    QWidget *mainWindow() override { return this; }
    bool CanSize() const override { return m_canSize; }
    bool mnuSave_Click() override;
    void setPictureInfo(const QString &text) override;
    void documentLoaded(Form1 *form) override;
    void documentClosed(Form1 *form) override;
    void setUndoMenus(bool undoEnabled, bool redoEnabled) override;

    // A new document window in the frame, loaded and shown.
    Form1 *newDocument();
    QList<Form1 *> documents() const;
    Form1 *startupForm() const { return m_startup; }
    void activate(Form1 *form);

    bool FirstTime = true;
    bool m_canSize = false;
    CommonDialog CD1; // the one file dialog of Open and Save As

    QMdiArea *mdiArea = nullptr;
    Palette *palette = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *PB1 = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QToolBar *TB1 = nullptr;
    QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuFilter = nullptr, *mnuPicture = nullptr;
    QAction *mnuNew = nullptr, *mnuOpen = nullptr, *mnuSave = nullptr, *mnuExit = nullptr;
    QAction *mnuUndo = nullptr, *mnuRedo = nullptr;
    QAction *mnuSmooth = nullptr;
    QAction *mnuAdjustColors = nullptr, *mnuAdjustBrightness = nullptr, *mnuAdjustContrast = nullptr;
    QAction *mnuRotate = nullptr, *mnuSize = nullptr, *mnuCansize = nullptr;
    QAction *mnuFlipHor = nullptr, *mnuFlipVert = nullptr;

    // Menu commands.
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuExit_Click();
    void mnuUndo_Click();
    void mnuRedo_Click();
    void mnuSmooth_Click();
    void mnuAdjustColors_Click();
    void mnuAdjustBrightness_Click();
    void mnuAdjustContrast_Click();
    void mnuRotate_Click();
    void mnuSize_Click();
    void mnuCansize_Click();
    void mnuFlipHor_Click();
    void mnuFlipVert_Click();
    void showPatternDialog();

    // Each dialog exists once: shows the open one, or creates it with `make`.
    template <class Dialog, class Make> Dialog *showDialog(QPointer<Dialog> &slot, Make make)
    {
        // A dialog closed a moment ago is on its way out: the next showing is a new one.
        if (!slot || slot->unloaded())
            slot = make();
        showToolDialog(slot);
        return slot;
    }

    QPointer<ToolDialog> Form2, Form3, Form4, Form5, frmRotate, frmPat;

    void MDIForm_Load();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createToolbars();
    void showToolDialog(QWidget *dialog);
    // The first document window, re-created as at start-up when the user has closed it.
    Form1 *firstDocument();
    void refreshUndoMenusForActive();

    std::unique_ptr<Prompts> m_prompts;
    QPointer<Form1> m_startup;
};

extern QString MainTitle;
