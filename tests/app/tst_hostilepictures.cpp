#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "imagelib/picturefiles.h"
#include "pattern/patterndialog.h"
#include "tools/palette.h"

#include "childprocess.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "testregistry.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <unistd.h>

namespace {

constexpr qint64 PeakMemoryLimit = 300ll * 1024 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

// Everything a hostile file must leave as it was, in the document and the main window.
struct DocumentLook {
    QString caption;
    QImage drawn, stored, snapshot, mask, face;
    bool firstTime = true;
    qsizetype documents = 0;
    qsizetype states = 0;
    bool operator==(const DocumentLook &) const = default;
};

DocumentLook lookOf(Program &program)
{
    Document *doc = program.active();
    return {doc->caption(),         doc->canvas().image(), doc->canvas().picture(),
            doc->snapshot().picture(), doc->pattern().mask,  doc->pattern().face,
            program.window->firstTime, program.documents().size(), doc->history().undoList.size()};
}

struct PatternLook {
    QImage mask, face, preview;
    bool operator==(const PatternLook &) const = default;
};

PatternLook lookOf(PatternDialog *dialog)
{
    return {dialog->mask.image(), dialog->face.image(), dialog->preview.image()};
}

// The one message a refused file must give: critical, under the command's name, naming the
// file and a reason.
QString messageFault(const ScriptedPrompts &prompts, const QString &path, const QString &title)
{
    if (prompts.count(QStringLiteral("message")) != 1)
        return QStringLiteral("%1 messages").arg(prompts.count(QStringLiteral("message")));
    const ScriptedPrompts::Asked *message = prompts.last(QStringLiteral("message"));
    const QRegularExpression sentence(QStringLiteral("^The file \"%1\" cannot be opened: [a-z].*[^.]\\.$")
                                          .arg(QRegularExpression::escape(path)));
    if (!sentence.match(message->text).hasMatch())
        return QStringLiteral("message \"%1\"").arg(message->text);
    if (message->title != title || message->icon != MessageIcon::Critical)
        return QStringLiteral("message titled \"%1\"").arg(message->title);
    return {};
}

// Runs in a child: every entry through Open, then through Load Pattern as the mask and as the
// face. One line per fault, then the peak memory.
QString putEveryEntryThroughTheCommands(Program &program, const vptest::HostileCorpus &corpus, bool permissionsBind,
                                        const QString &goodMask)
{
    ::alarm(300); // a hang ends the child rather than the run
    const qint64 inherited = vptest::peakMemoryBytes();
    QStringList faults;
    const auto fault = [&faults](const vptest::HostileFile &entry, const QString &how, const QString &what) {
        faults << QStringLiteral("%1 (%2): %3").arg(entry.name, how, what);
    };
    const auto tried = [permissionsBind](const vptest::HostileFile &entry) {
        return !entry.unreadable || permissionsBind;
    };
    ScriptedPrompts &prompts = *program.prompts;

    const DocumentLook document = lookOf(program);
    for (const vptest::HostileFile &entry : corpus.files()) {
        if (!tried(entry))
            continue;
        prompts.asked.clear();
        prompts.files = {entry.path};
        program.window->open();
        if (const QString wrong = messageFault(prompts, entry.path, QStringLiteral("Open")); !wrong.isEmpty())
            fault(entry, QStringLiteral("Open"), wrong);
        if (!(lookOf(program) == document))
            fault(entry, QStringLiteral("Open"), QStringLiteral("the document changed"));
    }

    program.window->palette->stampButton->click();
    auto *dialog = qobject_cast<PatternDialog *>(program.window->patternDialog.data());
    if (!dialog)
        return QStringLiteral("no Pattern dialog\n");
    const PatternLook pattern = lookOf(dialog);
    for (const vptest::HostileFile &entry : corpus.files()) {
        if (!tried(entry))
            continue;
        prompts.asked.clear();
        prompts.files = {entry.path};
        dialog->loadPatternButton->click();
        if (const QString wrong = messageFault(prompts, entry.path, QStringLiteral("Load Pattern")); !wrong.isEmpty())
            fault(entry, QStringLiteral("mask"), wrong);
        if (prompts.count(QStringLiteral("open")) != 1)
            fault(entry, QStringLiteral("mask"), QStringLiteral("asked for a face after all"));
        if (!(lookOf(dialog) == pattern))
            fault(entry, QStringLiteral("mask"), QStringLiteral("the pattern changed"));
    }
    // A broken face after a good mask keeps the new mask, as a cancelled face dialog does.
    const QImage newMask = loadPicture(goodMask).picture;
    for (const vptest::HostileFile &entry : corpus.files()) {
        if (!tried(entry))
            continue;
        prompts.asked.clear();
        prompts.files = {goodMask, entry.path};
        dialog->loadPatternButton->click();
        if (const QString wrong = messageFault(prompts, entry.path, QStringLiteral("Load Pattern")); !wrong.isEmpty())
            fault(entry, QStringLiteral("face"), wrong);
        if (!(lookOf(dialog) == PatternLook{newMask, pattern.face, pattern.preview}))
            fault(entry, QStringLiteral("face"), QStringLiteral("the face or the preview changed"));
    }
    dialog->cancelButton->click();
    if (!(lookOf(program) == document))
        faults << QStringLiteral("the document changed during Load Pattern");
    faults << QStringLiteral("peak\t%1\t%2").arg(vptest::peakMemoryBytes()).arg(inherited);
    return faults.join(QLatin1Char('\n'));
}

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT
private slots:
    void everyHostileFileThroughOpenAndLoadPatternIsRefusedAndChangesNothing()
    {
        const vptest::HostileCorpus corpus;
        QVERIFY(corpus.files().size() >= 40);
        const QString goodMask = corpus.folder() + QStringLiteral("/good mask.bmp");
        QVERIFY(savePicture(uniformPicture(QSize(9, 7), 0x00FFFFFF), goodMask).isEmpty());
        Program program;
        program.active()->canvas().line(QPointF(3, 3), QPointF(90, 40), 0x000000FF);
        // The child leaves the temp file alone; its writer must not be caught half-way.
        program.tempFile().finishWriting();
        const bool permissionsBind = vptest::canRunUnprivileged();
        const vptest::ChildResult child = vptest::runInChild(
            [&] { return putEveryEntryThroughTheCommands(program, corpus, permissionsBind, goodMask); },
            {permissionsBind, -1});
        QVERIFY2(child.finished, qPrintable(child.failure));

        QStringList lines = child.text.split(QLatin1Char('\n'));
        const QStringList memory = lines.takeLast().split(QLatin1Char('\t'));
        const qint64 peak = memory.value(1).toLongLong(), inherited = memory.value(2).toLongLong();
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        qInfo("%zu hostile files through Open and Load Pattern; peak memory %lld MB, %lld MB of it there before",
              corpus.files().size(), peak >> 20, inherited >> 20);
        QVERIFY(peak > 0);
        // Under the sanitizers the allocator keeps what earlier tests freed, and the child starts
        // with all of it: there only what the files add is judged.
        QVERIFY2(peak - (Sanitized ? inherited : 0) < PeakMemoryLimit,
                 qPrintable(QStringLiteral("peak memory %1 MB").arg(peak >> 20)));
        if (!permissionsBind)
            QSKIP("running as root without a \"nobody\" user: the unreadable file was not tried");
    }
};
VP_TEST(TestHostilePictures)
#include "tst_hostilepictures.moc"
