// New, Open and Save As.
#include "app/mdiform1.h"

#include "document/form1.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"

#include <QFileInfo>

static const QString SaveFilter = QStringLiteral("BitMaps (*.bmp)|*.bmp");

void MDIForm1::mnuNew_Click()
{
}

void MDIForm1::mnuOpen_Click()
{
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
                          QStringLiteral("Save Picture"), MessageIcon::Critical);
        return false;
    }
    form->setCaption(QFileInfo(path).fileName());
    return true;
}
