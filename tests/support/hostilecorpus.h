#pragma once
// Broken picture files, made at run time in a folder of their own: cut short, scrambled, lying
// about their size or kind, empty, not files at all, or not readable. Every entry must be
// refused with a reason by whatever reads pictures, without a crash and without a large
// allocation. The valid files the broken ones are made from serve as a fuzzer's seeds.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace vptest {

// The picture written in a format Qt's writers know ("png", "jpeg", "bmp").
QByteArray encoded(const QImage &picture, const char *format);
// The CRC of a PNG chunk (type and data).
quint32 pngCrc32(const QByteArray &data);

struct SampleFile {
    QString name;     // e.g. "bmp 24-bit top-down"
    QString suffix;   // e.g. "bmp"
    QByteArray bytes;
};

// Small valid pictures: 24-bit BMP bottom-up and top-down, 8-bit BMP, PNG, JPEG and GIF.
std::vector<SampleFile> validSamples();

// A GIF of the picture's first 256 colours (Qt reads GIF but does not write it).
QByteArray gifOf(const QImage &picture);

struct HostileFile {
    QString name;       // what is wrong with it, as a sentence fragment
    QString path;
    QString reason;     // the reason a reader must give, when only one is right; else empty
    bool unreadable = false; // no read permission: only meaningful when not running as root
};

class HostileCorpus {
public:
    // Writes every entry. The folder and the files are readable by all (but the unreadable
    // entry), so that an unprivileged child process can read them too.
    HostileCorpus();
    const std::vector<HostileFile> &files() const { return entries; }
    QString folder() const { return dir.path(); }

private:
    void add(const QString &name, const QString &suffix, const QByteArray &bytes, const QString &reason = {});
    void addSpecialEntries();
    QString pathFor(const QString &name, const QString &suffix);

    QTemporaryDir dir;
    std::vector<HostileFile> entries;
};

} // namespace vptest
