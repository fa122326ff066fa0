#include "document/tempfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <condition_variable>
#include <mutex>
#include <optional>
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

struct FileState {
    Folders folders;
    qint64 pictureKey = 0; // the picture whose pixels the file holds
    QImage lastRead;       // what the file read back as, while it is unchanged
    FileStamp stamp;
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

class TempFileKeeper {
public:
    TempFileKeeper()
    {
        file.folders.primary = QCoreApplication::applicationDirPath();
        file.folders.fallback = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (file.folders.fallback.isEmpty())
            file.folders.fallback = QDir::tempPath() + QStringLiteral("/VellPainter");
    }

    ~TempFileKeeper()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (writer.joinable())
            writer.join();
    }

    std::mutex mutex;
    FileState file;

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
        return !picture.isNull() && picture.cacheKey() == file.pictureKey && file.stamp.size >= 0
            && stampOf(currentPath(file.folders)) == file.stamp;
    }

    QString writeNow(const QImage &picture)
    {
        if (holds(picture))
            return QString();
        apply(picture, writeFile(picture, file.folders));
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
        if (!writer.joinable())
            writer = std::thread([this] { run(); });
        lock.unlock();
        wake.notify_one();
    }

    QString lastError;

private:
    void apply(const QImage &picture, const WriteResult &result)
    {
        file.lastRead = QImage();
        if (result.movedToFallback)
            file.folders.useFallback = true;
        lastError = result.error;
        if (!result.error.isEmpty()) {
            file.pictureKey = 0;
            file.stamp = {};
            return;
        }
        file.pictureKey = picture.cacheKey();
        file.stamp = stampOf(currentPath(file.folders));
    }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || queued; });
            if (!queued)
                return;
            QImage picture = std::move(*queued);
            queued.reset();
            writing = true;
            writingKey = picture.cacheKey();
            const Folders folders = file.folders;
            lock.unlock();
            const WriteResult result = writeFile(picture, folders);
            lock.lock();
            apply(picture, result);
            writing = false;
            lock.unlock();
            picture = QImage();
            idle.notify_all();
            lock.lock();
        }
    }

    std::optional<QImage> queued;
    bool writing = false;
    qint64 writingKey = 0;
    bool stopping = false;
    std::condition_variable wake;
    std::condition_variable idle;
    std::thread writer;
};

TempFileKeeper &keeper()
{
    static TempFileKeeper k;
    return k;
}

} // namespace

namespace TempFile {

void setFolders(const QString &primary, const QString &fallback)
{
    TempFileKeeper &k = keeper();
    auto lock = k.settled();
    k.file = FileState();
    k.file.folders.primary = primary;
    k.file.folders.fallback = fallback;
    k.lastError.clear();
}

QString path()
{
    TempFileKeeper &k = keeper();
    auto lock = k.settled();
    return currentPath(k.file.folders);
}

QString write(const QImage &picture)
{
    TempFileKeeper &k = keeper();
    auto lock = k.settled();
    return k.writeNow(picture);
}

void writeLater(const QImage &picture)
{
    keeper().queue(picture);
}

QString finishWriting()
{
    TempFileKeeper &k = keeper();
    auto lock = k.settled();
    return k.lastError;
}

LoadedPicture read()
{
    TempFileKeeper &k = keeper();
    auto lock = k.settled();
    FileState &s = k.file;
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

} // namespace TempFile
