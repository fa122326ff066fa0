#include "tools/palette.h"

#include "document/prompts.h"
#include "tools/colourswatch.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

// The airbrush spreads its dots by the width, up to 30; the circle's outline is at most 100 wide.
constexpr int AirbrushWidthLimit = 30;
constexpr int CircleWidthLimit = 100;

QToolButton *optionButton(QWidget *parent, QButtonGroup *group, const QString &icon, const QString &caption,
                          const QString &tip, QRect geometry)
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
    button->setGeometry(geometry);
    group->addButton(button);
    return button;
}

QCursor pointerOf(const QString &picture, QPoint hotSpot)
{
    return QCursor(QPixmap(picture), hotSpot.x(), hotSpot.y());
}

} // namespace

Palette::Palette(ToolSettings &settings, Prompts &prompts, QWidget *dialogParent, QObject *parent)
    : QObject(parent), m_settings(settings), m_prompts(prompts), m_dialogParent(dialogParent)
{
    // The design's places, one button above the other.
    toolPanel = new QWidget;
    toolPanel->setFixedSize(41, 310);
    toolButtons = new QButtonGroup(this);
    pencilButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/pencil.png"), {},
                                tr("Pencil: draws freehand or straight lines (the modes below)"), {8, 8, 25, 25});
    pickerButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/pipette.png"), {},
                                tr("Colour picker: press on the picture to take its colour"), {8, 40, 25, 25});
    airbrushButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/spraygun.png"), {},
                                  tr("Airbrush: sprays dots as you drag; the pen width spreads them (up to 30)"),
                                  {8, 72, 25, 25});
    circleButton = optionButton(toolPanel, toolButtons, {}, QStringLiteral("O"),
                                tr("Circle: drag to draw a circle, from its centre or its corner (the modes below)"),
                                {8, 104, 25, 25});
    stampButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/brush.png"), {},
                               tr("Stamp: prints a pattern along the drag; the Pattern dialog chooses it"),
                               {8, 136, 25, 25});
    fillButton = optionButton(toolPanel, toolButtons, QStringLiteral(":/resources/bucket.png"), {},
                              tr("Fill: press on a colour to replace it everywhere with the current colour"),
                              {8, 168, 25, 25});
    // In the order of ToolKind: a button's id in the group is its tool.
    const QToolButton *buttons[] = {pencilButton, pickerButton, airbrushButton, circleButton, stampButton, fillButton};
    for (int id = 0; id < 6; ++id)
        toolButtons->setId(const_cast<QToolButton *>(buttons[id]), id);
    toolButtons->button(int(settings.tool()))->setChecked(true);

    colourSwatch = new ColourSwatch(toolPanel);
    colourSwatch->setToolTip(tr("Current colour: click to choose another"));
    colourSwatch->setGeometry(8, 200, 26, 25);
    colourSwatch->setColour(settings.colour());

    pencilModes = new QFrame(toolPanel);
    pencilModes->setGeometry(0, 224, 41, 81);
    auto *pencilGroup = new QButtonGroup(this);
    freehandButton = optionButton(pencilModes, pencilGroup, {}, QStringLiteral("~"),
                                  tr("Freehand: the line follows the pointer"), {8, 16, 25, 25});
    straightLineButton = optionButton(pencilModes, pencilGroup, {}, QStringLiteral("---"),
                                      tr("Straight line: from where you press to where you let go"), {8, 48, 25, 25});
    (settings.freehand() ? freehandButton : straightLineButton)->setChecked(true);

    circleModes = new QFrame(toolPanel);
    circleModes->setGeometry(0, 224, 41, 81);
    auto *circleGroup = new QButtonGroup(this);
    fromCentreButton = optionButton(circleModes, circleGroup, {}, QStringLiteral("O"),
                                    tr("From the centre: press at the centre, drag right or down to grow it"),
                                    {8, 16, 25, 25});
    fromCornerButton = optionButton(circleModes, circleGroup, {}, QStringLiteral("o"),
                                    tr("From the corner: press at the top-left, drag right or down to grow it"),
                                    {8, 48, 25, 25});
    (settings.fromCentre() ? fromCentreButton : fromCornerButton)->setChecked(true);
    showModesOf(settings.tool());

    penWidthFrame = new QGroupBox(tr("Size"));
    penWidthSlider = new QSlider(Qt::Horizontal, penWidthFrame);
    penWidthSlider->setRange(1, settings.penWidthLimit());
    penWidthSlider->setValue(settings.penWidth());
    penWidthSlider->setFixedWidth(160);
    showPenWidthInTip();
    auto *sizeLayout = new QVBoxLayout(penWidthFrame);
    sizeLayout->setContentsMargins(6, 2, 6, 2);
    sizeLayout->addWidget(penWidthSlider);

    // The controls edit the settings ...
    connect(toolButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_settings.setTool(ToolKind(id));
    });
    connect(toolButtons, &QButtonGroup::idClicked, this, &Palette::toolClicked);
    connect(freehandButton, &QToolButton::toggled, &settings, &ToolSettings::setFreehand);
    connect(fromCentreButton, &QToolButton::toggled, &settings, &ToolSettings::setFromCentre);
    connect(colourSwatch, &ColourSwatch::clicked, this, &Palette::chooseColour);
    connect(penWidthSlider, &QSlider::valueChanged, this, [this](int width) {
        m_settings.setPenWidth(width);
        showPenWidthInTip();
        emit canvasPenWidthChosen(width);
    });
    // Moved by the user (a drag, a click beside the handle, the keys, the wheel), not by a tool.
    connect(penWidthSlider, &QSlider::actionTriggered, this, &Palette::showPenWidthWhileMoving);

    // ... and show them, whoever changed them.
    connect(&settings, &ToolSettings::toolChanged, this, [this](ToolKind tool) {
        toolButtons->button(int(tool))->setChecked(true);
        showModesOf(tool);
    });
    connect(&settings, &ToolSettings::modesChanged, this, [this] {
        (m_settings.freehand() ? freehandButton : straightLineButton)->setChecked(true);
        (m_settings.fromCentre() ? fromCentreButton : fromCornerButton)->setChecked(true);
    });
    connect(&settings, &ToolSettings::colourChanged, colourSwatch, &ColourSwatch::setColour);
    connect(&settings, &ToolSettings::penWidthChanged, penWidthSlider, &QSlider::setValue);
    connect(&settings, &ToolSettings::penWidthLimitChanged, penWidthSlider, &QSlider::setMaximum);
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

void Palette::setToolsEnabled(bool enabled)
{
    toolPanel->setEnabled(enabled);
    for (QAbstractButton *button : toolButtons->buttons())
        button->setEnabled(enabled);
    colourSwatch->setEnabled(enabled);
}

void Palette::showModesOf(ToolKind tool)
{
    // Only the pencil and the circle have modes; their frames share one place.
    pencilModes->setVisible(tool == ToolKind::Pencil);
    circleModes->setVisible(tool == ToolKind::Circle);
}

void Palette::toolClicked(int id)
{
    // What a click asks of the active canvas, tool by tool; the width comes down to a tool's
    // limit before the limit does.
    switch (ToolKind(id)) {
    case ToolKind::Pencil:
        // The pencil draws 8 pixels below the pointer: the hot spot sits 8 pixels above its point.
        emit canvasPointerChosen(pointerOf(QStringLiteral(":/resources/pencil.png"), QPoint(3, 20)));
        m_settings.setPenWidthLimit(ToolSettings::MaximumPenWidth);
        emit canvasPenWidthChosen(m_settings.penWidth());
        break;
    case ToolKind::Picker:
        emit canvasPointerChosen(pointerOf(QStringLiteral(":/resources/pipette.png"), QPoint(4, 27)));
        break;
    case ToolKind::Airbrush:
        emit canvasPointerChosen(pointerOf(QStringLiteral(":/resources/spraygun.png"), QPoint(16, 16)));
        m_settings.setPenWidthLimit(AirbrushWidthLimit);
        emit canvasPenWidthChosen(m_settings.penWidth());
        break;
    case ToolKind::Circle:
        // The circle's button has no picture: the canvas shows the usual arrow.
        emit canvasPointerChosen(QCursor(Qt::ArrowCursor));
        m_settings.setPenWidthLimit(CircleWidthLimit);
        emit canvasPenWidthChosen(m_settings.penWidth());
        break;
    case ToolKind::Stamp:
        emit patternDialogWanted();
        break;
    case ToolKind::Fill:
        break;
    }
}

void Palette::chooseColour()
{
    // Cancelled, the dialog gives back its last colour all the same.
    if (const auto chosen = m_prompts.chooseColour(m_dialogParent, m_settings.dialogColour(), QString()))
        m_settings.setDialogColour(*chosen);
    m_settings.setColour(m_settings.dialogColour());
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
