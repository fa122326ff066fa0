// The first stroke on a picture just opened, and what one stroke costs the temp file. Right after
// Open the canvas shares its picture with the stored picture, the snapshot, the history and the
// temp file's writer: the stroke must copy no more of it than it draws on, and the file must be
// rewritten only where the stroke changed it.
#include "session.h"

#include "app/mainwindow.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "document/tempfile.h"
#include "imagelib/picturefiles.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

const std::vector<vpbench::Size> StrokeSizes = {{4000, 3000}, vpbench::FortyEightMegapixels};
const std::vector<vpbench::Size> FortyEight = {vpbench::FortyEightMegapixels};

// The program with a picture of the size written to a file, ready to open it.
struct Opening {
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> main;
    DocumentWindow *window = nullptr;
    StrokeFrame *strokes = nullptr;

    explicit Opening(const vpbench::Size &size)
    {
        const QString path = folder.filePath(QStringLiteral("picture.bmp"));
        if (!savePicture(vpbench::testPicture(size, PictureFormat), path).isEmpty())
            qFatal("cannot write the picture to open");
        main = std::make_unique<MainWindow>(std::make_unique<vpbench::OpeningPrompts>(path),
                                            std::make_unique<TempFile>(folder.path(), folder.path() + QStringLiteral("/fallback")));
        main->show();
        window = main->newDocument();
        strokes = window->findChild<StrokeFrame *>();
        main->palette->pencilButton->click();
    }

    void open()
    {
        main->open();
        main->tempFile().finishWriting();
        QApplication::processEvents();
    }

    // A pencil stroke from `from` to `to` in `moves` steps, released.
    void stroke(QPointF from, QPointF to, int moves)
    {
        strokes->press(from);
        for (int i = 1; i <= moves; ++i)
            strokes->move(from + (to - from) * (double(i) / moves));
        strokes->release(to);
    }
};

// Open, then one pencil stroke, until the bitmap holds it.
double firstStroke(const vpbench::Size &size)
{
    Opening opening(size);
    return vpbench::medianMs(
        7,
        [&] {
            opening.stroke(QPointF(40, 40), QPointF(400, 60), 18);
            opening.window->document().canvas().image();
        },
        [&] { opening.open(); });
}

// The bytes written to the temp file for one pencil stroke from corner to corner (a count).
double tempBytes(const vpbench::Size &size)
{
    Opening opening(size);
    opening.open();
    const qint64 before = opening.main->tempFile().bytesWritten();
    opening.stroke(QPointF(0, 0), QPointF(size.width - 1, size.height - 1), 200);
    opening.main->tempFile().finishWriting();
    return double(opening.main->tempFile().bytesWritten() - before);
}

} // namespace

VP_BENCH_AT("first-stroke", 40, StrokeSizes, firstStroke)
VP_BENCH_AT("temp-bytes", 41, FortyEight, tempBytes)
