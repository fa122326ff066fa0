#include "document/documentwindow.h"

#include "document/canvasview.h"
#include "document/document.h"
#include "document/prompts.h"
#include "document/workspace.h"

#include <QCloseEvent>

DocumentWindow::DocumentWindow(Workspace &workspace, QWidget *parent) : QWidget(parent), m_workspace(workspace)
{
    m_document = new Document(workspace.tempFile(), workspace.historyBudget(), this);
    setWindowTitle(m_document->caption());
    m_view = new CanvasView(m_document->canvas(), this);
    m_view->setGeometry(rect());
    // A new document shows the pencil's pointer, whichever tool is chosen. Its point is 8 pixels
    // below the pointer's hot spot, where the pencil draws.
    m_view->setPointer(QCursor(QPixmap(QStringLiteral(":/resources/pencil.png")), 3, 20));
    connect(m_document, &Document::captionChanged, this, &QWidget::setWindowTitle);
    connect(&m_document->canvas(), &PictureModel::resized, this, &DocumentWindow::canvasResized);
}

DocumentWindow::~DocumentWindow() = default;

void DocumentWindow::resizeEvent(QResizeEvent *)
{
    m_view->setGeometry(rect());
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    if (!m_document->isOpen()) {
        event->accept();
        return;
    }
    QWidget *main = m_workspace.mainWindow();
    const QString text = QStringLiteral("Do You Want To Save ") + m_document->caption() + QStringLiteral("?");
    const PromptAnswer answer = m_workspace.prompts().askYesNoCancel(main, text, QStringLiteral("Save?"));
    if (answer == PromptAnswer::Cancel) {
        event->ignore();
        main->setFocus();
        return;
    }
    if (answer == PromptAnswer::Yes) {
        // The picture is only let go once it is safely written.
        const bool saved = m_workspace.saveAs(*m_document);
        main->setFocus();
        if (!saved) {
            event->ignore();
            return;
        }
    }
    m_document->close();
    event->accept();
    emit closed();
}
