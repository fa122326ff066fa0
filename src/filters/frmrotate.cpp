#include "filters/frmrotate.h"

#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/units.h"
#include "filters/functions.h"
#include "filters/rotate.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace {

// The angle with the sign it was given and whole turns taken off: 370 gives 10, -370 gives -10.
// The remainder of a whole number of doubles is exact, so no text is out of range here.
double normalisedAngle(double degrees)
{
    const double whole = std::nearbyint(degrees);
    return degrees - (whole - std::fmod(whole, 360.0));
}

} // namespace

frmRotate::frmRotate() : ToolDialog(QStringLiteral("Rotate"), QSize(3150, 1365))
{
    Label1 = new QLabel(QStringLiteral("Angle"), this);
    place(Label1, 240, 270, 720, 255);
    Text1 = new QLineEdit(QStringLiteral("0"), this);
    place(Text1, 1020, 210, 1890, 345);
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    place(Command1, 240, 810, 1245, 375);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    place(Command2, 1665, 810, 1245, 375);
    guardNumberBox(Text1);
    connect(Command1, &QPushButton::clicked, this, &frmRotate::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmRotate::Command2_Click);

    setMainAndDocumentEnabled(false);
}

void frmRotate::Command1_Click()
{
    Form1 *form = document();
    if (!form) {
        Unload();
        return;
    }
    PictureBox *Picture1 = form->Picture1;
    PictureBox *Picture2 = form->Picture2;
    Picture2->setPicture(Picture1->Image());

    std::optional<double> t = numericValue(Text1->text());
    if (!t) {
        Text1->setText(QStringLiteral("0"));
        t = 0;
    }
    Text1->setText(QString::number(normalisedAngle(*t), 'g', 17));
    const double d = numericValue(Text1->text()).value_or(0);
    const double angle = d * 3.14159265358979 / 180;

    Picture1->Cls();
    Picture1->setVisibleSurface(false);
    const QImage source = Picture2->bitmapForRead();
    const int srcWidth = Picture2->ScaleWidth();
    const int srcHeight = Picture2->ScaleHeight();
    RotatePicture(source, Picture1->bitmapForWrite(), angle, 0, 0, srcWidth - 1, srcHeight - 1,
                  roundEven(srcWidth / 2.0), roundEven(srcHeight / 2.0), roundEven(Picture1->ScaleWidth() / 2.0),
                  roundEven(Picture1->ScaleHeight() / 2.0));
    Picture1->markDrawn(QRect(0, 0, Picture1->ScaleWidth(), Picture1->ScaleHeight()));
    Picture1->setVisibleSurface(true);
    Picture2->setPicture(Picture1->Image());
    Picture1->setPicture(Picture2->Image());
    form->RecordState();
    Unload();
}

void frmRotate::Command2_Click()
{
    Unload();
}

void frmRotate::Form_Unload()
{
    setMainAndDocumentEnabled(true);
}
