#include "filters/sizedialog.h"

#include "document/document.h"
#include "document/prompts.h"
#include "filters/filter.h"
#include "filters/numberbox.h"
#include "imagelib/picturefiles.h"
#include "imagelib/units.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace {
constexpr int Borders = 2 * Document::CanvasBorder;
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

SizeDialog::SizeDialog(Document &document, Mode mode, Prompts &prompts, QWidget *mainWindow)
    : ToolDialog(document, mode == Mode::CanvasSize ? QStringLiteral("Canvas Size") : QStringLiteral("Size"),
                 mainWindow),
      m_mode(mode), m_prompts(prompts)
{
    widthLabel = new QLabel(QStringLiteral("Width"), this);
    widthBox = new QLineEdit(this);
    heightLabel = new QLabel(QStringLiteral("Height"), this);
    heightBox = new QLineEdit(this);
    // The boxes count the canvas's outer size: its 2-pixel border on each side is included.
    widthBox->setToolTip(tr("Width in pixels, the canvas's border (2 pixels a side) included"));
    heightBox->setToolTip(tr("Height in pixels, the canvas's border (2 pixels a side) included"));
    if (mode == Mode::Size) {
        addOkButton(tr("Stretch the picture to this size"));
        addCancelButton(tr("Leave the picture's size as it is"));
    } else {
        addOkButton(tr("Give the canvas this size; the picture keeps its place"));
        addCancelButton(tr("Leave the canvas's size as it is"));
    }
    auto *layout = new QGridLayout(this);
    layout->addWidget(widthLabel, 0, 0);
    layout->addWidget(widthBox, 0, 1);
    layout->addWidget(okButton, 0, 2);
    layout->addWidget(heightLabel, 1, 0);
    layout->addWidget(heightBox, 1, 1);
    layout->addWidget(cancelButton, 1, 2);
    layout->setColumnMinimumWidth(1, 73);
    layout->setHorizontalSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    guardNumberBox(widthBox);
    guardNumberBox(heightBox);
    // The canvas's outer size in pixels.
    const QSize outer = document.canvas().outerSize();
    widthBox->setText(QString::number(outer.width()));
    heightBox->setText(QString::number(outer.height()));
}

void SizeDialog::ok()
{
    Document *doc = document();
    const std::optional<double> width = numericValue(widthBox->text());
    const std::optional<double> height = numericValue(heightBox->text());
    if (doc && m_mode == Mode::Size) {
        // An empty box leaves the picture as it is.
        if (width && height) {
            if (!allowedOrRefused(*width, *height))
                return;
            // The boxes hold whole numbers (their guard sees to it), so the size is exactly as typed.
            const QSize outer(roundEven(*width), roundEven(*height));
            // Resizing twice is intended: the command has always run the stretch twice, the second
            // from the picture the first committed.
            resizePicture(*doc, outer);
            resizePicture(*doc, outer);
        }
    } else if (doc) {
        // An empty box keeps that side as it is.
        PictureModel &canvas = doc->canvas();
        const QSize outer = canvas.outerSize();
        if (!allowedOrRefused(width.value_or(outer.width()), height.value_or(outer.height())))
            return;
        // Width and height in one step: one new bitmap, and without memory for it (the canvas
        // says so) the canvas keeps its size.
        const QSize wanted(width ? roundEven(*width) : outer.width(), height ? roundEven(*height) : outer.height());
        if (canvas.setOuterSize(wanted))
            doc->snapshot().setOuterSize(canvas.outerSize());
    }
    closeDialog();
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
            .arg(Document::CanvasBorder)
            .arg(PictureLimits::describeMaxPixels());
    m_prompts.message(this, text, windowTitle(), MessageIcon::Critical);
    return false;
}

void SizeDialog::closing()
{
    // Only the document the dialog was shown for is committed, never one that took its place.
    if (Document *doc = document())
        doc->commitPicture();
}
