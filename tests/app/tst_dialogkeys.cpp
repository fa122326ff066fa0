#include "adjust/adjustdialog.h"
#include "adjust/levelbar.h"
#include "document/canvasview.h"
#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tempfile.h"
#include "filters/rotatedialog.h"
#include "filters/sizedialog.h"
#include "fixture.h"
#include "pattern/patterndialog.h"
#include "testregistry.h"
#include "tools/colourswatch.h"
#include "tools/palette.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

namespace {

enum class Which { Size, CanvasSize, Rotate, Colours, Brightness, Contrast, Pattern };

ToolDialog *showDialog(MainWindow &main, Which which)
{
    switch (which) {
    case Which::Size:
        main.sizePicture();
        return main.sizeDialog;
    case Which::CanvasSize:
        main.sizeCanvas();
        return main.sizeDialog;
    case Which::Rotate:
        main.rotate();
        return main.rotateDialog;
    case Which::Colours:
        main.adjustColours();
        return main.coloursDialog;
    case Which::Brightness:
        main.adjustBrightness();
        return main.brightnessDialog;
    case Which::Contrast:
        main.adjustContrast();
        return main.contrastDialog;
    case Which::Pattern:
        main.showPatternDialog();
        return main.patternDialog;
    }
    return nullptr;
}

// Gives the dialog something to do, so that OK and Cancel end differently.
void fillIn(ToolDialog *dialog, Which which)
{
    if (auto *size = qobject_cast<SizeDialog *>(dialog)) {
        size->widthBox->setText(which == Which::Size ? QStringLiteral("100") : QStringLiteral("30"));
    } else if (auto *rotate = qobject_cast<RotateDialog *>(dialog)) {
        rotate->angleBox->setText(QStringLiteral("90"));
    } else if (auto *adjust = qobject_cast<AdjustDialog *>(dialog)) {
        LevelBar *bar = adjust->bars.constLast();
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(90, 10));
        QTest::mouseMove(bar, QPoint(20, 10));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(20, 10));
    }
}

// How a dialog is answered.
enum class Answer { ClickOk, ClickCancel, Enter, Escape, EnterOnFocusedCancel };

// Everything a dialog's answer can change.
struct Outcome {
    QImage drawn, stored, snapshot, mask, face;
    QByteArray tempFile;
    qsizetype states = 0;
    bool dialogOpen = false;
    bool documentsFree = false;
    bool operator==(const Outcome &) const = default;
};

Outcome answerDialog(Which which, Answer answer)
{
    Program program;
    Document *doc = program.active();
    doc->canvas().setPicture(numberedPicture(QSize(40, 30), makeColour(10, 20, 30)));
    doc->commitPicture();
    // Another pattern than the dialog's own, so that the Pattern dialog's OK shows.
    doc->pattern().mask = uniformPicture(QSize(8, 8), 0);
    doc->pattern().face = uniformPicture(QSize(8, 8), Red);

    QPointer<ToolDialog> dialog = showDialog(*program.window, which);
    fillIn(dialog, which);
    // The key goes where the keyboard is: the number box, or OK in a dialog without one.
    QWidget *focus = dialog->focusWidget() ? dialog->focusWidget() : dialog.data();
    switch (answer) {
    case Answer::ClickOk:
        dialog->okButton->click();
        break;
    case Answer::ClickCancel:
        dialog->cancelButton->click();
        break;
    case Answer::Enter:
        QTest::keyClick(focus, Qt::Key_Return);
        break;
    case Answer::Escape:
        QTest::keyClick(focus, Qt::Key_Escape);
        break;
    case Answer::EnterOnFocusedCancel:
        dialog->cancelButton->setFocus();
        QTest::keyClick(dialog->cancelButton, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    program.tempFile().finishWriting();
    return {doc->canvas().image(), doc->canvas().picture(), doc->snapshot().picture(), doc->pattern().mask,
            doc->pattern().face, fileBytes(program.tempPath()), doc->history().undoList.size(),
            dialog && dialog->isVisible(), !documentsBlocked(program)};
}

// The controls a user can see and use inside `widget`, Qt's own scroll bars and toolbar
// buttons left out.
QList<QWidget *> controlsIn(QWidget *widget)
{
    QList<QWidget *> controls;
    for (QWidget *child : widget->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(child) || qobject_cast<QSlider *>(child)
                             || qobject_cast<QLineEdit *>(child) || qobject_cast<QProgressBar *>(child)
                             || qobject_cast<ColourSwatch *>(child) || qobject_cast<LevelBar *>(child)
                             || qobject_cast<CanvasView *>(child);
        // A surface hidden for good holds data; a frame's mode buttons hidden with it still count.
        if (control && child->isVisibleTo(child->parentWidget())
            && !child->objectName().startsWith(QLatin1String("qt_")))
            controls << child;
    }
    return controls;
}

QString describe(QWidget *control)
{
    const auto *button = qobject_cast<QAbstractButton *>(control);
    return QStringLiteral("%1 \"%2\" in %3")
        .arg(QString::fromLatin1(control->metaObject()->className()), button ? button->text() : QString(),
             control->window()->windowTitle());
}

} // namespace

class TestDialogKeys : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        closeToolDialogs();
        // A tip hides a moment after it is told to; the next test starts without one.
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    // Enter or Escape left unhandled (a number box swallowing them, a key doing more or less
    // than the button) shows as an outcome different from the button's.
    void enterAndEscapeDoExactlyWhatOkAndCancelDo_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("likeOk");
        const std::pair<const char *, Which> dialogs[] = {
            {"Size", Which::Size},
            {"Canvas Size", Which::CanvasSize},
            {"Rotate", Which::Rotate},
            {"Adjust Colors", Which::Colours},
            {"Adjust Brightness", Which::Brightness},
            {"Adjust Contrast", Which::Contrast},
            {"Pattern", Which::Pattern},
        };
        for (const auto &[name, which] : dialogs) {
            QTest::addRow("%s: Enter is OK", name) << int(which) << int(Answer::Enter) << true;
            QTest::addRow("%s: Escape is Cancel", name) << int(which) << int(Answer::Escape) << false;
        }
        QTest::addRow("Rotate: Enter on the focused Cancel is Cancel")
            << int(Which::Rotate) << int(Answer::EnterOnFocusedCancel) << false;
    }
    void enterAndEscapeDoExactlyWhatOkAndCancelDo()
    {
        QFETCH(int, which);
        QFETCH(int, key);
        QFETCH(bool, likeOk);
        const Outcome byKey = answerDialog(Which(which), Answer(key));
        const Outcome ok = answerDialog(Which(which), Answer::ClickOk);
        const Outcome cancel = answerDialog(Which(which), Answer::ClickCancel);
        QVERIFY(!(ok == cancel));
        QVERIFY(!byKey.dialogOpen && byKey.documentsFree);
        QVERIFY(byKey == (likeOk ? ok : cancel));
    }

    // A control added without a tooltip, or a tooltip lost in a rework.
    void everyControlSaysWhatItDoes()
    {
        Program program;
        MainWindow &main = *program.window;
        QList<QWidget *> controls = controlsIn(main.infoBar) + controlsIn(main.toolBox);
        controls << main.progressBar << main.pictureInfo;
        qsizetype checked = 0;
        const auto check = [&checked](const QList<QWidget *> &controls) {
            for (QWidget *control : controls)
                QVERIFY2(!control->toolTip().isEmpty(), qPrintable(describe(control)));
            checked += controls.size();
        };
        check(controls);
        for (Which which : {Which::Size, Which::CanvasSize, Which::Rotate, Which::Colours, Which::Brightness,
                            Which::Contrast, Which::Pattern}) {
            check(controlsIn(showDialog(main, which)));
            closeToolDialogs();
        }
        QVERIFY(checked >= 40);
    }

    void thePenWidthShowsInItsTipAndOverTheSliderWhileTheUserMovesIt()
    {
        Program program;
        QSlider *slider = program.window->palette->penWidthSlider;
        QCOMPARE(slider->toolTip(), QStringLiteral("Pen width: 1 pixel"));
        slider->setValue(12);
        QCOMPARE(slider->toolTip(), QStringLiteral("Pen width: 12 pixels"));
        QVERIFY(!QToolTip::isVisible()); // a tool's clamp is not the user moving it
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(QToolTip::text(), QStringLiteral("Pen width: 13 pixels"));
        QCOMPARE(slider->toolTip(), QStringLiteral("Pen width: 13 pixels"));
    }

    // The level shown is the factor the preview applies: clamped at the bar's start like the
    // table, and readable where the factor overflows.
    void eachAdjustmentBarShowsItsLevelWhileDragged_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("level");
        QTest::newRow("brightness at the start bar") << int(Which::Brightness) << 0 << 90 << "Brightness: 121 %";
        QTest::newRow("brightness at 0") << int(Which::Brightness) << 0 << 0 << "Brightness: 20 %";
        QTest::newRow("brightness left of the bar") << int(Which::Brightness) << 0 << -40 << "Brightness: 20 %";
        QTest::newRow("contrast at the start bar") << int(Which::Contrast) << 0 << 90 << "Contrast: 100 %";
        QTest::newRow("green at the right end") << int(Which::Colours) << 1 << 180 << "Green: 732 %";
        QTest::newRow("blue far beyond the bar") << int(Which::Colours) << 2 << 6000 << "Blue: over 100000 %";
    }
    void eachAdjustmentBarShowsItsLevelWhileDragged()
    {
        QFETCH(int, which);
        QFETCH(int, bar);
        QFETCH(int, x);
        QFETCH(QString, level);
        Program program;
        auto *dialog = qobject_cast<AdjustDialog *>(showDialog(*program.window, Which(which)));
        LevelBar *box = dialog->bars[bar];
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(90, 10));
        QVERIFY(!QToolTip::isVisible()); // nothing is previewed before the pointer moves
        QTest::mouseMove(box, QPoint(x, 10));
        QCOMPARE(QToolTip::text(), level);
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(x, 10));
        QTRY_VERIFY(!QToolTip::isVisible()); // the release hides it
    }

    void newsColourDialogSaysItPicksTheBackground()
    {
        Program program;
        program.window->newPicture();
        QCOMPARE(program.prompts->last("colour")->title, QStringLiteral("Background Colour of the New Picture"));
        // The swatch's dialog keeps the colour dialog's own title.
        QTest::mouseClick(program.window->palette->colourSwatch, Qt::LeftButton);
        QCOMPARE(program.prompts->last("colour")->title, QString());
    }
};
VP_TEST(TestDialogKeys)
#include "tst_dialogkeys.moc"
