#include "adjust/adjustdialog.h"
#include "adjust/levelbar.h"
#include "document/documentwindow.h"
#include "document/history.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"
#include "pattern/patterndialog.h"
#include "tools/palette.h"

#include "fixture.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

#include <map>
#include <memory>
#include <random>

namespace {

constexpr int Operations = 3000;
constexpr int Documents = 5;
constexpr qint64 Budget = 8ll << 20; // some forty states of the largest canvas
constexpr int LargestSide = 260; // outer pixels: at most 256 x 256 inside, four tiles a side, and Smooth stays quick

enum class Op { Stroke, FlipHor, FlipVert, Rotate, Smooth, Size, CanvasSize, Undo, Redo, Adjust, Switch, Close, Open, New, SaveAs };
const char *const OpNames[] = {"stroke", "flip horizontal", "flip vertical", "rotate", "smooth", "size", "canvas size",
                               "undo", "redo", "adjust", "switch", "close", "open", "new", "save as"};
const std::vector<double> OpWeights = {30, 4, 4, 5, 3, 5, 5, 10, 6, 8, 8, 3, 3, 4, 3};

void deleteWhatWasClosed() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QString bmpHeaderFault(const QByteArray &bytes, QSize size)
{
    const auto u16 = [&bytes](int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&bytes](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    if (bytes.size() < 54 || !bytes.startsWith("BM"))
        return QStringLiteral("not a BMP file");
    if (u16(28) != 24 || u32(30) != 0 || u32(10) != 54)
        return QStringLiteral("not an uncompressed 24-bit BMP");
    if (bytes.size() != bmp24FileSize(size) || u32(2) != quint32(bytes.size()))
        return QStringLiteral("%1 bytes for %2 x %3").arg(bytes.size()).arg(size.width()).arg(size.height());
    return {};
}

class Session {
public:
    explicit Session(Program &program) : program(program), main(*program.window), random(20240611) {}

    QStringList faults;
    int commits = 0;
    int step = 0;
    qint64 peakHeld = 0;
    int tileSteps = 0;    // Undo and Redo to a state kept as tiles
    int rebuiltSteps = 0; // of those, with no spare picture at hand
    Op op = Op::Stroke;

    void run(int operations)
    {
        for (int i = 0; i < Documents; ++i)
            newDocument();
        std::discrete_distribution<int> ops(OpWeights.begin(), OpWeights.end());
        for (step = 0; step < operations && faults.isEmpty(); ++step) {
            op = Op(ops(random));
            if (program.documents().isEmpty())
                op = Op::New;
            const int messages = program.prompts->count(QStringLiteral("message"));
            expectedMessages = 0;
            perform();
            deleteWhatWasClosed();
            watchNewDocuments();
            checkAfterStep(messages);
        }
    }

private:
    Program &program;
    MainWindow &main;
    std::mt19937 random;
    int expectedMessages = 0;
    QStringList files; // pictures written by Save As, for Open
    QSet<Document *> watched;
    QObject connections; // the session's watches end with it
    // A copy of every state as it was recorded, by the entry that holds it; the weak pointer
    // tells an entry the budget dropped from a new one at the same address.
    std::map<const UndoElement *, std::pair<std::weak_ptr<UndoElement>, QImage>> recorded;

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }
    Colour anyColour() { return Colour(random() & 0xFFFFFF); }

    void fault(const QString &what)
    {
        faults << QStringLiteral("step %1 (%2): %3").arg(step).arg(QLatin1String(OpNames[int(op)]), what);
    }

    void perform()
    {
        switch (op) {
        case Op::Stroke: return stroke();
        case Op::FlipHor: return main.flipHorizontal();
        case Op::FlipVert: return main.flipVertical();
        case Op::Rotate: return rotate();
        case Op::Smooth: return smooth();
        case Op::Size: main.sizePicture(); return answerSize(true);
        case Op::CanvasSize: main.sizeCanvas(); return answerSize(true);
        case Op::Undo: return stepThroughHistory(true, pick(1, 4));
        case Op::Redo: return stepThroughHistory(false, pick(1, 4));
        case Op::Adjust: return adjust();
        case Op::Switch: return activate(program.documents()[pick(0, int(program.documents().size()) - 1)]);
        case Op::Close: return closeDocument();
        case Op::Open: return open();
        case Op::New: return program.documents().size() < Documents ? newDocument() : main.flipVertical();
        case Op::SaveAs: return saveAs();
        }
    }

    QPoint anywhereOn(const PictureModel &canvas)
    {
        // A little beyond the edges too; the 2-pixel border puts pixel (0, 0) at (2, 2).
        return QPoint(pick(-6, canvas.size().width() + 6), pick(-6, canvas.size().height() + 6)) + QPoint(2, 2);
    }

    void stroke()
    {
        Palette &palette = *main.palette;
        QToolButton *tools[] = {palette.pencilButton, palette.pickerButton, palette.airbrushButton,
                                palette.circleButton, palette.stampButton, palette.fillButton};
        QToolButton *tool = tools[pick(0, 5)];
        tool->click();
        if (auto *pattern = qobject_cast<PatternDialog *>(main.patternDialog.data()))
            (chance(0.5) ? pattern->okButton : pattern->cancelButton)->click();
        deleteWhatWasClosed();
        (chance(0.5) ? palette.freehandButton : palette.straightLineButton)->setChecked(true);
        (chance(0.5) ? palette.fromCentreButton : palette.fromCornerButton)->setChecked(true);
        palette.settings().setColour(anyColour());
        palette.penWidthSlider->setValue(pick(1, 25));
        Document *doc = main.activeDocument();
        QWidget *canvas = canvasArea(doc);
        QTest::mousePress(canvas, Qt::LeftButton, {}, anywhereOn(doc->canvas()));
        for (int moves = pick(0, 5); moves > 0; --moves)
            QTest::mouseMove(canvas, anywhereOn(doc->canvas()));
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, anywhereOn(doc->canvas()));
    }

    void rotate()
    {
        main.rotate();
        auto *dialog = qobject_cast<RotateDialog *>(main.rotateDialog.data());
        dialog->angleBox->setText(QString::number(pick(-400, 400)));
        (chance(0.8) ? dialog->okButton : dialog->cancelButton)->click();
    }

    void smooth()
    {
        const QSize size = main.activeDocument()->canvas().size();
        // Undo can bring back the start-up document's first, larger state.
        if (size.width() > LargestSide - 4 || size.height() > LargestSide - 4)
            return main.flipHorizontal();
        expectedMessages = 1; // "Done!"
        main.smooth();
    }

    // The Size dialog's boxes: now and then a size it must refuse, or an empty box.
    void answerSize(bool mayCancel)
    {
        auto *dialog = qobject_cast<SizeDialog *>(main.sizeDialog.data());
        const auto side = [this, mayCancel] {
            return !mayCancel ? QString::number(pick(5, LargestSide))
                 : chance(0.05) ? QString() : QString::number(pick(3, LargestSide));
        };
        dialog->widthBox->setText(side());
        dialog->heightBox->setText(side());
        if (mayCancel && chance(0.15))
            return dialog->cancelButton->click();
        dialog->okButton->click();
        deleteWhatWasClosed();
        if (main.sizeDialog) {
            // A size the canvas cannot take: the user is told, and cancels.
            expectedMessages = 1;
            const ScriptedPrompts::Asked *told = program.prompts->last(QStringLiteral("message"));
            if (!told || !told->text.contains(QStringLiteral("cannot be made")))
                fault(QStringLiteral("the Size dialog stayed open for %1 x %2").arg(dialog->widthBox->text(), dialog->heightBox->text()));
            dialog->cancelButton->click();
        }
    }

    void adjust()
    {
        const int which = pick(0, 2);
        LevelBar *slider = nullptr;
        AdjustDialog *dialog = nullptr;
        if (which == 0) {
            main.adjustColours();
            auto *colours = qobject_cast<AdjustDialog *>(main.coloursDialog.data());
            slider = colours->bars[pick(0, 2)];
            dialog = colours;
        } else if (which == 1) {
            main.adjustBrightness();
            dialog = qobject_cast<AdjustDialog *>(main.brightnessDialog.data());
            slider = qobject_cast<AdjustDialog *>(dialog)->bars[0];
        } else {
            main.adjustContrast();
            dialog = qobject_cast<AdjustDialog *>(main.contrastDialog.data());
            slider = qobject_cast<AdjustDialog *>(dialog)->bars[0];
        }
        const auto along = [this] { return QPoint(pick(-10, 200), 10); };
        QTest::mousePress(slider, Qt::LeftButton, {}, along());
        for (int moves = pick(1, 4); moves > 0; --moves)
            QTest::mouseMove(slider, along());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, along());
        (chance(0.7) ? dialog->okButton : dialog->cancelButton)->click();
    }

    void closeDocument()
    {
        const QList<Document *> documents = program.documents();
        Document *doc = documents[pick(0, int(documents.size()) - 1)];
        const QString path = nextFileName();
        const int answer = pick(0, 9);
        program.prompts->answers = {answer == 0 ? PromptAnswer::Cancel : answer == 1 ? PromptAnswer::Yes : PromptAnswer::No};
        program.prompts->files = {path};
        frameOf(doc)->close();
        program.prompts->files.clear();
        if (answer == 1)
            files << path;
    }

    // Undo and Redo, a few times in a row, as a user steps back to a state further back.
    void stepThroughHistory(bool back, int times)
    {
        for (int i = 0; i < times && faults.isEmpty(); ++i)
            stepThroughHistory(back);
    }

    // Undo and Redo bring back the state exactly as it was recorded, stored and shown.
    void stepThroughHistory(bool back)
    {
        Document *doc = main.activeDocument();
        const qsizetype undone = doc->history().redoList.size();
        const UndoElementList &towards = back ? doc->history().undoList : doc->history().redoList;
        const qsizetype target = back ? towards.size() - 2 : towards.size() - 1;
        const bool fromTiles = target >= 0 && !towards[target]->changes.isEmpty();
        const bool rebuilt = fromTiles && towards[target]->picture.isNull();
        back ? main.undo() : main.redo();
        if (doc->history().redoList.size() == undone)
            return;
        tileSteps += fromTiles;
        rebuiltSteps += rebuilt;
        const auto kept = recorded.find(doc->history().undoList.last().get());
        if (kept == recorded.end())
            return fault(QStringLiteral("stepped to a state never seen"));
        const QImage &state = kept->second.second;
        if (doc->canvas().picture() != state)
            fault(QStringLiteral("the canvas stores another picture than the state recorded"));
        else if (doc->canvas().image() != state.convertToFormat(PictureFormat))
            fault(QStringLiteral("the canvas shows another picture than the state it stores"));
    }

    // Every state is whole while it is the current one: a copy is kept as soon as it is seen.
    void keepNewStates()
    {
        std::erase_if(recorded, [](const auto &entry) { return entry.second.first.expired(); });
        for (Document *doc : program.documents()) {
            for (const UndoElementList *list : {&doc->history().undoList, &doc->history().redoList}) {
                for (const auto &element : *list) {
                    if (recorded.contains(element.get()))
                        continue;
                    if (element->picture.isNull())
                        fault(QStringLiteral("a state was recorded out of the test's sight"));
                    else
                        recorded[element.get()] = {element, element->picture.copy()};
                }
            }
        }
    }

    QString nextFileName() { return program.folder.filePath(QStringLiteral("saved%1.bmp").arg(files.size())); }

    void saveAs()
    {
        const QString path = nextFileName();
        program.prompts->files = {path};
        if (!main.saveAs())
            return fault(QStringLiteral("Save As failed"));
        files << path;
        if (loadPicture(path).picture != main.activeDocument()->canvas().image())
            fault(QStringLiteral("the saved file is not the canvas as drawn"));
    }

    void open()
    {
        if (files.isEmpty())
            return saveAs();
        const QString path = files[pick(0, int(files.size()) - 1)];
        program.prompts->files = {path};
        main.open();
        if (main.activeDocument()->canvas().picture() != loadPicture(path).picture)
            fault(QStringLiteral("Open did not load %1").arg(path));
    }

    void newDocument()
    {
        program.prompts->colours = {anyColour()};
        main.newPicture();
        answerSize(false);
        watchNewDocuments();
    }

    void watchNewDocuments()
    {
        keepNewStates();
        for (Document *doc : program.documents()) {
            if (watched.contains(doc))
                continue;
            watched.insert(doc);
            QObject::connect(doc, &Document::committed, &connections, [this, doc] { checkCommit(doc); });
            QObject::connect(doc, &QObject::destroyed, &connections, [this, doc] { watched.remove(doc); });
        }
    }

    // The temp file holds exactly what the committed canvas now stores.
    void checkCommit(Document *doc)
    {
        ++commits;
        keepNewStates();
        if (doc != main.activeDocument())
            fault(QStringLiteral("a document committed while another was active"));
        const QString writeError = program.tempFile().finishWriting();
        const QImage stored = doc->canvas().picture();
        QFile file(program.tempPath());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (!writeError.isEmpty())
            fault(QStringLiteral("the temp file could not be written: %1").arg(writeError));
        else if (const QString wrong = bmpHeaderFault(bytes, stored.size()); !wrong.isEmpty())
            fault(QStringLiteral("temp file: %1").arg(wrong));
        else if (loadPicture(program.tempPath()).picture != stored)
            fault(QStringLiteral("the temp file differs from the committed canvas"));
    }

    void checkAfterStep(int messagesBefore)
    {
        keepNewStates();
        const int messages = program.prompts->count(QStringLiteral("message")) - messagesBefore;
        if (messages != expectedMessages)
            fault(QStringLiteral("%1 messages, the last \"%2\"")
                      .arg(messages)
                      .arg(messages ? program.prompts->last(QStringLiteral("message"))->text : QString()));
        const QList<ToolDialog *> dialogs = {main.coloursDialog, main.brightnessDialog, main.contrastDialog,
                                             main.sizeDialog, main.rotateDialog, main.patternDialog};
        for (const ToolDialog *dialog : dialogs)
            if (dialog)
                fault(QStringLiteral("%1 is still open").arg(dialog->windowTitle()));
        if (!main.isEnabled() || documentsBlocked(program))
            fault(QStringLiteral("the main window is left disabled"));

        // Beyond the state each document shows, the history keeps within its budget.
        QSet<qint64> current;
        qint64 currentBytes = 0;
        for (Document *doc : program.documents()) {
            if (doc->history().undoList.isEmpty())
                continue;
            const QImage &shown = doc->history().undoList.last()->picture;
            if (!current.contains(shown.cacheKey())) {
                current.insert(shown.cacheKey());
                currentBytes += shown.sizeInBytes();
            }
        }
        peakHeld = qMax(peakHeld, program.historyBudget().held());
        if (program.historyBudget().held() - currentBytes > Budget)
            fault(QStringLiteral("the history holds %1 kB beyond the current states").arg((program.historyBudget().held() - currentBytes) >> 10));
    }
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void aLongRandomSessionLosesNoCommitAndKeepsItsHistoryInBudget()
    {
        Program program;
        program.historyBudget().setBytes(Budget);
        Session session(program);
        QElapsedTimer clock;
        clock.start();
        session.run(Operations);
        qInfo("%d operations, %d commits across %d documents in %lld ms; history peak %lld kB; %d steps to states "
              "kept as tiles, %d of them rebuilt",
              session.step, session.commits, Documents, clock.elapsed(), session.peakHeld >> 10, session.tileSteps,
              session.rebuiltSteps);
        QVERIFY2(session.faults.isEmpty(), qPrintable(session.faults.join(QLatin1Char('\n'))));
        QCOMPARE(session.step, Operations);
        QVERIFY(session.commits > Operations / 3);
        QVERIFY(session.peakHeld > Budget / 2); // the budget had states to drop
        QVERIFY(session.rebuiltSteps > 20);     // and Undo and Redo rebuilt states from their tiles
    }
};
VP_TEST(TestSoak)
#include "tst_soak.moc"
