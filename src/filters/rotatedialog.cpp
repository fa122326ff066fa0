#include "filters/rotatedialog.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/workspace.h"
#include "filters/numberbox.h"
#include "imagelib/rotate.h"
#include "imagelib/units.h"

#include <QLabel>
#include <QLineEdit>
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

RotateDialog::RotateDialog(DocumentWindow &document)
    : ToolDialog(document, QStringLiteral("Rotate"), QSize(3150, 1365))
{
    angleLabel = addLabel(QStringLiteral("Angle"), 240, 270, 720, 255);
    angleBox = new QLineEdit(QStringLiteral("0"), this);
    place(angleBox, 1020, 210, 1890, 345);
    angleBox->setToolTip(tr("Angle in whole degrees: a positive angle turns the picture anticlockwise"));
    addOkButton(tr("Turn the picture by this angle"), 240, 810, 1245, 375);
    addCancelButton(tr("Leave the picture as it is"), 1665, 810, 1245, 375);
    guardNumberBox(angleBox);

    setMainAndDocumentEnabled(false);
}

void RotateDialog::ok()
{
    DocumentWindow *doc = document();
    if (!doc) {
        unload();
        return;
    }
    PictureBox *canvas = doc->canvas;
    PictureBox *snapshot = doc->snapshot;
    snapshot->setPicture(canvas->image());

    std::optional<double> t = numericValue(angleBox->text());
    if (!t) {
        angleBox->setText(QStringLiteral("0"));
        t = 0;
    }
    angleBox->setText(QString::number(normalisedAngle(*t), 'g', 17));
    const double d = numericValue(angleBox->text()).value_or(0);
    const double angle = d * 3.14159265358979 / 180;

    canvas->cls();
    canvas->setVisible(false);
    const QImage source = snapshot->bitmapForRead();
    const int srcWidth = snapshot->innerWidth();
    const int srcHeight = snapshot->innerHeight();
    rotatePicture(source, canvas->bitmapForWrite(), angle, 0, 0, srcWidth - 1, srcHeight - 1,
                  roundEven(srcWidth / 2.0), roundEven(srcHeight / 2.0), roundEven(canvas->innerWidth() / 2.0),
                  roundEven(canvas->innerHeight() / 2.0));
    canvas->markDrawn(QRect(0, 0, canvas->innerWidth(), canvas->innerHeight()));
    canvas->setVisible(true);
    snapshot->setPicture(canvas->image());
    canvas->setPicture(snapshot->image());
    doc->recordState();
    unload();
}

void RotateDialog::unloading()
{
    setMainAndDocumentEnabled(true);
}
