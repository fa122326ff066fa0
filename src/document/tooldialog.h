#pragma once
// The program's small dialogs: fixed-size tool windows built for one document each time they are
// shown, modal to the main window (so the document cannot change under them) and shown without
// waiting. OK is the default button, Escape is Cancel; closing a dialog by its frame runs only its
// closing steps, which is not always what Cancel does.
#include <QDialog>
#include <QPointer>

class Document;
class QPushButton;

class ToolDialog : public QDialog {
    Q_OBJECT
public:
    ToolDialog(Document &document, const QString &caption, QWidget *mainWindow);

    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

    // What the dialog's "&OK" and "&Cancel" buttons do; Cancel closes by default.
    virtual void ok() = 0;
    virtual void cancel();

    // Closes the dialog: its closing steps run once, whichever way it closes.
    void closeDialog();
    // Closed, and only waiting to be deleted.
    bool isClosed() const { return m_closed; }

protected:
    // The two buttons, wired to ok() and cancel(); `tip` says what the button does, and OK's and
    // Cancel's tips add their key. The caller places them.
    void addOkButton(const QString &tip);
    void addCancelButton(const QString &tip);
    // The document the dialog was shown for, while it is still open. A document can go while the
    // dialog's handler yields (the main window closed under it); no other takes its place.
    Document *document() const;
    // The dialog's own closing steps.
    virtual void closing() {}

    // Escape: as the Cancel button.
    void reject() override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPointer<Document> m_document;
    bool m_closed = false;
    bool m_shown = false;
};
