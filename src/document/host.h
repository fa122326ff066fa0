#pragma once
// What the document windows, the tools and the dialogs need of the main window. The main
// window implements it and registers itself as the one program-wide host; every command
// addresses the active document through it at the moment it runs.
#include <QString>

class Form1;
class Prompts;
class QWidget;

class Host {
public:
    static Host &instance();
    static Host *current();

    virtual Form1 *ActiveForm() const = 0;
    virtual Prompts &prompts() = 0;
    virtual QWidget *mainWindow() = 0;
    virtual bool CanSize() const = 0;
    // The Save As command on the active document; true when the picture was written.
    virtual bool mnuSave_Click() = 0;
    virtual void setPictureInfo(const QString &text) = 0;
    // A document window has loaded, or its close has been confirmed.
    virtual void documentLoaded(Form1 *form) = 0;
    virtual void documentClosed(Form1 *form) = 0;
    // Undo and Redo menu items follow the given document's history.
    virtual void setUndoMenus(bool undoEnabled, bool redoEnabled) = 0;

protected:
    Host();
    virtual ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;
};
