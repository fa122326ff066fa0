#include "pattern/patterndialog.h"

#include "document/dc.h"
#include "document/defaultpattern.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/workspace.h"
#include "imagelib/picturefiles.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QPushButton>

// The design's buttons are narrow for today's fonts: a caption that would be cut off is set
// in a smaller size.
static void fitCaption(QPushButton *button)
{
    QFont font = button->font();
    const QString text = button->text().remove(QLatin1Char('&'));
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > button->width() - 10)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

PatternDialog::PatternDialog(DocumentWindow &document)
    : ToolDialog(document, QStringLiteral("Pattern"), QSize(3720, 3225))
{
    preview = new PictureBox(this, 2);
    place(preview, 120, 120, 3495, 2535);
    preview->setWidthTwips(3495);
    preview->setHeightTwips(2535);
    preview->setBackColour(fromQColor(QApplication::palette().color(QPalette::Button)));

    preview->setToolTip(tr("The stamp's pattern: where the mask is black, the face's colours print"));

    loadPatternButton = addButton(QStringLiteral("Load Pattern"),
                                  tr("Load a pattern from two picture files: first its mask, then its face"), 120,
                                  2760, 1095, 375);
    fitCaption(loadPatternButton);
    addCancelButton(tr("Keep the stamp's pattern as it was"), 1320, 2760, 1095, 375);
    addOkButton(tr("Stamp with this pattern"), 2520, 2760, 1095, 375);

    mask = new PictureBox(this, 2);
    face = new PictureBox(this, 2);
    mask->setPicture(defaultPatternMask());
    face->setPicture(defaultPatternFace());
    mask->hide();
    face->hide();

    connect(loadPatternButton, &QPushButton::clicked, this, &PatternDialog::loadPattern);
    load();
}

void PatternDialog::load()
{
    setMainAndDocumentEnabled(false);
    composePreview();
}

void PatternDialog::composePreview()
{
    BitBlt(preview->dc(), 0, 0, mask->innerWidth(), mask->innerHeight(), mask->dc(), 0, 0, RasterOp::And);
    BitBlt(preview->dc(), 0, 0, face->innerWidth(), face->innerHeight(), face->dc(), 0, 0, RasterOp::Or);
}

bool PatternDialog::loadPatternImage(PictureBox *image, const QString &title)
{
    fileDialog.fileName.clear();
    fileDialog.title = title;
    fileDialog.showOpen(workspace().prompts(), this);
    if (fileDialog.fileName.isEmpty())
        return false;
    const LoadedPicture loaded = loadPicture(fileDialog.fileName);
    if (!loaded.ok()) {
        workspace().prompts().message(this, PictureFileErrors::cannotOpen(fileDialog.fileName, loaded.error),
                                      QStringLiteral("Load Pattern"), MessageIcon::Critical);
        return false;
    }
    image->setPicture(loaded.picture);
    return true;
}

void PatternDialog::loadPattern()
{
    if (!loadPatternImage(mask, QStringLiteral("Open Pattern Mask")))
        return;
    if (!loadPatternImage(face, QStringLiteral("Open Pattern Face")))
        return;
    preview->cls();
    preview->refresh();
    load();
}

void PatternDialog::ok()
{
    if (DocumentWindow *doc = document()) {
        doc->mask->setPicture(mask->image());
        doc->face->setPicture(face->image());
    }
    unload();
}

void PatternDialog::unloading()
{
    setMainAndDocumentEnabled(true);
}
