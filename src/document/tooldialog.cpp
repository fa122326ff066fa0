#include "document/tooldialog.h"

#include "document/form1.h"
#include "document/host.h"
#include "document/screen.h"
#include "document/units.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QWindow>

ToolDialog::ToolDialog(const QString &caption, QSize clientTwips)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    if (Host *host = Host::current())
        m_document = host->ActiveForm();
    setWindowTitle(caption);
    setFixedSize(roundEven(clientTwips.width() / Screen::TwipsPerPixelX),
                 roundEven(clientTwips.height() / Screen::TwipsPerPixelY));
}

void ToolDialog::place(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(roundEven(left / Screen::TwipsPerPixelX), roundEven(top / Screen::TwipsPerPixelY),
                         roundEven(width / Screen::TwipsPerPixelX), roundEven(height / Screen::TwipsPerPixelY));
}

void ToolDialog::Unload()
{
    close();
}

Form1 *ToolDialog::document() const
{
    Host *host = Host::current();
    Form1 *active = host ? host->ActiveForm() : nullptr;
    return active && active == m_document && active->HistoryReady ? active : nullptr;
}

void ToolDialog::setMainAndDocumentEnabled(bool enabled)
{
    Host *host = Host::current();
    if (!host)
        return;
    host->mainWindow()->setEnabled(enabled);
    if (Form1 *form = host->ActiveForm()) {
        QWidget *window = qobject_cast<QMdiSubWindow *>(form->parentWidget());
        (window ? window : form)->setEnabled(enabled);
    }
}

void ToolDialog::showEvent(QShowEvent *event)
{
    Host *host = Host::current();
    if (host && windowHandle() && host->mainWindow()->windowHandle())
        windowHandle()->setTransientParent(host->mainWindow()->windowHandle());
    // Over the middle of the main window, where the user is looking.
    if (host && !m_placed) {
        m_placed = true;
        const QRect main = host->mainWindow()->frameGeometry();
        move(main.center() - QPoint(width() / 2, height() / 2));
    }
    QWidget::showEvent(event);
}

void ToolDialog::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    event->accept();
}
