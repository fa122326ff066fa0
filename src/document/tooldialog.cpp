#include "document/tooldialog.h"

#include "document/document.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

ToolDialog::ToolDialog(Document &document, const QString &caption, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                              | Qt::MSWindowsFixedSizeDialogHint),
      m_document(&document)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(caption);
}

void ToolDialog::addOkButton(const QString &tip)
{
    okButton = new QPushButton(QStringLiteral("&OK"), this);
    okButton->setToolTip(tr("%1 (Enter)").arg(tip));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &ToolDialog::ok);
}

void ToolDialog::addCancelButton(const QString &tip)
{
    cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton->setToolTip(tr("%1 (Escape)").arg(tip));
    connect(cancelButton, &QPushButton::clicked, this, &ToolDialog::cancel);
}

void ToolDialog::cancel()
{
    closeDialog();
}

void ToolDialog::reject()
{
    // Escape does exactly what a click on Cancel does, and nothing when it cannot be clicked.
    if (cancelButton && cancelButton->isVisible() && cancelButton->isEnabled())
        cancelButton->click();
}

void ToolDialog::closeDialog()
{
    if (m_closed)
        return;
    m_closed = true;
    closing();
    done(QDialog::Rejected);
}

void ToolDialog::closeEvent(QCloseEvent *event)
{
    // Closed by its frame: the closing steps and nothing else.
    if (!m_closed) {
        m_closed = true;
        closing();
        done(QDialog::Rejected);
    }
    event->accept();
}

Document *ToolDialog::document() const
{
    return m_document && m_document->isOpen() ? m_document.data() : nullptr;
}

void ToolDialog::showEvent(QShowEvent *event)
{
    // The first text box takes the keyboard; without one OK does, so that Enter means OK.
    if (!m_shown) {
        m_shown = true;
        if (auto *box = findChild<QLineEdit *>())
            box->setFocus();
        else if (okButton)
            okButton->setFocus();
    }
    QDialog::showEvent(event);
}
