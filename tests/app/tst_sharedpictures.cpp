// Pictures share their memory (copied by page as they are written), the history rebuilds only
// what changed and the temp file is rewritten only where the picture changed. Each of these can
// go wrong without a crash: a page written through a clone into a picture still held elsewhere,
// a tile missed by a rebuild, a stretch of the temp file left behind. A long random session is
// run twice, once on pictures copied whole and once on shared ones, and everything a user or a
// file can see must agree after every step.
#include "document/canvasview.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "document/tempfile.h"
#include "filters/filter.h"
#include "filters/flip.h"
#include "fixture.h"
#include "imagelib/bmp.h"
#include "imagelib/fill.h"
#include "imagelib/picturememory.h"
#include "testregistry.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QTest>

#include <random>

namespace {

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

QByteArray hashOf(const QImage &picture)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(picture.width()) + 'x' + QByteArray::number(picture.height()));
    const QImage bgr = picture.convertToFormat(PictureFormat);
    for (int y = 0; y < bgr.height(); ++y)
        hash.addData(QByteArrayView(bgr.constScanLine(y), 3 * bgr.width()));
    return hash.result();
}

struct Run {
    QList<QByteArray> looks;   // after each step: canvas, bitmap, snapshot, temp file
    QStringList faults;
    qint64 strokeBytes = 0;    // what the temp file's writer wrote for the strokes
    qint64 strokeWholeBytes = 0; // what writing them whole would have cost
};

// A session of strokes, previews, fills, flips, canvas sizes and steps through the history on a
// picture large enough for shared memory (2 MB and up).
Run session(PictureMemoryMode mode)
{
    setPictureMemoryMode(mode);
    Run run;
    {
        Program program;
        Document *doc = program.active();
        PictureModel &canvas = doc->canvas();
        canvas.setPicture(noisePicture(QSize(1000, 800), PictureFormat, 9));
        doc->commitPicture();
        std::mt19937 random(2026);
        const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const auto anywhere = [&] { return QPointF(pick(-20, canvas.size().width() + 20), pick(-20, canvas.size().height() + 20)); };
        for (int step = 0; step < 120; ++step) {
            const int kind = pick(0, 11);
            program.tempFile().finishWriting();
            const qint64 bytesBefore = program.tempFile().bytesWritten();
            if (kind <= 3) {
                canvas.setPenWidth(pick(1, 12));
                canvas.line(anywhere(), anywhere(), Colour(random() & 0xFFFFFF));
                canvas.lineTo(anywhere(), Colour(random() & 0xFFFFFF));
                doc->commitPicture();
            } else if (kind == 4) {
                // A preview drawn, erased and drawn again, as the straight line and the circle do.
                canvas.circle(anywhere(), pick(5, 400), Red);
                canvas.eraseDrawing();
                canvas.line(anywhere(), anywhere(), Blue);
                doc->commitPicture();
            } else if (kind == 5) {
                const std::optional<Colour> target = canvas.pixel(pick(0, canvas.size().width() - 1), 0);
                if (target)
                    canvas.markDrawn(replaceColour(canvas.bitmapForRewrite(), *target, Green));
                doc->commitPicture();
            } else if (kind == 6) {
                flipPicture(*doc, pick(0, 1) ? FlipAxis::Horizontal : FlipAxis::Vertical);
                if (pick(0, 1))
                    doc->commitPicture();
            } else if (kind == 7) {
                canvas.setOuterSize(QSize(pick(700, 1100), pick(600, 900)));
                doc->commitPicture();
            } else if (kind <= 9) {
                for (int i = pick(1, 3); i > 0; --i)
                    doc->undo();
            } else {
                for (int i = pick(1, 3); i > 0; --i)
                    doc->redo();
            }
            program.tempFile().finishWriting();
            const QByteArray file = fileBytes(program.tempPath());
            if (file != bmpOf(canvas.picture()))
                run.faults << QStringLiteral("step %1: the temp file is not a whole write of the picture").arg(step);
            run.looks << hashOf(canvas.picture()) + hashOf(canvas.image()) + hashOf(doc->snapshot().picture())
                             + hashOf(file);
            if (kind <= 3) {
                run.strokeBytes += program.tempFile().bytesWritten() - bytesBefore;
                run.strokeWholeBytes += file.size();
            }
        }
        // Every state, back to the first and forward to the last.
        while (doc->canUndo()) {
            doc->undo();
            run.looks << hashOf(canvas.picture()) + hashOf(canvas.image());
        }
        while (doc->canRedo()) {
            doc->redo();
            run.looks << hashOf(canvas.picture()) + hashOf(canvas.image());
        }
    }
    setPictureMemoryMode(PictureMemoryMode::Automatic);
    return run;
}

} // namespace

class TestSharedPictures : public QObject {
    Q_OBJECT
private slots:
    void sharedPicturesGiveWhatWholeCopiesGive()
    {
        const Run plain = session(PictureMemoryMode::WholeCopies);
        QVERIFY2(plain.faults.isEmpty(), qPrintable(plain.faults.join('\n')));
        for (PictureMemoryMode mode : {PictureMemoryMode::CopyOnWrite, PictureMemoryMode::CopyOnWriteWithoutPageMap}) {
            const Run shared = session(mode);
            QVERIFY2(shared.faults.isEmpty(), qPrintable(shared.faults.join('\n')));
            QCOMPARE(shared.looks.size(), plain.looks.size());
            for (qsizetype i = 0; i < plain.looks.size(); ++i)
                QVERIFY2(shared.looks[i] == plain.looks[i], qPrintable(QStringLiteral("they differ at look %1").arg(i)));
        }
        // The strokes were written where they changed the picture, not whole.
        QVERIFY2(plain.strokeBytes < plain.strokeWholeBytes / 3,
                 qPrintable(QStringLiteral("%1 of %2 bytes").arg(plain.strokeBytes).arg(plain.strokeWholeBytes)));
    }

    // A temp file changed behind the writer's back (another program, a half-finished write) is
    // not patched, it is written whole again.
    void aTempFileChangedBehindTheWritersBackIsWrittenWhole()
    {
        Program program;
        Document *doc = program.active();
        doc->canvas().setPicture(noisePicture(QSize(300, 200), PictureFormat, 4));
        doc->commitPicture();
        program.tempFile().finishWriting();
        {
            QFile file(program.tempPath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(5000);
            file.write(QByteArray(3000, '\x55'));
            file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
        }
        doc->canvas().line(QPointF(3, 3), QPointF(20, 3), Red);
        doc->commitPicture();
        program.tempFile().finishWriting();
        QCOMPARE(fileBytes(program.tempPath()), bmpOf(doc->canvas().picture()));
    }
};
VP_TEST(TestSharedPictures)
#include "tst_sharedpictures.moc"
