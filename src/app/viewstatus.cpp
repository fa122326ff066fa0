#include "app/viewstatus.h"

#include "app/mainwindow.h"
#include "document/canvasview.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "tools/pencil.h"
#include "tools/toolsettings.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

ViewStatus::ViewStatus(MainWindow &main) : QObject(&main), m_main(main)
{
    pointerPosition = new QLabel;
    pointerPosition->setToolTip(tr("Pointer position in picture pixels"));
    pointerPosition->setMinimumWidth(pointerPosition->fontMetrics().horizontalAdvance(QStringLiteral("00000, 00000")));
    pictureSize = new QLabel;
    pictureSize->setToolTip(tr("Picture size in pixels"));
    pictureSize->setMinimumWidth(pictureSize->fontMetrics().horizontalAdvance(QStringLiteral("00000 x 00000")));
    zoomBox = new QComboBox;
    zoomBox->setToolTip(tr("Zoom: choose a level or type one and press Enter"));
    zoomBox->setEditable(true);
    zoomBox->setInsertPolicy(QComboBox::NoInsert);
    // Completing "1" to "12.5 %" would turn a typed 150 into something else.
    zoomBox->setCompleter(nullptr);
    zoomBox->setMinimumContentsLength(7);
    for (double step : CanvasView::ZoomSteps)
        zoomBox->addItem(CanvasView::zoomText(step), step);

    QStatusBar *bar = main.statusBar();
    bar->insertPermanentWidget(0, pointerPosition);
    bar->insertPermanentWidget(1, pictureSize);
    bar->insertPermanentWidget(2, zoomBox);

    connect(zoomBox, &QComboBox::activated, this, [this](int index) {
        if (DocumentWindow *window = m_main.activeDocumentWindow())
            window->view().setZoom(zoomBox->itemData(index).toDouble());
        // The keys go back to the window: Ctrl+Z is Undo again, not the box's own.
        m_main.setFocus();
    });
    // Enter, or leaving the box: a level it cannot take is refused with a word, never ignored.
    connect(zoomBox->lineEdit(), &QLineEdit::editingFinished, this, &ViewStatus::applyTypedZoom);

    auto action = [this, &main](const QList<QKeySequence> &keys, void (CanvasView::*zoom)()) {
        auto *a = new QAction(this);
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, [this, zoom] {
            if (DocumentWindow *window = m_main.activeDocumentWindow())
                (window->view().*zoom)();
        });
        main.addAction(a);
        return a;
    };
    zoomInAction = action({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                          &CanvasView::zoomIn);
    zoomOutAction = action({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &CanvasView::zoomOut);
    fitAction = action({QKeySequence(Qt::CTRL | Qt::Key_0)}, &CanvasView::zoomToFit);
    actualSizeAction = action({QKeySequence(Qt::CTRL | Qt::Key_1)}, &CanvasView::zoomToActualSize);
    follow(nullptr);
}

void ViewStatus::follow(DocumentWindow *window)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_window = window;
    pointerPosition->clear();
    zoomBox->setEnabled(window != nullptr);
    if (!window) {
        pictureSize->clear();
        zoomBox->setEditText(QString());
        return;
    }
    CanvasView *view = &window->view();
    m_connections << connect(view, &CanvasView::zoomChanged, this, &ViewStatus::showZoom)
                  << connect(view, &CanvasView::pointerMoved, this, &ViewStatus::showPointer)
                  << connect(view, &CanvasView::pointerLeft, pointerPosition, &QLabel::clear)
                  << connect(&window->document().canvas(), &PictureModel::resized, this, &ViewStatus::showPictureSize);
    showZoom(view->zoom());
    showPictureSize();
}

void ViewStatus::showPointer(QPointF areaPosition)
{
    if (!m_window)
        return;
    // The pixel the chosen tool acts on: the pencil draws at its pointer's tip, below the hot spot.
    const QPointF tip(0, m_main.toolSettings->tool() == ToolKind::Pencil ? PencilTool::TipDrop : 0);
    if (const std::optional<QPoint> pixel = m_window->view().picturePixelAt(areaPosition + tip))
        pointerPosition->setText(QStringLiteral("%1, %2").arg(pixel->x()).arg(pixel->y()));
    else
        pointerPosition->clear();
}

void ViewStatus::showZoom(double zoom)
{
    const int step = zoomBox->findData(zoom);
    if (step >= 0)
        zoomBox->setCurrentIndex(step);
    zoomBox->setEditText(CanvasView::zoomText(zoom));
}

void ViewStatus::showPictureSize()
{
    if (!m_window)
        return;
    const QSize size = m_window->document().canvas().size();
    pictureSize->setText(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
}

void ViewStatus::applyTypedZoom()
{
    DocumentWindow *window = m_main.activeDocumentWindow();
    if (!window)
        return;
    CanvasView &view = window->view();
    const QString text = zoomBox->currentText();
    if (text == CanvasView::zoomText(view.zoom()))
        return;
    // A level as the list writes it is the list's own step (33 % is a third).
    const int step = zoomBox->findText(text);
    const double zoom = step >= 0 ? zoomBox->itemData(step).toDouble() : CanvasView::zoomFromText(text);
    if (zoom > 0)
        view.setZoom(zoom);
    else
        m_main.statusBar()->showMessage(tr("\"%1\" is no zoom level: type one from 1 % to 3200 %, such as 150 %.")
                                            .arg(text.trimmed()),
                                        6000);
    // The box shows the level the picture is at, whatever was typed.
    showZoom(view.zoom());
    m_main.setFocus();
}
