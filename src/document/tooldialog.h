#pragma once
// The program's small dialogs: fixed-size tool windows, shown without waiting, that keep the
// main window and the active document window disabled while they are open. A dialog is not a
// child of the main window (Qt would disable it along with the main window); it is a top-level
// window kept in front of it.
#include <QPointer>
#include <QWidget>

class Form1;

class ToolDialog : public QWidget {
    Q_OBJECT
public:
    // `clientTwips` is the client area's size in twips.
    ToolDialog(const QString &caption, QSize clientTwips);

    // Places a control by its left, top, width and height in twips.
    static void place(QWidget *control, int left, int top, int width, int height);

    // Unloads the dialog: its unload steps run and it closes.
    void Unload();
    // Closed, and only waiting to be deleted.
    bool unloaded() const { return m_unloaded; }

protected:
    void setMainAndDocumentEnabled(bool enabled);
    // The document the dialog was shown for, while it is open and still the active one. A
    // document can go while the dialog's handler yields (the main window closed under it); no
    // other document takes its place.
    Form1 *document() const;
    // The dialog's own unload steps, whichever way it closes.
    virtual void Form_Unload() {}
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPointer<Form1> m_document;
    bool m_unloaded = false;
    bool m_placed = false;
};
