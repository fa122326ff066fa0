#include "adjust/adjustdialog.h"

#include "document/commit.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/screen.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QToolTip>

#include <cmath>

#include <vector>

namespace {

struct Bar {
    const char *label;
    const char *tip;
    QRect labelTwips; // left, top, width, height
    QPoint boxTwips;  // the slider box's top-left; every box is 2700 x 300 twips
    Colour colour;    // the bar up to the slider's position
    const char *operation;
};

struct Design {
    const char *caption;
    QSize clientTwips;
    std::vector<Bar> bars;
    int buttonsTop;
    // Behind the channel bars the system's button face; behind the others black.
    bool restIsButtonFace;
    void (*fillTable)(LevelTable &, float);
    float (*levelAt)(float); // the factor the table applies, as the user is shown it
};

constexpr Colour Magenta = 0x00FF00FF;
constexpr Colour Black = 0x00000000;

const Design &designOf(AdjustDialog::Kind kind)
{
    static const Design colours {
        "Adjust Colors", QSize(3015, 2295),
        {{"Red", "Drag along the bar: less red to the left, more to the right", QRect(135, 45, 450, 225),
          QPoint(120, 240), 0x000000FF, "RGB0"},
         {"Green", "Drag along the bar: less green to the left, more to the right", QRect(120, 600, 540, 225),
          QPoint(120, 840), 0x0000FF00, "RGB1"},
         {"Blue", "Drag along the bar: less blue to the left, more to the right", QRect(150, 1200, 405, 225),
          QPoint(120, 1440), 0x00FF0000, "RGB2"}},
        1800, true, fillGainTable, gainAt};
    static const Design brightness {"Adjust Brightness", QSize(2910, 1215),
                                    {{"Brightness", "Drag along the bar: darker to the left, brighter to the right",
                                      QRect(120, 120, 1515, 225), QPoint(120, 360), Magenta, "Brightness/Contrast"}},
                                    720, false, fillGainTable, gainAt};
    static const Design contrast {"Adjust Contrast", QSize(2910, 1215),
                                  {{"Contrast", "Drag along the bar: less contrast to the left, more to the right",
                                    QRect(120, 120, 1515, 225), QPoint(120, 360), Magenta, "Brightness/Contrast"}},
                                  720, false, fillContrastTable, contrastAt};
    switch (kind) {
    case AdjustDialog::Kind::Colours:
        return colours;
    case AdjustDialog::Kind::Brightness:
        return brightness;
    case AdjustDialog::Kind::Contrast:
        break;
    }
    return contrast;
}

} // namespace

AdjustDialog::AdjustDialog(DocumentWindow &document, Kind kind)
    : ToolDialog(document, QString::fromLatin1(designOf(kind).caption), designOf(kind).clientTwips), m_kind(kind)
{
    const Design &design = designOf(kind);
    for (const Bar &bar : design.bars) {
        const QRect at = bar.labelTwips;
        labels << addLabel(QString::fromLatin1(bar.label), at.x(), at.y(), at.width(), at.height());
        auto *box = new PictureBox(this);
        box->setWidthTwips(2700);
        box->setHeightTwips(300);
        place(box, bar.boxTwips.x(), bar.boxTwips.y(), 2700, 300);
        box->setToolTip(QString::fromLatin1(bar.tip));
        bars << box;
    }
    addOkButton(tr("Keep the adjusted picture"), 240, design.buttonsTop, 1215, 375);
    addCancelButton(tr("Put the picture back as it was"), 1560, design.buttonsTop, 1215, 375);
    for (int index = 0; index < bars.size(); ++index) {
        PictureBox *box = bars[index];
        connect(box, &PictureBox::mousePressed, this, [this] { m_dragging = true; });
        connect(box, &PictureBox::mouseMoved, this, [this, index](float x, float) { barMoved(index, x); });
        connect(box, &PictureBox::mouseReleased, this, [this] {
            m_dragging = false;
            QToolTip::hideText();
        });
    }

    // The snapshot holds the picture every preview starts from.
    setMainAndDocumentEnabled(false);
    commitPicture(document);
    for (int index = 0; index < bars.size(); ++index)
        drawBar(index, float(bars[index]->widthTwips() / Screen::TwipsPerPixelX / 2));
}

void AdjustDialog::drawBar(int index, float X)
{
    const Design &design = designOf(m_kind);
    const Colour rest = design.restIsButtonFace ? fromQColor(palette().color(QPalette::Button)) : Black;
    PictureBox *box = bars[index];
    box->fillBox(QPointF(0, 0), QPointF(X, 20), design.bars[size_t(index)].colour);
    box->fillBox(QPointF(X, 0), QPointF(200, 20), rest);
}

void AdjustDialog::barMoved(int index, float X)
{
    if (!m_dragging)
        return;
    drawBar(index, X);
    if (X < 0)
        X = 0;
    const Design &design = designOf(m_kind);
    design.fillTable(levelTable(), X);
    showLevel(index, X);
    previewOnCanvas(QString::fromLatin1(design.bars[size_t(index)].operation));
}

QString AdjustDialog::levelText(int index, float X) const
{
    const Design &design = designOf(m_kind);
    const QString name = QString::fromLatin1(design.bars[size_t(index)].label);
    // Far beyond the bar's end every byte is long saturated and the factor overflows.
    const double percent = 100.0 * design.levelAt(qMax(X, 0.0f));
    if (!(percent < 100'000))
        return tr("%1: over 100000 %").arg(name);
    return tr("%1: %2 %").arg(name).arg(std::nearbyint(percent), 0, 'f', 0);
}

void AdjustDialog::showLevel(int index, float X)
{
    // Above the bar over the pointer, wherever the drag has taken it; the tip is placed a line
    // below the point it is given.
    PictureBox *box = bars[index];
    const QPoint above(int(qBound(-1.0e6f, X, 1.0e6f)), -2 * fontMetrics().height() - 12);
    QToolTip::showText(box->mapToGlobal(above), levelText(index, X), box);
}

void AdjustDialog::previewOnCanvas(const QString &operation)
{
    DocumentWindow *doc = document();
    if (!doc)
        return;
    processImage(*doc, operation);
    // The engine's message box, if it came, let other events run.
    if (DocumentWindow *still = document())
        still->canvas->refresh();
    QCoreApplication::processEvents();
}

void AdjustDialog::ok()
{
    const QPointer<DocumentWindow> doc = document();
    unload();
    if (!doc)
        return;
    commitPicture(*doc);
    doc->canvas->cls();
}

void AdjustDialog::cancel()
{
    const QPointer<DocumentWindow> doc = document();
    unload();
    if (doc)
        doc->canvas->setPicture(doc->snapshot->picture());
}

void AdjustDialog::unloading()
{
    setMainAndDocumentEnabled(true);
    m_dragging = false;
}
