#pragma once
// The program's one temp file, "temp" in the program's folder, rewritten at every commit and
// every write of a canvas picture. When that folder cannot be written (an installed program, a
// read-only share), the file moves to a per-user writable folder, still named temp. The main
// window owns it and hands it to every document.
//
// A write of a large picture takes tens of milliseconds, too long for a commit, Undo or Redo to
// wait for; writeLater hands it to a background writer instead, which writes in order, newest
// last. A picture that differs from the one the file holds only inside a few rectangles (a
// stroke, an Undo) is written there only, in place, leaving the file with exactly the bytes a
// whole write gives; anything else (another size, a picture the file does not hold, a write
// that failed) is written whole, beside the file, then renamed over it. Pictures are immutable shared snapshots, so the writer reads them while the canvas goes
// on drawing into its own copy. Every synchronous call first waits for the pending write, so
// whoever reads the file, asks where it is or is about to touch files (Open, Save As, Exit)
// finds it finished and holding the newest picture handed over.
#include "document/drawnarea.h"
#include "imagelib/picturefiles.h"

#include <QImage>
#include <QString>

#include <memory>

class TempFile {
public:
    // The folders tried, in order: `primary` (by default the program's folder), then the
    // per-user fallback.
    TempFile();
    TempFile(const QString &primary, const QString &fallback);
    // Waits for the writer.
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    QString path() const;
    // Writes the picture as a 24-bit BMP; "" on success, else the reason. A picture that is the one
    // the file already holds (the same shared pixels, file untouched since) is not written again.
    QString write(const QImage &picture);
    // The same in the background; a newer picture handed over before the writer has started on
    // the previous one replaces it. `change` says where the picture can differ from the one
    // whose cache key is its base.
    void writeLater(const QImage &picture, const PictureChange &change = {});
    // Waits for the background writer; the reason its last write failed, or "".
    QString finishWriting();
    // Reads the file back. Two reads of an unchanged file share one picture.
    LoadedPicture read();
    // The bytes written to the file so far (a whole write counts the whole file).
    qint64 bytesWritten() const;

private:
    struct State;
    std::unique_ptr<State> d;
};
