#include "document/tempfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp &other) const { return size == other.size && modified == other.modified; }
};

struct State {
    QString primary;
    QString fallback;
    bool useFallback = false;
    qint64 pictureKey = 0; // the picture whose pixels the file holds
    QImage lastRead;       // what the file read back as, while it is unchanged
    FileStamp stamp;
    bool foldersSet = false;
};

State &state()
{
    static State s;
    if (!s.foldersSet) {
        s.primary = QCoreApplication::applicationDirPath();
        s.fallback = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (s.fallback.isEmpty())
            s.fallback = QDir::tempPath() + QStringLiteral("/VellPainter");
        s.foldersSet = true;
    }
    return s;
}

QString fileIn(const QString &folder)
{
    return folder + QStringLiteral("/temp");
}

FileStamp stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

} // namespace

namespace TempFile {

void setFolders(const QString &primary, const QString &fallback)
{
    State &s = state();
    s = State();
    s.primary = primary;
    s.fallback = fallback;
    s.foldersSet = true;
}

QString path()
{
    const State &s = state();
    return fileIn(s.useFallback ? s.fallback : s.primary);
}

QString write(const QImage &picture)
{
    State &s = state();
    if (!picture.isNull() && picture.cacheKey() == s.pictureKey && s.stamp.size >= 0 && stampOf(path()) == s.stamp)
        return QString();
    s.pictureKey = 0;
    s.lastRead = QImage();
    QString error = SavePicture(picture, path());
    if (!error.isEmpty() && !s.useFallback) {
        // The program's folder refuses the file: carry on in the per-user folder for good.
        QDir().mkpath(s.fallback);
        const QString fallbackError = SavePicture(picture, fileIn(s.fallback));
        if (fallbackError.isEmpty()) {
            s.useFallback = true;
            error.clear();
        }
    }
    if (!error.isEmpty()) {
        s.stamp = {};
        return error;
    }
    s.pictureKey = picture.cacheKey();
    s.stamp = stampOf(path());
    return QString();
}

LoadedPicture read()
{
    State &s = state();
    const FileStamp now = stampOf(path());
    if (!s.lastRead.isNull() && s.stamp.size >= 0 && now == s.stamp)
        return {s.lastRead, QString()};
    LoadedPicture loaded = LoadPicture(path());
    if (loaded.ok()) {
        s.lastRead = loaded.picture;
        s.stamp = now;
        // The picture just read holds exactly what the file holds.
        s.pictureKey = loaded.picture.cacheKey();
    }
    return loaded;
}

} // namespace TempFile
