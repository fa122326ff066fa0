#include "adjust/processimage.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/workspace.h"

#include <QApplication>

static bool is24Bit(const QImage &picture)
{
    return !picture.isNull() && picture.format() == QImage::Format_BGR888;
}

LevelTable &levelTable()
{
    static LevelTable table {};
    return table;
}

void processImage(DocumentWindow &document, const QString &operation)
{
    if (!is24Bit(document.canvas->picture())) {
        document.workspace().prompts().message(QApplication::activeWindow(), QStringLiteral(" 24-bit bitmaps only"),
                                               QCoreApplication::applicationName(), MessageIcon::Critical);
        return;
    }
    processImageBytes(document.snapshot->picture(), document.canvas->pictureForWrite(), engineOpFromName(operation),
                      levelTable());
}
