#include "filters/filter.h"

#include "document/document.h"
#include "document/prompts.h"
#include "imagelib/smooth.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <algorithm>

namespace {

// A band of about eight million pixels takes a few milliseconds, on all the cores it gains from,
// so the clock is read often enough to yield close to every 15 ms.
constexpr qint64 BandPixels = 8'000'000;
constexpr qint64 YieldEveryMs = 15;

// While the filter yields, the main window and every document window inside it take no input:
// the document cannot be closed or left from under the filter, and no other command starts.
class InputHeld {
public:
    explicit InputHeld(QWidget *window) : m_window(window), m_wasEnabled(window->isEnabled())
    {
        window->setEnabled(false);
    }
    ~InputHeld()
    {
        if (m_window)
            m_window->setEnabled(m_wasEnabled);
    }
    InputHeld(const InputHeld &) = delete;
    InputHeld &operator=(const InputHeld &) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_wasEnabled;
};

// The main window can still be closed by the window manager, and that closes the documents.
bool stillOpen(const QPointer<Document> &document)
{
    return document && document->isOpen();
}

// Every output pixel comes from the bitmap as it was before the first band: the first write
// detaches the canvas's bitmap from `before`.
bool smoothCanvas(const QPointer<Document> &document)
{
    QApplication::processEvents();
    if (!stillOpen(document))
        return false;
    const QImage before = document->canvas().bitmapForRead();
    QElapsedTimer clock;
    clock.start();
    const int bandRows = int(std::max<qint64>(16, BandPixels / std::max(1, before.width())));
    for (int row = 0; row < before.height(); row += bandRows) {
        const int end = std::min(row + bandRows, before.height());
        PictureModel &canvas = document->canvas();
        smoothRows(before, canvas.bitmapForWrite(QRect(0, row, before.width(), end - row)), row, end);
        canvas.markDrawn(QRect(0, row, before.width(), end - row));
        if (clock.hasExpired(YieldEveryMs)) {
            QApplication::processEvents();
            if (!stillOpen(document))
                return false;
            clock.restart();
        }
    }
    return true;
}

} // namespace

bool smoothPicture(Document &target, QWidget *mainWindow, Prompts &prompts)
{
    QPointer<Document> document(&target);
    QPointer<QWidget> main = mainWindow;
    // Nothing else changes the main window's caption, so this is the title it loaded with.
    const QString mainTitle = main->windowTitle();
    main->setWindowTitle(mainTitle + QStringLiteral(" [Working]"));
    bool finished = false;
    {
        const InputHeld held(main);
        finished = smoothCanvas(document);
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (!main)
        return false;
    main->setWindowTitle(mainTitle);
    if (!finished)
        return false;
    prompts.message(main, QStringLiteral("Done!"), QStringLiteral("Smooth"), MessageIcon::None);
    return stillOpen(document);
}
