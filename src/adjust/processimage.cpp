#include "adjust/processimage.h"

#include "document/document.h"

bool processImage(Document &document, const QString &operation, const LevelTable &table)
{
    const QImage canvasPicture = document.canvas().picture();
    if (canvasPicture.isNull() || canvasPicture.format() != QImage::Format_BGR888)
        return false;
    processImageBytes(document.snapshot().picture(), document.canvas().pictureForWrite(), engineOpFromName(operation),
                      table);
    return true;
}
