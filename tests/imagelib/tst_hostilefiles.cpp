#include "imagelib/picturefiles.h"

#include "childprocess.h"
#include "hostilecorpus.h"
#include "testregistry.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 PeakMemoryLimit = 300ll * 1024 * 1024;

// One line per entry, "index<TAB>opened<TAB>reason", then "peak<TAB>bytes".
QString loadEveryEntry(const vptest::HostileCorpus &corpus)
{
    QString report;
    for (size_t i = 0; i < corpus.files().size(); ++i) {
        const LoadedPicture loaded = loadPicture(corpus.files()[i].path);
        report += QStringLiteral("%1\t%2\t%3\n").arg(i).arg(loaded.ok() ? 1 : 0).arg(loaded.error);
    }
    return report + QStringLiteral("peak\t%1\n").arg(vptest::peakMemoryBytes());
}

bool readsAsAReason(const QString &reason)
{
    return !reason.isEmpty() && reason.front().isLower() && !reason.endsWith(QLatin1Char('.'));
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private slots:
    void theSamplesTheDamageStartsFromOpen()
    {
        const QTemporaryDir dir;
        for (const vptest::SampleFile &sample : vptest::validSamples()) {
            QFile file(dir.filePath(QStringLiteral("sample.") + sample.suffix));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sample.bytes) == sample.bytes.size());
            file.close();
            const LoadedPicture loaded = loadPicture(file.fileName());
            QVERIFY2(loaded.ok(), qPrintable(sample.name + QStringLiteral(": ") + loaded.error));
            QCOMPARE(loaded.picture.size(), QSize(23, 17));
        }
    }

    void everyHostileFileIsRefusedWithAReasonInBoundedMemory()
    {
        const vptest::HostileCorpus corpus;
        QVERIFY(corpus.files().size() >= 40);
        const bool permissionsBind = vptest::canRunUnprivileged();
        const vptest::ChildResult child = vptest::runInChild([&corpus] { return loadEveryEntry(corpus); },
                                                             {permissionsBind, -1});
        QVERIFY2(child.finished, qPrintable(child.failure));

        QStringList faults;
        qint64 peak = -1;
        size_t seen = 0;
        for (const QString &line : child.text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields[0] == QLatin1String("peak")) {
                peak = fields[1].toLongLong();
                continue;
            }
            const vptest::HostileFile &entry = corpus.files()[fields[0].toUInt()];
            const bool opened = fields[1] == QLatin1String("1");
            const QString reason = fields.value(2);
            ++seen;
            if (entry.unreadable && !permissionsBind)
                continue;
            if (opened)
                faults << entry.name + QStringLiteral(": opened");
            else if (!readsAsAReason(reason))
                faults << entry.name + QStringLiteral(": no clear reason (\"%1\")").arg(reason);
            else if (!entry.reason.isEmpty() && reason != entry.reason)
                faults << entry.name + QStringLiteral(": \"%1\" instead of \"%2\"").arg(reason, entry.reason);
        }
        QCOMPARE(seen, corpus.files().size());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        qInfo("%zu hostile files refused; peak memory %lld MB", corpus.files().size(), peak >> 20);
        QVERIFY(peak > 0);
        QVERIFY2(peak < PeakMemoryLimit, qPrintable(QStringLiteral("peak memory %1 MB").arg(peak >> 20)));
        if (!permissionsBind)
            QSKIP("running as root without a \"nobody\" user: the unreadable file was not tried");
    }
};
VP_TEST(TestHostileFiles)
#include "tst_hostilefiles.moc"
