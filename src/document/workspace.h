#pragma once
// What a document window and the dialogs and tools working on it need of the main window that
// holds them. The main window implements it and hands itself to every document it makes; a
// command passes the document it works on, never looks one up.
#include <QString>

class DocumentWindow;
class Prompts;
class QWidget;

class Workspace {
public:
    virtual ~Workspace() = default;

    // The document the user works in (nullptr when none is open).
    virtual DocumentWindow *activeDocument() const = 0;
    virtual Prompts &prompts() = 0;
    virtual QWidget *mainWindow() = 0;
    // The Save As command on the given document; true when the picture was written.
    virtual bool saveAs(DocumentWindow &document) = 0;
    virtual void setPictureInfo(const QString &text) = 0;
    // A document window has loaded, or its close has been confirmed.
    virtual void documentLoaded(DocumentWindow &document) = 0;
    virtual void documentClosed(DocumentWindow &document) = 0;
    // The Undo and Redo menu items.
    virtual void setUndoMenus(bool undoEnabled, bool redoEnabled) = 0;
};
