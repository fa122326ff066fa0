// New, Open and Save As.
#include "app/mdiform1.h"

#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "filters/form5.h"

#include <QFileInfo>
#include <QLineEdit>

static const QString OpenFilter = QStringLiteral(
    "Supported Filetypes |*.bmp;*.jpg;*.gif|BitMaps (*.bmp)|*.bmp|Jpeg (*.jpg)|*.jpg|"
    "CompuServe Graphics Interchange (*.gif)|*.gif|All types (*.*)|*.*");
static const QString SaveFilter = QStringLiteral("BitMaps (*.bmp)|*.bmp");

void MDIForm1::mnuNew_Click()
{
    QPointer<Form1> form = FirstTime ? firstDocument() : newDocument();
    if (!form)
        return;
    form->Picture2->setPicture(form->Picture1->Picture());
    form->CD1.ShowColor(prompts(), this);
    if (!form)
        return;
    form->Picture1->setBackColor(form->CD1.Color);
    m_canSize = true;
    if (auto *dialog = qobject_cast<::Form5 *>(showDialog(Form5, [] { return new ::Form5; }))) {
        dialog->Text1->setText(QStringLiteral("250"));
        dialog->Text2->setText(QStringLiteral("250"));
    }
    form->Picture2->setPicture(form->Picture1->Picture());
    form->setWidth(form->Picture1->Width() + 100);
    form->setHeight(form->Picture1->Height() + 400);
    FirstTime = false;
}

void MDIForm1::mnuOpen_Click()
{
    CD1.DialogTitle = QStringLiteral("Open Picture");
    CD1.Filter = OpenFilter;
    if (!CD1.ShowOpen(prompts(), this))
        return;
    const QString path = CD1.FileName;
    const LoadedPicture loaded = LoadPicture(path);
    if (!loaded.ok()) {
        const QString reason = loaded.error.isEmpty() ? PictureFileErrors::unreadable() : loaded.error;
        prompts().message(this, QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(path, reason),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    // Bringing back the start-up window lets pending events run.
    QPointer<Form1> form = FirstTime ? firstDocument() : ActiveForm();
    if (!form) {
        prompts().message(this,
                          QStringLiteral("The file \"%1\" cannot be opened: there is no picture window to open it "
                                         "into. Choose New first.")
                              .arg(path),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    // The screen shows transparent pixels over the canvas's background: the stored picture, and
    // with it the temp file, the history and Save As, holds the same.
    const QImage picture = flattenedOver(loaded.picture, form->Picture1->BackColor());
    if (picture.isNull()) {
        prompts().message(this,
                          QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(path, PictureFileErrors::outOfMemory()),
                          QStringLiteral("Open"), MessageIcon::Critical);
        return;
    }
    form->Picture1->setPicture(picture);
    form->setCaption(QFileInfo(path).fileName());
    form->RecordState();
    FirstTime = false;
}

bool MDIForm1::mnuSave_Click()
{
    CD1.DialogTitle = QStringLiteral("Save Picture");
    CD1.Filter = SaveFilter;
    if (!CD1.ShowSave(prompts(), this))
        return false;
    Form1 *form = ActiveForm();
    if (!form)
        return false;
    const QString path = CD1.FileName;
    const QString error = SavePicture(form->Picture1->Image(), path);
    if (!error.isEmpty()) {
        prompts().message(this, QStringLiteral("The picture could not be saved as \"%1\": %2.").arg(path, error),
                          QStringLiteral("Save As"), MessageIcon::Critical);
        return false;
    }
    form->setCaption(QFileInfo(path).fileName());
    return true;
}
