#include "pattern/frmpat.h"

#include "document/dc.h"
#include "document/defaultpattern.h"
#include "document/form1.h"
#include "document/host.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"

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

frmPat::frmPat() : ToolDialog(QStringLiteral("Pattern"), QSize(3720, 3225))
{
    final = new PictureBox(this, 2);
    place(final, 120, 120, 3495, 2535);
    final->setWidth(3495);
    final->setHeight(2535);
    final->setBackColor(fromQColor(QApplication::palette().color(QPalette::Button)));

    Command3 = new QPushButton(QStringLiteral("Load Pattern"), this);
    place(Command3, 120, 2760, 1095, 375);
    fitCaption(Command3);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    place(Command2, 1320, 2760, 1095, 375);
    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    place(Command1, 2520, 2760, 1095, 375);

    mask = new PictureBox(this, 2);
    face = new PictureBox(this, 2);
    mask->setPicture(defaultPatternMask());
    face->setPicture(defaultPatternFace());
    mask->hide();
    face->hide();

    connect(Command1, &QPushButton::clicked, this, &frmPat::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPat::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmPat::Command3_Click);
    Form_Load();
}

void frmPat::Form_Load()
{
    setMainAndDocumentEnabled(false);
    composePreview();
}

void frmPat::composePreview()
{
    BitBlt(final->hDC(), 0, 0, mask->ScaleWidth(), mask->ScaleHeight(), mask->hDC(), 0, 0, SRCAND);
    BitBlt(final->hDC(), 0, 0, face->ScaleWidth(), face->ScaleHeight(), face->hDC(), 0, 0, SRCPAINT);
}

bool frmPat::loadPatternImage(PictureBox *image, const QString &title)
{
    Host *host = Host::current();
    if (!host)
        return false;
    CD1.FileName.clear();
    CD1.DialogTitle = title;
    CD1.ShowOpen(host->prompts(), this);
    if (CD1.FileName.isEmpty())
        return false;
    const LoadedPicture loaded = LoadPicture(CD1.FileName);
    if (!loaded.ok()) {
        host->prompts().message(this,
                                QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(CD1.FileName, loaded.error),
                                QStringLiteral("Load Pattern"), MessageIcon::Critical);
        return false;
    }
    image->setPicture(loaded.picture);
    return true;
}

void frmPat::Command3_Click()
{
    if (!loadPatternImage(mask, QStringLiteral("Open Pattern Mask")))
        return;
    if (!loadPatternImage(face, QStringLiteral("Open Pattern Face")))
        return;
    final->Cls();
    final->Refresh();
    Form_Load();
}

void frmPat::Command1_Click()
{
    if (Form1 *form = document()) {
        form->mask->setPicture(mask->Image());
        form->face->setPicture(face->Image());
    }
    Unload();
}

void frmPat::Command2_Click()
{
    Unload();
}

void frmPat::Form_Unload()
{
    setMainAndDocumentEnabled(true);
}
