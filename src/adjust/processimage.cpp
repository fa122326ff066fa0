#include "adjust/processimage.h"

#include "document/document.h"

bool processImage(Document &document, const QString &operation, const LevelTable &table)
{
    // No copy of the canvas's picture is kept here: one more holder and every move of a bar
    // would copy the whole picture before writing it. (A null picture has no format.)
    if (document.canvas().picture().format() != QImage::Format_BGR888)
        return false;
    processImageBytes(document.snapshot().picture(), document.canvas().pictureForWrite(), engineOpFromName(operation),
                      table);
    return true;
}
