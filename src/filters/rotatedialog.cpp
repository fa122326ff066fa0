#include "filters/rotatedialog.h"

#include "document/document.h"
#include "filters/numberbox.h"
#include "imagelib/rotate.h"
#include "imagelib/units.h"

#include <QGridLayout>
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

RotateDialog::RotateDialog(Document &document, QWidget *mainWindow)
    : ToolDialog(document, QStringLiteral("Rotate"), mainWindow)
{
    angleLabel = new QLabel(QStringLiteral("Angle"), this);
    angleBox = new QLineEdit(QStringLiteral("0"), this);
    angleBox->setToolTip(tr("Angle in whole degrees: a positive angle turns the picture anticlockwise"));
    addOkButton(tr("Turn the picture by this angle"));
    addCancelButton(tr("Leave the picture as it is"));
    auto *layout = new QGridLayout(this);
    layout->addWidget(angleLabel, 0, 0);
    layout->addWidget(angleBox, 0, 1, 1, 2);
    layout->addWidget(okButton, 1, 1);
    layout->addWidget(cancelButton, 1, 2);
    layout->setColumnMinimumWidth(1, 83);
    layout->setColumnMinimumWidth(2, 83);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    guardNumberBox(angleBox);
}

void RotateDialog::ok()
{
    Document *doc = document();
    if (!doc) {
        closeDialog();
        return;
    }
    PictureModel &canvas = doc->canvas();
    PictureModel &snapshot = doc->snapshot();
    snapshot.setPicture(canvas.image());

    std::optional<double> t = numericValue(angleBox->text());
    if (!t) {
        angleBox->setText(QStringLiteral("0"));
        t = 0;
    }
    angleBox->setText(QString::number(normalisedAngle(*t), 'g', 17));
    const double d = numericValue(angleBox->text()).value_or(0);
    // The factor is the design's own, not the full-precision pi.
    const double angle = d * 3.14159265358979 / 180;

    canvas.eraseDrawing();
    // The source and its centre come from the snapshot, which has just taken the canvas's bitmap;
    // the destination centre from the canvas.
    const QImage source = snapshot.bitmapForRead();
    const QSize from = snapshot.size();
    const QSize to = canvas.size();
    rotatePicture(source, canvas.bitmapForWrite(QRect(QPoint(0, 0), to)), angle, 0, 0, from.width() - 1, from.height() - 1,
                  roundEven(from.width() / 2.0), roundEven(from.height() / 2.0), roundEven(to.width() / 2.0),
                  roundEven(to.height() / 2.0));
    canvas.markDrawn(QRect(QPoint(0, 0), to));
    snapshot.setPicture(canvas.image());
    canvas.setPicture(snapshot.image());
    doc->recordState();
    closeDialog();
}
