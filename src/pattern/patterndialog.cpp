#include "pattern/patterndialog.h"

#include "document/canvasview.h"
#include "document/document.h"
#include "document/prompts.h"
#include "imagelib/picturefiles.h"
#include "imagelib/raster.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QPushButton>

namespace {

// The pictures are kept with a 2-pixel frame; the preview is 233 x 169 with its frame.
constexpr int Frame = 2;
constexpr QSize PreviewSize(233, 169);
// The mask's and the face's size before a pattern is stored in them: the default pattern framed.
constexpr QSize PatternSize(66, 69);

// The design's buttons are narrow for today's fonts: a caption that would be cut off is set in a
// smaller size, so that the buttons keep their places.
void fitCaption(QPushButton *button)
{
    QFont font = button->font();
    const QString text = button->text().remove(QLatin1Char('&'));
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > button->width() - 10)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

} // namespace

PatternDialog::PatternDialog(Document &document, Prompts &prompts, QWidget *mainWindow)
    : ToolDialog(document, QStringLiteral("Pattern"), mainWindow), preview(Frame, PreviewSize),
      mask(Frame, PatternSize), face(Frame, PatternSize), m_prompts(prompts)
{
    // The design's layout, in pixels.
    setFixedSize(248, 215);
    preview.setBackgroundColour(fromQColor(QApplication::palette().color(QPalette::Button)));
    previewView = new CanvasView(preview, this);
    previewView->setZoomable(false);
    previewView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    previewView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    previewView->setGeometry(QRect(QPoint(8, 8), PreviewSize));
    previewView->setToolTip(tr("The stamp's pattern: where the mask is black, the face's colours print"));

    loadPatternButton = new QPushButton(QStringLiteral("Load Pattern"), this);
    loadPatternButton->setToolTip(tr("Load a pattern from two picture files: first its mask, then its face"));
    loadPatternButton->setGeometry(8, 184, 73, 25);
    fitCaption(loadPatternButton);
    addCancelButton(tr("Keep the stamp's pattern as it was"));
    cancelButton->setGeometry(88, 184, 73, 25);
    addOkButton(tr("Stamp with this pattern"));
    okButton->setGeometry(168, 184, 73, 25);

    const StampPattern defaults = StampPattern::defaultPattern();
    mask.setPicture(defaults.mask);
    face.setPicture(defaults.face);
    connect(loadPatternButton, &QPushButton::clicked, this, &PatternDialog::loadPattern);
    composePreview();
}

void PatternDialog::composePreview()
{
    // The mask ANDed in at the top-left corner, then the face ORed in: the transparent part shows
    // the preview's background.
    QImage &shown = preview.bitmapForWrite();
    const QImage maskPicture = mask.image();
    const QImage facePicture = face.image();
    const QRect masked =
        blit(shown, 0, 0, maskPicture.width(), maskPicture.height(), maskPicture, 0, 0, RasterOp::And);
    const QRect painted = blit(shown, 0, 0, facePicture.width(), facePicture.height(), facePicture, 0, 0, RasterOp::Or);
    preview.markDrawn(masked | painted);
}

bool PatternDialog::loadPatternPicture(PictureModel &picture, const QString &title)
{
    const std::optional<QString> path = m_prompts.openFile(this, title, QString(), QString());
    if (!path || path->isEmpty())
        return false;
    const LoadedPicture loaded = loadPicture(*path);
    if (!loaded.ok()) {
        m_prompts.message(this, PictureFileErrors::cannotOpen(*path, loaded.error), QStringLiteral("Load Pattern"),
                          MessageIcon::Critical);
        return false;
    }
    picture.setPicture(loaded.picture);
    return true;
}

void PatternDialog::loadPattern()
{
    if (!loadPatternPicture(mask, QStringLiteral("Open Pattern Mask")))
        return;
    if (!loadPatternPicture(face, QStringLiteral("Open Pattern Face")))
        return;
    preview.eraseDrawing();
    composePreview();
}

void PatternDialog::ok()
{
    // The pictures as drawn: a loaded file's transparent parts over black, in 24 bits.
    if (Document *doc = document())
        doc->pattern() = StampPattern{mask.image(), face.image()};
    closeDialog();
}
