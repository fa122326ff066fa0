#include "document/tempfile.h"

#include "imagelib/bmp.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

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
    qint64 bytes = 0;
};

// Writes the rectangles of the picture into the file in place; false when that could not be done
// completely (the file may then hold a mixture, and is written whole next).
bool rewriteFile(const QImage &picture, const QString &path, const QList<QRect> &changed, qint64 &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int error = rewriteBmp24(fd, picture, changed);
    const bool closed = ::close(fd) == 0;
    for (const QRect &rect : changed)
        bytes += qint64(rect.width()) * rect.height() * 3;
    return error == 0 && closed;
}

// Touches no shared state: the background writer runs it unlocked. With `changed`, the file
// holds the picture the change is relative to.
WriteResult writeFile(const QImage &picture, const Folders &folders, const std::optional<QList<QRect>> &changed)
{
    WriteResult result;
    if (changed && rewriteFile(picture, currentPath(folders), *changed, result.bytes))
        return result;
    result.bytes += qint64(bmp24FileSize(picture.size()));
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

    qint64 bytesWritten = 0;

    // A picture waiting for the writer, and what is known of it against the file.
    struct Job {
        QImage picture;
        PictureChange change;
    };
    std::optional<Job> queued;
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
        apply(picture, writeFile(picture, folders, std::nullopt));
        return lastError;
    }

    // Where the picture may differ from what the file holds, if the file holds the change's base
    // untouched (call with the lock held).
    std::optional<QList<QRect>> changedAgainstFile(const Job &job) const
    {
        if (job.change.base == 0 || job.change.base != pictureKey || stamp.size < 0
            || stampOf(currentPath(folders)) != stamp)
            return std::nullopt;
        return job.change.within;
    }

    void queue(const QImage &picture, const PictureChange &change)
    {
        if (picture.isNull())
            return;
        std::unique_lock lock(mutex);
        if (queued) {
            // The newer picture replaces the one still waiting: against the file, it differs
            // where either of them does, if the two were told one after the other.
            PictureChange merged;
            if (change.base != 0 && change.base == queued->picture.cacheKey() && queued->change.base != 0)
                merged = {queued->change.base, queued->change.within + change.within};
            queued = Job{picture, merged};
            return;
        }
        if (writing ? picture.cacheKey() == writingKey : holds(picture))
            return;
        queued = Job{picture, change};
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
        bytesWritten += result.bytes;
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
            QImage picture = std::move(queued->picture);
            const std::optional<QList<QRect>> changed = changedAgainstFile(*queued);
            queued.reset();
            writing = true;
            writingKey = picture.cacheKey();
            const Folders writeTo = folders;
            lock.unlock();
            const WriteResult result = writeFile(picture, writeTo, changed);
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

void TempFile::writeLater(const QImage &picture, const PictureChange &change)
{
    d->queue(picture, change);
}

QString TempFile::finishWriting()
{
    auto lock = d->settled();
    d->joinFinishedWriter();
    return d->lastError;
}

qint64 TempFile::bytesWritten() const
{
    auto lock = d->settled();
    return d->bytesWritten;
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
