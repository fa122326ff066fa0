#pragma once
// The program's small dialogs: fixed-size tool windows, shown without waiting, built for one
// document, that keep the main window and that document's window disabled while they are
// open. A dialog is not a child of the main window (Qt would disable it along with the main
// window); it is a top-level window kept in front of it. Enter presses OK and Escape Cancel, as
// in every dialog of the desktop; a button that has the keyboard focus takes Enter itself.
#include <QPointer>
#include <QWidget>

class DocumentWindow;
class QLabel;
class QPushButton;
class Workspace;

class ToolDialog : public QWidget {
    Q_OBJECT
public:
    // `clientTwips` is the client area's size in twips.
    ToolDialog(DocumentWindow &document, const QString &caption, QSize clientTwips);

    // Places a control by its left, top, width and height in twips.
    static void place(QWidget *control, int left, int top, int width, int height);

    // What the dialog's "&OK" and "&Cancel" buttons do; Cancel unloads by default.
    virtual void ok() = 0;
    virtual void cancel();

    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

    // Unloads the dialog: its unload steps run and it closes.
    void unload();
    // Closed, and only waiting to be deleted.
    bool unloaded() const { return m_unloaded; }

protected:
    // Controls placed in twips; the two buttons are wired to ok() and cancel(). `tip` says what
    // the button does; OK's and Cancel's tips add their key.
    QLabel *addLabel(const QString &caption, int left, int top, int width, int height);
    QPushButton *addButton(const QString &caption, const QString &tip, int left, int top, int width, int height);
    void addOkButton(const QString &tip, int left, int top, int width, int height);
    void addCancelButton(const QString &tip, int left, int top, int width, int height);

    void setMainAndDocumentEnabled(bool enabled);
    // The document the dialog was shown for, while it is still open. A document can go while
    // the dialog's handler yields (the main window closed under it); no other document takes
    // its place.
    DocumentWindow *document() const;
    Workspace &workspace() const { return m_workspace; }
    // The dialog's own unload steps, whichever way it closes.
    virtual void unloading() {}
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Workspace &m_workspace;
    QPointer<DocumentWindow> m_document;
    bool m_unloaded = false;
    bool m_placed = false;
};
