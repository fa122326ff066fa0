#include "adjust/form2.h"
#include "adjust/form3.h"
#include "adjust/form4.h"
#include "document/bmp.h"
#include "document/form1.h"
#include "document/history.h"
#include "document/picturebox.h"
#include "document/picturefiles.h"
#include "document/tempfile.h"
#include "filters/form5.h"
#include "filters/frmrotate.h"
#include "pattern/frmpat.h"
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

#include <random>

namespace {

constexpr int Operations = 3000;
constexpr int Documents = 5;
constexpr qint64 Budget = 2ll << 20; // some fifty states of the largest canvas
constexpr int LargestSide = 124; // outer pixels: at most 120 x 120 inside, so Smooth stays quick

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
    Op op = Op::Stroke;

    void run(int operations)
    {
        for (int i = 0; i < Documents; ++i)
            newDocument();
        std::discrete_distribution<int> ops(OpWeights.begin(), OpWeights.end());
        for (step = 0; step < operations && faults.isEmpty(); ++step) {
            op = Op(ops(random));
            if (main.documents().isEmpty())
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
    MDIForm1 &main;
    std::mt19937 random;
    int expectedMessages = 0;
    QStringList files; // pictures written by Save As, for Open
    QSet<Form1 *> watched;
    QObject connections; // the session's watches end with it

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
        case Op::FlipHor: return main.mnuFlipHor_Click();
        case Op::FlipVert: return main.mnuFlipVert_Click();
        case Op::Rotate: return rotate();
        case Op::Smooth: return smooth();
        case Op::Size: main.mnuSize_Click(); return answerSize(true);
        case Op::CanvasSize: main.mnuCansize_Click(); return answerSize(true);
        case Op::Undo: return main.mnuUndo_Click();
        case Op::Redo: return main.mnuRedo_Click();
        case Op::Adjust: return adjust();
        case Op::Switch: return main.activate(main.documents()[pick(0, int(main.documents().size()) - 1)]);
        case Op::Close: return closeDocument();
        case Op::Open: return open();
        case Op::New: return main.documents().size() < Documents ? newDocument() : main.mnuFlipVert_Click();
        case Op::SaveAs: return saveAs();
        }
    }

    QPoint anywhereOn(PictureBox *canvas)
    {
        // A little beyond the edges too; the 2-pixel border puts pixel (0, 0) at (2, 2).
        return QPoint(pick(-6, canvas->ScaleWidth() + 6), pick(-6, canvas->ScaleHeight() + 6)) + QPoint(2, 2);
    }

    void stroke()
    {
        Palette &palette = *main.palette;
        QToolButton *tools[] = {palette.Option1, palette.Option2, palette.Option3,
                                palette.Option4, palette.Option5, palette.Option6};
        QToolButton *tool = tools[pick(0, 5)];
        tool->click();
        if (auto *pattern = qobject_cast<frmPat *>(main.frmPat.data()))
            (chance(0.5) ? pattern->Command1 : pattern->Command2)->click();
        deleteWhatWasClosed();
        (chance(0.5) ? palette.OptL1 : palette.OptL2)->setChecked(true);
        (chance(0.5) ? palette.Opt1 : palette.Opt2)->setChecked(true);
        palette.setCurrentColour(anyColour());
        palette.Slider1->setValue(pick(1, 25));
        PictureBox *canvas = main.ActiveForm()->Picture1;
        QTest::mousePress(canvas, Qt::LeftButton, {}, anywhereOn(canvas));
        for (int moves = pick(0, 5); moves > 0; --moves)
            QTest::mouseMove(canvas, anywhereOn(canvas));
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, anywhereOn(canvas));
    }

    void rotate()
    {
        main.mnuRotate_Click();
        auto *dialog = qobject_cast<frmRotate *>(main.frmRotate.data());
        dialog->Text1->setText(QString::number(pick(-400, 400)));
        (chance(0.8) ? dialog->Command1 : dialog->Command2)->click();
    }

    void smooth()
    {
        const PictureBox *canvas = main.ActiveForm()->Picture1;
        // Undo can bring back the start-up document's first, larger state.
        if (canvas->ScaleWidth() > LargestSide - 4 || canvas->ScaleHeight() > LargestSide - 4)
            return main.mnuFlipHor_Click();
        expectedMessages = 1; // "Done!"
        main.mnuSmooth_Click();
    }

    // The Size dialog's boxes: now and then a size it must refuse, or an empty box.
    void answerSize(bool mayCancel)
    {
        auto *dialog = qobject_cast<Form5 *>(main.Form5.data());
        const auto side = [this, mayCancel] {
            return !mayCancel ? QString::number(pick(5, LargestSide))
                 : chance(0.05) ? QString() : QString::number(pick(3, LargestSide));
        };
        dialog->Text1->setText(side());
        dialog->Text2->setText(side());
        if (mayCancel && chance(0.15))
            return dialog->Command2->click();
        dialog->Command1->click();
        deleteWhatWasClosed();
        if (main.Form5) {
            // A size the canvas cannot take: the user is told, and cancels.
            expectedMessages = 1;
            const ScriptedPrompts::Asked *told = program.prompts->last(QStringLiteral("message"));
            if (!told || !told->text.contains(QStringLiteral("cannot be made")))
                fault(QStringLiteral("the Size dialog stayed open for %1 x %2").arg(dialog->Text1->text(), dialog->Text2->text()));
            dialog->Command2->click();
        }
    }

    void adjust()
    {
        const int which = pick(0, 2);
        PictureBox *slider = nullptr;
        SliderDialog *dialog = nullptr;
        if (which == 0) {
            main.mnuAdjustColors_Click();
            auto *colours = qobject_cast<Form2 *>(main.Form2.data());
            slider = colours->PictRGB[size_t(pick(0, 2))];
            dialog = colours;
        } else if (which == 1) {
            main.mnuAdjustBrightness_Click();
            dialog = qobject_cast<Form3 *>(main.Form3.data());
            slider = qobject_cast<Form3 *>(dialog)->Pictbright;
        } else {
            main.mnuAdjustContrast_Click();
            dialog = qobject_cast<Form4 *>(main.Form4.data());
            slider = qobject_cast<Form4 *>(dialog)->PictCont;
        }
        const auto along = [this] { return QPoint(pick(-10, 200), 10); };
        QTest::mousePress(slider, Qt::LeftButton, {}, along());
        for (int moves = pick(1, 4); moves > 0; --moves)
            QTest::mouseMove(slider, along());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, along());
        (chance(0.7) ? dialog->Command1 : dialog->Command2)->click();
    }

    void closeDocument()
    {
        const QList<Form1 *> documents = main.documents();
        Form1 *form = documents[pick(0, int(documents.size()) - 1)];
        const QString path = nextFileName();
        const int answer = pick(0, 9);
        program.prompts->answers = {answer == 0 ? PromptAnswer::Cancel : answer == 1 ? PromptAnswer::Yes : PromptAnswer::No};
        program.prompts->files = {path};
        qobject_cast<QMdiSubWindow *>(form->parentWidget())->close();
        program.prompts->files.clear();
        if (answer == 1)
            files << path;
    }

    QString nextFileName() { return program.folder.filePath(QStringLiteral("saved%1.bmp").arg(files.size())); }

    void saveAs()
    {
        const QString path = nextFileName();
        program.prompts->files = {path};
        if (!main.mnuSave_Click())
            return fault(QStringLiteral("Save As failed"));
        files << path;
        if (LoadPicture(path).picture != main.ActiveForm()->Picture1->Image())
            fault(QStringLiteral("the saved file is not the canvas as drawn"));
    }

    void open()
    {
        if (files.isEmpty())
            return saveAs();
        const QString path = files[pick(0, int(files.size()) - 1)];
        program.prompts->files = {path};
        main.mnuOpen_Click();
        if (main.ActiveForm()->Picture1->Picture() != LoadPicture(path).picture)
            fault(QStringLiteral("Open did not load %1").arg(path));
    }

    void newDocument()
    {
        program.prompts->colours = {anyColour()};
        main.mnuNew_Click();
        answerSize(false);
        watchNewDocuments();
    }

    void watchNewDocuments()
    {
        for (Form1 *form : main.documents()) {
            if (watched.contains(form))
                continue;
            watched.insert(form);
            QObject::connect(form, &Form1::Committed, &connections, [this, form] { checkCommit(form); });
            QObject::connect(form, &QObject::destroyed, &connections, [this, form] { watched.remove(form); });
        }
    }

    // The temp file holds exactly what the committed canvas now stores.
    void checkCommit(Form1 *form)
    {
        ++commits;
        if (form != main.ActiveForm())
            fault(QStringLiteral("a document committed while another was active"));
        const QString writeError = TempFile::finishWriting();
        const QImage stored = form->Picture1->Picture();
        QFile file(TempFile::path());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (!writeError.isEmpty())
            fault(QStringLiteral("the temp file could not be written: %1").arg(writeError));
        else if (const QString wrong = bmpHeaderFault(bytes, stored.size()); !wrong.isEmpty())
            fault(QStringLiteral("temp file: %1").arg(wrong));
        else if (LoadPicture(TempFile::path()).picture != stored)
            fault(QStringLiteral("the temp file differs from the committed canvas"));
    }

    void checkAfterStep(int messagesBefore)
    {
        const int messages = program.prompts->count(QStringLiteral("message")) - messagesBefore;
        if (messages != expectedMessages)
            fault(QStringLiteral("%1 messages, the last \"%2\"")
                      .arg(messages)
                      .arg(messages ? program.prompts->last(QStringLiteral("message"))->text : QString()));
        for (const QPointer<ToolDialog> *dialog : {&main.Form2, &main.Form3, &main.Form4, &main.Form5, &main.frmRotate, &main.frmPat})
            if (*dialog)
                fault(QStringLiteral("%1 is still open").arg((*dialog)->windowTitle()));
        if (!main.isEnabled())
            fault(QStringLiteral("the main window is left disabled"));

        // Beyond the state each document shows, the history keeps within its budget.
        QSet<qint64> current;
        qint64 currentBytes = 0;
        for (Form1 *form : main.documents()) {
            if (form->UndoList.isEmpty())
                continue;
            const QImage &shown = form->UndoList.last()->Picture;
            if (!current.contains(shown.cacheKey())) {
                current.insert(shown.cacheKey());
                currentBytes += shown.sizeInBytes();
            }
        }
        peakHeld = qMax(peakHeld, HistoryBudget::held());
        if (HistoryBudget::held() - currentBytes > Budget)
            fault(QStringLiteral("the history holds %1 kB beyond the current states").arg((HistoryBudget::held() - currentBytes) >> 10));
    }
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { HistoryBudget::setBytes(0); }

    void aLongRandomSessionLosesNoCommitAndKeepsItsHistoryInBudget()
    {
        HistoryBudget::setBytes(Budget);
        Program program;
        Session session(program);
        QElapsedTimer clock;
        clock.start();
        session.run(Operations);
        qInfo("%d operations, %d commits across %d documents in %lld ms; history peak %lld kB", session.step,
              session.commits, Documents, clock.elapsed(), session.peakHeld >> 10);
        QVERIFY2(session.faults.isEmpty(), qPrintable(session.faults.join(QLatin1Char('\n'))));
        QCOMPARE(session.step, Operations);
        QVERIFY(session.commits > Operations / 3);
        QVERIFY(session.peakHeld > Budget / 2); // the budget had states to drop
    }
};
VP_TEST(TestSoak)
#include "tst_soak.moc"
