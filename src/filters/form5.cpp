#include "filters/form5.h"

#include "document/commit.h"
#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "document/prompts.h"
#include "document/screen.h"
#include "document/units.h"
#include "filters/filter.h"
#include "filters/functions.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace {
// A canvas needs one pixel inside its 2-pixel border.
constexpr int MinCanvasSide = 5;
} // namespace

bool canvasSizeAllowed(double widthPixels, double heightPixels)
{
    const auto sideAllowed = [](double side) {
        return std::isfinite(side) && side >= MinCanvasSide - 0.5 && side < PictureLimits::MaxSide + 0.5;
    };
    if (!sideAllowed(widthPixels) || !sideAllowed(heightPixels))
        return false;
    return qint64(roundEven(widthPixels)) * roundEven(heightPixels) <= PictureLimits::MaxPixels;
}

Form5::Form5() : ToolDialog(QStringLiteral("Size"), QSize(3615, 1395))
{
    Label1 = new QLabel(QStringLiteral("Width"), this);
    place(Label1, 240, 270, 735, 255);
    Text1 = new QLineEdit(this);
    place(Text1, 1005, 210, 1095, 345);
    Label2 = new QLabel(QStringLiteral("Height"), this);
    place(Label2, 240, 825, 735, 255);
    Text2 = new QLineEdit(this);
    place(Text2, 1005, 765, 1095, 345);
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    place(Command1, 2340, 195, 1095, 375);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    place(Command2, 2340, 750, 1095, 375);

    guardNumberBox(Text1);
    guardNumberBox(Text2);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
    Form_Load();
}

void Form5::Form_Load()
{
    Host &host = Host::instance();
    setWindowTitle(host.CanSize() ? QStringLiteral("Canvas Size") : QStringLiteral("Size"));
    setMainAndDocumentEnabled(false);
    if (Form1 *form = host.ActiveForm()) {
        Text1->setText(QString::number(form->Picture1->Width() / Screen::TwipsPerPixelX));
        Text2->setText(QString::number(form->Picture1->Height() / Screen::TwipsPerPixelY));
    }
}

void Form5::Command1_Click()
{
    Host &host = Host::instance();
    Form1 *form = document();
    const std::optional<double> width = numericValue(Text1->text());
    const std::optional<double> height = numericValue(Text2->text());
    if (form && !host.CanSize()) {
        // An empty box leaves the picture as it is.
        if (width && height) {
            if (!allowedOrRefused(*width, *height))
                return;
            const double w = roundEven(*width * Screen::TwipsPerPixelX);
            const double h = roundEven(*height * Screen::TwipsPerPixelY);
            ResizePicture(form->Picture1, form->Picture2, w, h);
            ResizePicture(form->Picture1, form->Picture2, w, h);
        }
    } else if (form) {
        // An empty box keeps that side as it is.
        PictureBox *canvas = form->Picture1;
        if (!allowedOrRefused(width.value_or(canvas->Width() / Screen::TwipsPerPixelX),
                              height.value_or(canvas->Height() / Screen::TwipsPerPixelY)))
            return;
        if (width)
            canvas->setWidth(*width * Screen::TwipsPerPixelX);
        if (height)
            canvas->setHeight(*height * Screen::TwipsPerPixelY);
        form->Picture2->setWidth(canvas->Width());
        form->Picture2->setHeight(canvas->Height());
    }
    Unload();
}

bool Form5::allowedOrRefused(double widthPixels, double heightPixels)
{
    if (canvasSizeAllowed(widthPixels, heightPixels))
        return true;
    const QString text =
        QStringLiteral("A picture of %1 x %2 pixels cannot be made: width and height must each be from %3 to %4 "
                       "pixels, and the picture at most %5 megapixels in all.")
            .arg(Text1->text().isEmpty() ? QString::number(widthPixels) : Text1->text(),
                 Text2->text().isEmpty() ? QString::number(heightPixels) : Text2->text())
            .arg(MinCanvasSide)
            .arg(PictureLimits::MaxSide)
            .arg(PictureLimits::MaxPixels / 1'000'000);
    Host::instance().prompts().message(this, text, windowTitle(), MessageIcon::Critical);
    return false;
}

void Form5::Command2_Click()
{
    Unload();
}

void Form5::Form_Unload()
{
    setMainAndDocumentEnabled(true);
    // Only the document the dialog was shown for is committed, never one that took its place.
    if (document())
        CommitPicture();
}
