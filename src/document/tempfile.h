#pragma once
// The one temp file of the program, "temp" in the program's folder, rewritten at every commit
// and every write of a canvas picture. When that folder cannot be written (an installed
// program, a read-only share), the file moves to a per-user writable folder, still named temp.
#include "document/picturefiles.h"

#include <QImage>
#include <QString>

namespace TempFile {

QString path();
// Writes the picture as a 24-bit BMP; "" on success, else the reason. A picture that is the one
// the file already holds (the same shared pixels, file untouched since) is not written again.
QString write(const QImage &picture);
// Reads the file back. Two reads of an unchanged file share one picture.
LoadedPicture read();

// The folders tried, in order: the program's folder, then the per-user fallback. Tests point
// them elsewhere.
void setFolders(const QString &primary, const QString &fallback);

} // namespace TempFile
