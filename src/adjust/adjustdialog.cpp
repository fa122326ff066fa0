#include "adjust/adjustdialog.h"

#include "adjust/levelbar.h"
#include "document/document.h"
#include "document/prompts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QToolTip>

#include <cmath>

#include <vector>

namespace {

// The design's layouts, in pixels.
struct Bar {
    const char *label;
    const char *tip;
    QRect labelRect;
    QPoint barAt;  // every bar is 180 x 20
    Colour colour; // the bar up to the slider's position
    const char *operation;
};

struct Design {
    const char *caption;
    QSize clientSize;
    std::vector<Bar> bars;
    int buttonsTop;
    // Behind the channel bars the system's button face; behind the others black.
    bool restIsButtonFace;
    void (*fillTable)(LevelTable &, float);
    float (*levelAt)(float); // the factor the table applies, as the user is shown it
};

constexpr Colour Magenta = 0x00FF00FF;
constexpr Colour Black = 0x00000000;
constexpr int BarWidth = 180;

const Design &designOf(AdjustDialog::Kind kind)
{
    static const Design colours {
        "Adjust Colors", QSize(201, 153),
        {{"Red", "Drag along the bar: less red to the left, more to the right", QRect(9, 3, 30, 15), QPoint(8, 16),
          0x000000FF, "RGB0"},
         {"Green", "Drag along the bar: less green to the left, more to the right", QRect(8, 40, 36, 15),
          QPoint(8, 56), 0x0000FF00, "RGB1"},
         {"Blue", "Drag along the bar: less blue to the left, more to the right", QRect(10, 80, 27, 15),
          QPoint(8, 96), 0x00FF0000, "RGB2"}},
        120, true, fillGainTable, gainAt};
    static const Design brightness {"Adjust Brightness", QSize(194, 81),
                                    {{"Brightness", "Drag along the bar: darker to the left, brighter to the right",
                                      QRect(8, 8, 101, 15), QPoint(8, 24), Magenta, "Brightness/Contrast"}},
                                    48, false, fillGainTable, gainAt};
    static const Design contrast {"Adjust Contrast", QSize(194, 81),
                                  {{"Contrast", "Drag along the bar: less contrast to the left, more to the right",
                                    QRect(8, 8, 101, 15), QPoint(8, 24), Magenta, "Brightness/Contrast"}},
                                  48, false, fillContrastTable, contrastAt};
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

AdjustDialog::AdjustDialog(Document &document, Kind kind, Prompts &prompts, QWidget *mainWindow)
    : ToolDialog(document, QString::fromLatin1(designOf(kind).caption), mainWindow), m_kind(kind), m_prompts(prompts)
{
    const Design &design = designOf(kind);
    setFixedSize(design.clientSize);
    const Colour rest = design.restIsButtonFace ? fromQColor(palette().color(QPalette::Button)) : Black;
    for (const Bar &bar : design.bars) {
        auto *label = new QLabel(QString::fromLatin1(bar.label), this);
        label->setGeometry(bar.labelRect);
        labels << label;
        auto *box = new LevelBar(bar.colour, rest, this);
        box->setGeometry(QRect(bar.barAt, QSize(BarWidth, 20)));
        box->setToolTip(QString::fromLatin1(bar.tip));
        bars << box;
    }
    addOkButton(tr("Keep the adjusted picture"));
    addCancelButton(tr("Put the picture back as it was"));
    okButton->setGeometry(16, design.buttonsTop, 81, 25);
    cancelButton->setGeometry(104, design.buttonsTop, 81, 25);
    for (int index = 0; index < bars.size(); ++index) {
        LevelBar *box = bars[index];
        connect(box, &LevelBar::pressed, this, [this] { m_dragging = true; });
        connect(box, &LevelBar::moved, this, [this, index](float x) { barMoved(index, x); });
        connect(box, &LevelBar::released, this, [this] {
            m_dragging = false;
            QToolTip::hideText();
        });
    }

    // The snapshot holds the picture every preview starts from and that Cancel brings back. The
    // level table and the picture are not touched until a bar is dragged.
    document.commitPicture();
    for (LevelBar *box : std::as_const(bars))
        box->setLevel(float(box->width()) / 2);
}

void AdjustDialog::barMoved(int index, float X)
{
    if (!m_dragging)
        return;
    bars[index]->setLevel(X);
    if (X < 0)
        X = 0;
    const Design &design = designOf(m_kind);
    design.fillTable(m_levels, X);
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
    LevelBar *box = bars[index];
    const QPoint above(int(qBound(-1.0e6f, X, 1.0e6f)), -2 * fontMetrics().height() - 12);
    QToolTip::showText(box->mapToGlobal(above), levelText(index, X), box);
}

void AdjustDialog::previewOnCanvas(const QString &operation)
{
    Document *doc = document();
    if (!doc)
        return;
    if (!processImage(*doc, operation, m_levels))
        m_prompts.message(this, QStringLiteral(" 24-bit bitmaps only"), QCoreApplication::applicationName(),
                          MessageIcon::Critical);
}

void AdjustDialog::ok()
{
    const QPointer<Document> doc = document();
    closeDialog();
    if (!doc)
        return;
    doc->commitPicture();
    doc->canvas().eraseDrawing();
}

void AdjustDialog::cancel()
{
    const QPointer<Document> doc = document();
    closeDialog();
    if (doc)
        doc->canvas().setPicture(doc->snapshot().picture());
}

void AdjustDialog::closing()
{
    m_dragging = false;
}
