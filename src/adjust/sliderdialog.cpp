#include "adjust/sliderdialog.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/screen.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

bool RGBDrag = false;
bool BrightDrag = false;
bool ContDrag = false;

SliderDialog::SliderDialog(const QString &caption, QSize clientTwips) : ToolDialog(caption, clientTwips)
{
}

QLabel *SliderDialog::addLabel(const QString &caption, int left, int top, int width, int height)
{
    auto *label = new QLabel(caption, this);
    place(label, left, top, width, height);
    return label;
}

PictureBox *SliderDialog::addSlider(int left, int top)
{
    auto *box = new PictureBox(this);
    box->setWidth(2700);
    box->setHeight(300);
    place(box, left, top, 2700, 300);
    return box;
}

void SliderDialog::addButtons(int top)
{
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    place(Command1, 240, top, 1215, 375);
    place(Command2, 1560, top, 1215, 375);
    connect(Command1, &QPushButton::clicked, this, &SliderDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SliderDialog::Command2_Click);
}

void SliderDialog::Form_Load()
{
    setMainAndDocumentEnabled(false);
    CommitPicture();
}

float SliderDialog::startingX(const PictureBox *box)
{
    return float(box->Width() / Screen::TwipsPerPixelX / 2);
}

void SliderDialog::drawBar(PictureBox *box, float X, Colour bar, Colour rest)
{
    box->FillBox(QPointF(0, 0), QPointF(X, 20), bar);
    box->FillBox(QPointF(X, 0), QPointF(200, 20), rest);
}

Colour SliderDialog::buttonFace() const
{
    return fromQColor(palette().color(QPalette::Button));
}

void SliderDialog::previewOnCanvas(const QString &operation)
{
    if (!document())
        return;
    ProcessImage(operation);
    // The engine's message box, if it came, let other events run.
    if (Form1 *form = document())
        form->Picture1->Refresh();
    QCoreApplication::processEvents();
}

void SliderDialog::Command1_Click()
{
    const QPointer<Form1> form = document();
    Unload();
    if (!form)
        return;
    CommitPicture();
    form->Picture1->Cls();
}

void SliderDialog::Command2_Click()
{
    const QPointer<Form1> form = document();
    Unload();
    if (form)
        form->Picture1->setPicture(form->Picture2->Picture());
}

void SliderDialog::Form_Unload()
{
    setMainAndDocumentEnabled(true);
    clearDragFlags();
}
