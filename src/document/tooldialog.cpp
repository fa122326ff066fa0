#include "document/tooldialog.h"

#include "document/documentwindow.h"
#include "document/screen.h"
#include "document/workspace.h"
#include "imagelib/units.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QWindow>

ToolDialog::ToolDialog(DocumentWindow &document, const QString &caption, QSize clientTwips)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      m_workspace(document.workspace()), m_document(&document)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(roundEven(clientTwips.width() / Screen::TwipsPerPixelX),
                 roundEven(clientTwips.height() / Screen::TwipsPerPixelY));
}

void ToolDialog::place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(roundEven(left / Screen::TwipsPerPixelX), roundEven(top / Screen::TwipsPerPixelY),
                         roundEven(width / Screen::TwipsPerPixelX), roundEven(height / Screen::TwipsPerPixelY));
}

QLabel *ToolDialog::addLabel(const QString &caption, int left, int top, int width, int height)
{
    auto *label = new QLabel(caption, this);
    place(label, left, top, width, height);
    return label;
}

QPushButton *ToolDialog::addButton(const QString &caption, const QString &tip, int left, int top, int width,
                                   int height)
{
    auto *button = new QPushButton(caption, this);
    place(button, left, top, width, height);
    button->setToolTip(tip);
    button->setAutoDefault(true);
    return button;
}

void ToolDialog::addOkButton(const QString &tip, int left, int top, int width, int height)
{
    okButton = addButton(QStringLiteral("&OK"), tr("%1 (Enter)").arg(tip), left, top, width, height);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &ToolDialog::ok);
}

void ToolDialog::addCancelButton(const QString &tip, int left, int top, int width, int height)
{
    cancelButton = addButton(QStringLiteral("&Cancel"), tr("%1 (Escape)").arg(tip), left, top, width, height);
    connect(cancelButton, &QPushButton::clicked, this, &ToolDialog::cancel);
}

void ToolDialog::keyPressEvent(QKeyEvent *event)
{
    QPushButton *button = nullptr;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        button = okButton;
    else if (modifiers == Qt::NoModifier && event->key() == Qt::Key_Escape)
        button = cancelButton;
    // The key does exactly what a click on the button does, and nothing when it cannot be clicked.
    if (button && button->isVisible() && button->isEnabled()) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ToolDialog::cancel()
{
    unload();
}

void ToolDialog::unload()
{
    close();
}

DocumentWindow *ToolDialog::document() const
{
    return m_document && m_document->isOpen() ? m_document.data() : nullptr;
}

void ToolDialog::setMainAndDocumentEnabled(bool enabled)
{
    m_workspace.mainWindow()->setEnabled(enabled);
    if (DocumentWindow *doc = m_document) {
        QWidget *window = qobject_cast<QMdiSubWindow *>(doc->parentWidget());
        (window ? window : doc)->setEnabled(enabled);
    }
}

void ToolDialog::showEvent(QShowEvent *event)
{
    QWidget *main = m_workspace.mainWindow();
    if (windowHandle() && main->windowHandle())
        windowHandle()->setTransientParent(main->windowHandle());
    // Over the middle of the main window, where the user is looking.
    if (!m_placed) {
        m_placed = true;
        move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
        // The first text box takes the keyboard; without one OK does, so that Enter means OK.
        if (auto *box = findChild<QLineEdit *>())
            box->setFocus();
        else if (okButton)
            okButton->setFocus();
    }
    QWidget::showEvent(event);
}

void ToolDialog::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        unloading();
    }
    event->accept();
}
