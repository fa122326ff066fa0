#include "document/tempfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp &other) const { return size == other.size && modified == other.modified; }
};

struct Folders {
    QString primary;
    QString fallback;
    bool useFallback = false;
};

QString fileIn(const QString &folder)
{
    return folder + QStringLiteral("/temp");
}

QString currentPath(const Folders &folders)
{
    return fileIn(folders.useFallback ? folders.fallback : folders.primary);
}

FileStamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

struct WriteResult {
    QString error;
    bool movedToFallback = false;
};

// Touches no shared state: the background writer runs it unlocked.
WriteResult writeFile(const QImage &picture, const Folders &folders)
{
    WriteResult result;
    result.error = savePicture(picture, currentPath(folders));
    if (!result.error.isEmpty() && !folders.useFallback) {
        // The program's folder refuses the file: carry on in the per-user folder for good.
        QDir().mkpath(folders.fallback);
        if (savePicture(picture, fileIn(folders.fallback)).isEmpty()) {
            result.movedToFallback = true;
            result.error.clear();
        }
    }
    return result;
}

QString defaultFallback()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/VellPainter") : folder;
}

} // namespace

struct TempFile::State {
    std::mutex mutex;
    Folders folders;
    qint64 pictureKey = 0; // the picture whose pixels the file holds
    QImage lastRead;       // what the file read back as, while it is unchanged
    FileStamp stamp;
    QString lastError;

    std::optional<QImage> queued;
    bool writing = false;
    qint64 writingKey = 0;
    bool writerRunning = false;
    std::thread writer;
    std::condition_variable idle;

    // Waits until no write is queued or running; the lock is held on return.
    std::unique_lock<std::mutex> settled()
    {
        std::unique_lock lock(mutex);
        idle.wait(lock, [this] { return !queued && !writing; });
        return lock;
    }

    // The file, untouched since it was written or read, already holds these shared pixels.
    bool holds(const QImage &picture) const
    {
        return !picture.isNull() && picture.cacheKey() == pictureKey && stamp.size >= 0
               && stampOf(currentPath(folders)) == stamp;
    }

    QString writeNow(const QImage &picture)
    {
        if (holds(picture))
            return QString();
        apply(picture, writeFile(picture, folders));
        return lastError;
    }

    void queue(const QImage &picture)
    {
        if (picture.isNull())
            return;
        std::unique_lock lock(mutex);
        if (queued) {
            queued = picture;
            return;
        }
        if (writing ? picture.cacheKey() == writingKey : holds(picture))
            return;
        queued = picture;
        if (writerRunning)
            return;
        // A writer lives only while there is something to write: no thread idles. One that has
        // finished is joined before the next starts, and when the file is settled by
        // finishWriting, so that neither a child forked then nor the end of the process finds a
        // thread still on its way out.
        try {
            joinFinishedWriter();
            writer = std::thread([this] { run(); });
            writerRunning = true;
        } catch (const std::system_error &) {
            queued.reset();
            writeNow(picture);
        }
    }

    // The writer, once it has left its loop (call with the lock held and no write running).
    void joinFinishedWriter()
    {
        if (!writerRunning && writer.joinable())
            writer.join();
    }

    void apply(const QImage &picture, const WriteResult &result)
    {
        lastRead = QImage();
        if (result.movedToFallback)
            folders.useFallback = true;
        lastError = result.error;
        if (!result.error.isEmpty()) {
            pictureKey = 0;
            stamp = {};
            return;
        }
        pictureKey = picture.cacheKey();
        stamp = stampOf(currentPath(folders));
    }

    void run()
    {
        std::unique_lock lock(mutex);
        while (queued) {
            QImage picture = std::move(*queued);
            queued.reset();
            writing = true;
            writingKey = picture.cacheKey();
            const Folders writeTo = folders;
            lock.unlock();
            const WriteResult result = writeFile(picture, writeTo);
            lock.lock();
            apply(picture, result);
            // Let go of the pixels before anyone waiting is told: whoever finds the file settled
            // finds the canvas's picture no longer shared with the writer.
            picture = QImage();
            writing = false;
            idle.notify_all();
        }
        writerRunning = false;
    }
};

TempFile::TempFile() : TempFile(QCoreApplication::applicationDirPath(), defaultFallback()) {}

TempFile::TempFile(const QString &primary, const QString &fallback) : d(std::make_unique<State>())
{
    d->folders.primary = primary;
    d->folders.fallback = fallback;
}

TempFile::~TempFile()
{
    finishWriting();
}

QString TempFile::path() const
{
    auto lock = d->settled();
    return currentPath(d->folders);
}

QString TempFile::write(const QImage &picture)
{
    auto lock = d->settled();
    return d->writeNow(picture);
}

void TempFile::writeLater(const QImage &picture)
{
    d->queue(picture);
}

QString TempFile::finishWriting()
{
    auto lock = d->settled();
    d->joinFinishedWriter();
    return d->lastError;
}

LoadedPicture TempFile::read()
{
    auto lock = d->settled();
    State &s = *d;
    const FileStamp now = stampOf(currentPath(s.folders));
    if (!s.lastRead.isNull() && s.stamp.size >= 0 && now == s.stamp)
        return {s.lastRead, QString()};
    LoadedPicture loaded = loadPicture(currentPath(s.folders));
    if (loaded.ok()) {
        s.lastRead = loaded.picture;
        s.stamp = now;
        // The picture just read holds exactly what the file holds.
        s.pictureKey = loaded.picture.cacheKey();
    }
    return loaded;
}
