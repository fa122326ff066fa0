#include "tools/palette.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tooldialog.h"
#include "document/workspace.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QSlider>
#include <QStyle>
#include <QToolTip>
#include <QToolButton>
#include <QVBoxLayout>

static QToolButton *optionButton(QWidget *parent, QButtonGroup *group, const QString &icon, const QString &caption,
                                 const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolTip(tip);
    if (!icon.isEmpty()) {
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(21, 21));
    } else {
        button->setText(caption);
    }
    group->addButton(button);
    return button;
}

Palette::Palette(Workspace &workspace, QObject *parent) : QObject(parent), m_workspace(workspace)
{
    toolPanel = new QWidget;
    toolPanel->setFixedSize(41, 310);
    toolButtons = new QButtonGroup(this);
    pencilButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/pencil.png"), {},
                                tr("Pencil: draws freehand or straight lines (the modes below)"));
    pickerButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/pipette.png"), {},
                                tr("Colour picker: press on the picture to take its colour"));
    airbrushButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/spraygun.png"), {},
                                  tr("Airbrush: sprays dots as you drag; the pen width spreads them (up to 30)"));
    circleButton = optionButton(toolPanel, toolButtons, {}, QStringLiteral("O"),
                                tr("Circle: drag to draw a circle, from its centre or its corner (the modes below)"));
    stampButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/brush.png"), {},
                               tr("Stamp: prints a pattern along the drag; the Pattern dialog chooses it"));
    fillButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/bucket.png"), {},
                              tr("Fill: press on a colour to replace it everywhere with the current colour"));
    const int tops[] = {120, 600, 1080, 1560, 2040, 2520};
    // In the order of Tool: a button's id in the group is its tool.
    QToolButton *buttons[] = {pencilButton, pickerButton, airbrushButton, circleButton, stampButton, fillButton};
    for (int i = 0; i < 6; ++i) {
        toolButtons->setId(buttons[i], i);
        ToolDialog::place(buttons[i], 120, tops[i], 375, 375);
    }
    pencilButton->setChecked(true);

    colourSwatch = new PictureBox(toolPanel, 2);
    colourSwatch->setToolTip(tr("Current colour: click to choose another"));
    ToolDialog::place(colourSwatch, 120, 3000, 390, 375);
    colourSwatch->setWidthTwips(390);
    colourSwatch->setHeightTwips(375);
    colourSwatch->setBackColour(0);

    pencilModes = new QFrame(toolPanel);
    ToolDialog::place(pencilModes, 0, 3360, 615, 1215);
    auto *pencilGroup = new QButtonGroup(this);
    freehandButton = optionButton(pencilModes, pencilGroup, {}, QStringLiteral("~"),
                                  tr("Freehand: the line follows the pointer"));
    straightLineButton = optionButton(pencilModes, pencilGroup, {}, QStringLiteral("---"),
                                      tr("Straight line: from where you press to where you let go"));
    ToolDialog::place(freehandButton, 120, 240, 375, 375);
    ToolDialog::place(straightLineButton, 120, 720, 375, 375);
    freehandButton->setChecked(true);

    circleModes = new QFrame(toolPanel);
    ToolDialog::place(circleModes, 0, 3360, 615, 1215);
    auto *circleGroup = new QButtonGroup(this);
    fromCentreButton = optionButton(circleModes, circleGroup, {}, QStringLiteral("O"),
                                    tr("From the centre: press at the centre, drag right or down to grow it"));
    fromCornerButton = optionButton(circleModes, circleGroup, {}, QStringLiteral("o"),
                                    tr("From the corner: press at the top-left, drag right or down to grow it"));
    ToolDialog::place(fromCentreButton, 120, 240, 375, 375);
    ToolDialog::place(fromCornerButton, 120, 720, 375, 375);
    fromCentreButton->setChecked(true);
    circleModes->hide();

    penWidthFrame = new QGroupBox(tr("Size"));
    penWidthSlider = new QSlider(Qt::Horizontal, penWidthFrame);
    penWidthSlider->setRange(1, 300);
    penWidthSlider->setValue(1);
    penWidthSlider->setFixedWidth(160);
    showPenWidthInTip();
    auto *sizeLayout = new QVBoxLayout(penWidthFrame);
    sizeLayout->setContentsMargins(6, 2, 6, 2);
    sizeLayout->addWidget(penWidthSlider);

    circleModesTimer.setInterval(100);
    pencilModesTimer.setInterval(100);
    pencilModesTimer.start();

    connect(pencilButton, &QToolButton::clicked, this, &Palette::pencilClicked);
    connect(pickerButton, &QToolButton::clicked, this, &Palette::pickerClicked);
    connect(airbrushButton, &QToolButton::clicked, this, &Palette::airbrushClicked);
    connect(circleButton, &QToolButton::clicked, this, &Palette::circleClicked);
    connect(stampButton, &QToolButton::clicked, this, &Palette::stampClicked);
    connect(colourSwatch, &PictureBox::mouseReleased, this, [this] { colourSwatchClicked(); });
    connect(penWidthSlider, &QSlider::valueChanged, this, &Palette::penWidthChanged);
    connect(penWidthSlider, &QSlider::valueChanged, this, &Palette::showPenWidthInTip);
    // Moved by the user (a drag, a click beside the handle, the keys, the wheel), not by a tool.
    connect(penWidthSlider, &QSlider::actionTriggered, this, &Palette::showPenWidthWhileMoving);
    connect(&circleModesTimer, &QTimer::timeout, this, &Palette::circleModesTick);
    connect(&pencilModesTimer, &QTimer::timeout, this, &Palette::pencilModesTick);
    setToolsEnabled(false);
}

Palette::~Palette()
{
    // The panels belong to the toolbars they were placed on; delete them here only if not.
    if (toolPanel && !toolPanel->parent())
        delete toolPanel;
    if (penWidthFrame && !penWidthFrame->parent())
        delete penWidthFrame;
}

Tool Palette::currentTool() const
{
    return Tool(toolButtons->checkedId());
}

bool Palette::freehandMode() const
{
    return freehandButton->isChecked();
}

bool Palette::centreMode() const
{
    return fromCentreButton->isChecked();
}

Colour Palette::currentColour() const
{
    return colourSwatch->backColour();
}

void Palette::setCurrentColour(Colour colour)
{
    colourSwatch->setBackColour(colour);
}

int Palette::penWidth() const
{
    return penWidthSlider->value();
}

void Palette::setToolsEnabled(bool enabled)
{
    toolPanel->setEnabled(enabled);
    for (QToolButton *option : {pencilButton, pickerButton, airbrushButton, circleButton, stampButton, fillButton})
        option->setEnabled(enabled);
    colourSwatch->setEnabled(enabled);
}

PictureBox *Palette::activeCanvas() const
{
    DocumentWindow *document = m_workspace.activeDocument();
    return document ? document->canvas : nullptr;
}

void Palette::setCanvasPointer(const QString &icon, QPoint hotSpot)
{
    PictureBox *canvas = activeCanvas();
    if (!canvas)
        return;
    if (icon.isEmpty())
        canvas->setCursor(Qt::ArrowCursor);
    else
        canvas->setCursor(QCursor(QPixmap(icon), hotSpot.x(), hotSpot.y()));
}

void Palette::clampSlider(int max)
{
    if (penWidthSlider->value() > max)
        penWidthSlider->setValue(max);
    penWidthSlider->setMaximum(max);
}

void Palette::pencilClicked()
{
    // The pencil draws 8 pixels below the pointer: the hot spot sits 8 pixels above its point.
    setCanvasPointer(QStringLiteral(":/resources/pencil.png"), QPoint(3, 20));
    pencilModesTimer.start();
    pencilModes->show();
    penWidthSlider->setMaximum(300);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(penWidthSlider->value());
}

void Palette::pickerClicked()
{
    setCanvasPointer(QStringLiteral(":/resources/pipette.png"), QPoint(4, 27));
}

void Palette::airbrushClicked()
{
    setCanvasPointer(QStringLiteral(":/resources/spraygun.png"), QPoint(16, 16));
    clampSlider(30);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(penWidthSlider->value());
}

void Palette::circleClicked()
{
    setCanvasPointer(QString(), QPoint());
    circleModesTimer.start();
    circleModes->show();
    clampSlider(100);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(penWidthSlider->value());
}

void Palette::stampClicked()
{
    emit patternDialogWanted();
}

void Palette::colourSwatchClicked()
{
    colourDialog.showColour(m_workspace.prompts(), m_workspace.mainWindow());
    setCurrentColour(colourDialog.colour);
}

void Palette::penWidthChanged()
{
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(penWidthSlider->value());
}

QString Palette::penWidthText(int width)
{
    return width == 1 ? tr("Pen width: 1 pixel") : tr("Pen width: %1 pixels").arg(width);
}

void Palette::showPenWidthInTip()
{
    penWidthSlider->setToolTip(penWidthText(penWidthSlider->value()));
}

void Palette::showPenWidthWhileMoving()
{
    // The position the action moves to; the value follows it right after.
    const int width = penWidthSlider->sliderPosition();
    const int x = QStyle::sliderPositionFromValue(penWidthSlider->minimum(), penWidthSlider->maximum(), width,
                                                  penWidthSlider->width());
    // Above the handle: the tip is placed a line below the point it is given.
    const QPoint above(x, -2 * penWidthSlider->fontMetrics().height() - 12);
    QToolTip::showText(penWidthSlider->mapToGlobal(above), penWidthText(width), penWidthSlider);
}

void Palette::circleModesTick()
{
    if (!circleButton->isChecked()) {
        circleModes->hide();
        circleModesTimer.stop();
    }
}

void Palette::pencilModesTick()
{
    if (!pencilButton->isChecked()) {
        pencilModes->hide();
        pencilModesTimer.stop();
    }
}
