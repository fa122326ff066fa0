#include "filters/sizedialog.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/prompts.h"
#include "document/screen.h"
#include "document/workspace.h"
#include "filters/filter.h"
#include "filters/numberbox.h"
#include "imagelib/picturefiles.h"
#include "imagelib/units.h"

#include <QLabel>
#include <QLineEdit>
#include <cmath>

namespace {
constexpr int Borders = 2 * DocumentWindow::CanvasBorder;
// A canvas needs one pixel inside its border.
constexpr int MinCanvasSide = Borders + 1;
constexpr int MaxCanvasSide = PictureLimits::MaxSide + Borders;
} // namespace

bool canvasSizeAllowed(double widthPixels, double heightPixels)
{
    // Within range before rounding, so that the rounding cannot overflow.
    const auto sideAllowed = [](double side) {
        return std::isfinite(side) && side >= MinCanvasSide - 0.5 && side < MaxCanvasSide + 0.5;
    };
    if (!sideAllowed(widthPixels) || !sideAllowed(heightPixels))
        return false;
    return PictureLimits::accepts(QSize(roundEven(widthPixels) - Borders, roundEven(heightPixels) - Borders));
}

SizeDialog::SizeDialog(DocumentWindow &document, Mode mode)
    : ToolDialog(document, QStringLiteral("Size"), QSize(3615, 1395)), m_mode(mode)
{
    widthLabel = addLabel(QStringLiteral("Width"), 240, 270, 735, 255);
    widthBox = new QLineEdit(this);
    place(widthBox, 1005, 210, 1095, 345);
    heightLabel = addLabel(QStringLiteral("Height"), 240, 825, 735, 255);
    heightBox = new QLineEdit(this);
    place(heightBox, 1005, 765, 1095, 345);
    // The boxes count the canvas's outer size: its 2-pixel border on each side is included.
    widthBox->setToolTip(tr("Width in pixels, the canvas's border (2 pixels a side) included"));
    heightBox->setToolTip(tr("Height in pixels, the canvas's border (2 pixels a side) included"));
    if (mode == Mode::Size) {
        addOkButton(tr("Stretch the picture to this size"), 2340, 195, 1095, 375);
        addCancelButton(tr("Leave the picture's size as it is"), 2340, 750, 1095, 375);
    } else {
        addOkButton(tr("Give the canvas this size; the picture keeps its place"), 2340, 195, 1095, 375);
        addCancelButton(tr("Leave the canvas's size as it is"), 2340, 750, 1095, 375);
    }

    guardNumberBox(widthBox);
    guardNumberBox(heightBox);
    load();
}

void SizeDialog::load()
{
    setWindowTitle(m_mode == Mode::CanvasSize ? QStringLiteral("Canvas Size") : QStringLiteral("Size"));
    setMainAndDocumentEnabled(false);
    if (DocumentWindow *doc = document()) {
        widthBox->setText(QString::number(doc->canvas->widthTwips() / Screen::TwipsPerPixelX));
        heightBox->setText(QString::number(doc->canvas->heightTwips() / Screen::TwipsPerPixelY));
    }
}

void SizeDialog::ok()
{
    DocumentWindow *doc = document();
    const std::optional<double> width = numericValue(widthBox->text());
    const std::optional<double> height = numericValue(heightBox->text());
    if (doc && m_mode == Mode::Size) {
        // An empty box leaves the picture as it is.
        if (width && height) {
            if (!allowedOrRefused(*width, *height))
                return;
            const double w = roundEven(*width * Screen::TwipsPerPixelX);
            const double h = roundEven(*height * Screen::TwipsPerPixelY);
            resizePicture(*doc, w, h);
            resizePicture(*doc, w, h);
        }
    } else if (doc) {
        // An empty box keeps that side as it is.
        PictureBox *canvas = doc->canvas;
        if (!allowedOrRefused(width.value_or(canvas->widthTwips() / Screen::TwipsPerPixelX),
                              height.value_or(canvas->heightTwips() / Screen::TwipsPerPixelY)))
            return;
        // Width and height in one step: one new bitmap, and without memory for it (the canvas
        // says so) the canvas keeps its size.
        if (canvas->setSizeTwips(width ? *width * Screen::TwipsPerPixelX : canvas->widthTwips(),
                                 height ? *height * Screen::TwipsPerPixelY : canvas->heightTwips()))
            doc->snapshot->setSizeTwips(canvas->widthTwips(), canvas->heightTwips());
    }
    unload();
}

bool SizeDialog::allowedOrRefused(double widthPixels, double heightPixels)
{
    if (canvasSizeAllowed(widthPixels, heightPixels))
        return true;
    const QString text =
        QStringLiteral("A picture of %1 x %2 pixels cannot be made: width and height must each be from %3 to %4 "
                       "pixels, the canvas's %5-pixel border included, and the picture inside it at most %6.")
            .arg(widthBox->text().isEmpty() ? QString::number(widthPixels) : widthBox->text(),
                 heightBox->text().isEmpty() ? QString::number(heightPixels) : heightBox->text())
            .arg(MinCanvasSide)
            .arg(MaxCanvasSide)
            .arg(DocumentWindow::CanvasBorder)
            .arg(PictureLimits::describeMaxPixels());
    workspace().prompts().message(this, text, windowTitle(), MessageIcon::Critical);
    return false;
}

void SizeDialog::unloading()
{
    setMainAndDocumentEnabled(true);
    // Only the document the dialog was shown for is committed, never one that took its place.
    if (DocumentWindow *doc = document())
        commitPicture(*doc);
}
