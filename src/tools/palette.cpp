#include "tools/palette.h"

#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/tooldialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIcon>
#include <QSlider>
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

Palette::Palette(QObject *parent) : QObject(parent)
{
    TB1 = new QWidget;
    TB1->setFixedSize(41, 310);
    auto *tools = new QButtonGroup(this);
    Option1 = optionButton(TB1, tools, QStringLiteral(":/resources/pencil.png"), {}, tr("Pencil"));
    Option2 = optionButton(TB1, tools, QStringLiteral(":/resources/pipette.png"), {}, tr("Colour picker"));
    Option3 = optionButton(TB1, tools, QStringLiteral(":/resources/spraygun.png"), {}, tr("Airbrush"));
    Option4 = optionButton(TB1, tools, {}, QStringLiteral("O"), tr("Circle"));
    Option5 = optionButton(TB1, tools, QStringLiteral(":/resources/brush.png"), {}, tr("Stamp"));
    Option6 = optionButton(TB1, tools, QStringLiteral(":/resources/bucket.png"), {}, tr("Fill"));
    const int tops[] = {120, 600, 1080, 1560, 2040, 2520};
    QToolButton *options[] = {Option1, Option2, Option3, Option4, Option5, Option6};
    for (int i = 0; i < 6; ++i)
        ToolDialog::place(options[i], 120, tops[i], 375, 375);
    Option1->setChecked(true);

    PicColor = new PictureBox(TB1, 2);
    PicColor->setToolTip(tr("Current colour"));
    ToolDialog::place(PicColor, 120, 3000, 390, 375);
    PicColor->setWidth(390);
    PicColor->setHeight(375);
    PicColor->setBackColor(0);

    Frame2 = new QFrame(TB1);
    ToolDialog::place(Frame2, 0, 3360, 615, 1215);
    auto *pencilModes = new QButtonGroup(this);
    OptL1 = optionButton(Frame2, pencilModes, {}, QStringLiteral("~"), tr("Freehand"));
    OptL2 = optionButton(Frame2, pencilModes, {}, QStringLiteral("---"), tr("Straight line"));
    ToolDialog::place(OptL1, 120, 240, 375, 375);
    ToolDialog::place(OptL2, 120, 720, 375, 375);
    OptL1->setChecked(true);

    Frame1 = new QFrame(TB1);
    ToolDialog::place(Frame1, 0, 3360, 615, 1215);
    auto *circleModes = new QButtonGroup(this);
    Opt1 = optionButton(Frame1, circleModes, {}, QStringLiteral("O"), tr("From the centre"));
    Opt2 = optionButton(Frame1, circleModes, {}, QStringLiteral("o"), tr("From the corner"));
    ToolDialog::place(Opt1, 120, 240, 375, 375);
    ToolDialog::place(Opt2, 120, 720, 375, 375);
    Opt1->setChecked(true);
    Frame1->hide();

    Frame3 = new QGroupBox(tr("Size"));
    Slider1 = new QSlider(Qt::Horizontal, Frame3);
    Slider1->setRange(1, 300);
    Slider1->setValue(1);
    Slider1->setFixedWidth(160);
    auto *sizeLayout = new QVBoxLayout(Frame3);
    sizeLayout->setContentsMargins(6, 2, 6, 2);
    sizeLayout->addWidget(Slider1);

    Timer1.setInterval(100);
    Timer2.setInterval(100);
    Timer2.start();

    connect(Option1, &QToolButton::clicked, this, &Palette::Option1_Click);
    connect(Option2, &QToolButton::clicked, this, &Palette::Option2_Click);
    connect(Option3, &QToolButton::clicked, this, &Palette::Option3_Click);
    connect(Option4, &QToolButton::clicked, this, &Palette::Option4_Click);
    connect(Option5, &QToolButton::clicked, this, &Palette::Option5_Click);
    connect(PicColor, &PictureBox::MouseUp, this, [this] { PicColor_Click(); });
    connect(Slider1, &QSlider::valueChanged, this, &Palette::Slider1_Change);
    connect(&Timer1, &QTimer::timeout, this, &Palette::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &Palette::Timer2_Timer);
    setToolsEnabled(false);
}

Palette::~Palette()
{
    // The panels belong to the toolbars they were placed on; delete them here only if not.
    if (TB1 && !TB1->parent())
        delete TB1;
    if (Frame3 && !Frame3->parent())
        delete Frame3;
}

Tool Palette::currentTool() const
{
    if (Option2->isChecked())
        return Tool::Picker;
    if (Option3->isChecked())
        return Tool::Airbrush;
    if (Option4->isChecked())
        return Tool::Circle;
    if (Option5->isChecked())
        return Tool::Stamp;
    if (Option6->isChecked())
        return Tool::Fill;
    return Tool::Pencil;
}

bool Palette::freehandMode() const
{
    return OptL1->isChecked();
}

bool Palette::centreMode() const
{
    return Opt1->isChecked();
}

Colour Palette::currentColour() const
{
    return PicColor->BackColor();
}

void Palette::setCurrentColour(Colour colour)
{
    PicColor->setBackColor(colour);
}

int Palette::penWidth() const
{
    return Slider1->value();
}

void Palette::setToolsEnabled(bool enabled)
{
    TB1->setEnabled(enabled);
    for (QToolButton *option : {Option1, Option2, Option3, Option4, Option5, Option6})
        option->setEnabled(enabled);
    PicColor->setEnabled(enabled);
}

PictureBox *Palette::activeCanvas() const
{
    Host *host = Host::current();
    Form1 *form = host ? host->ActiveForm() : nullptr;
    return form ? form->Picture1 : nullptr;
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
    if (Slider1->value() > max)
        Slider1->setValue(max);
    Slider1->setMaximum(max);
}

void Palette::Option1_Click()
{
    // The pencil draws 8 pixels below the pointer: the hot spot sits 8 pixels above its point.
    setCanvasPointer(QStringLiteral(":/resources/pencil.png"), QPoint(3, 20));
    Timer2.start();
    Frame2->show();
    Slider1->setMaximum(300);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(Slider1->value());
}

void Palette::Option2_Click()
{
    setCanvasPointer(QStringLiteral(":/resources/pipette.png"), QPoint(4, 27));
}

void Palette::Option3_Click()
{
    setCanvasPointer(QStringLiteral(":/resources/spraygun.png"), QPoint(16, 16));
    clampSlider(30);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(Slider1->value());
}

void Palette::Option4_Click()
{
    setCanvasPointer(QString(), QPoint());
    Timer1.start();
    Frame1->show();
    clampSlider(100);
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(Slider1->value());
}

void Palette::Option5_Click()
{
    emit patternDialogWanted();
}

void Palette::PicColor_Click()
{
    Host *host = Host::current();
    if (!host)
        return;
    CDColor.ShowColor(host->prompts(), host->mainWindow());
    setCurrentColour(CDColor.Color);
}

void Palette::Slider1_Change()
{
    if (PictureBox *canvas = activeCanvas())
        canvas->setDrawWidth(Slider1->value());
}

void Palette::Timer1_Timer()
{
    if (!Option4->isChecked()) {
        Frame1->hide();
        Timer1.stop();
    }
}

void Palette::Timer2_Timer()
{
    if (!Option1->isChecked()) {
        Frame2->hide();
        Timer2.stop();
    }
}
