#include "document/documentwindow.h"
#include "document/picturemodel.h"
#include "document/tooldialog.h"
#include "fixture.h"
#include "pattern/patterndialog.h"
#include "testregistry.h"
#include "tools/colourswatch.h"
#include "tools/palette.h"

#include <QFrame>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

class TestPalette : public QObject {
    Q_OBJECT
private slots:
    void airbrushAndCircleClampTheSlider()
    {
        Program program;
        Palette &palette = *program.window->palette;
        PictureModel *canvas = &program.active()->canvas();
        palette.penWidthSlider->setValue(120);
        palette.airbrushButton->click();
        QCOMPARE(palette.penWidthSlider->value(), 30);
        QCOMPARE(palette.penWidthSlider->maximum(), 30);
        QCOMPARE(canvas->penWidth(), 30);
        palette.circleButton->click();
        QCOMPARE(palette.penWidthSlider->maximum(), 100);
        QCOMPARE(palette.penWidthSlider->value(), 30);
        palette.pencilButton->click();
        QCOMPARE(palette.penWidthSlider->maximum(), 300);
        QCOMPARE(palette.penWidthSlider->value(), 30);
        QCOMPARE(palette.settings().tool(), ToolKind::Pencil);
    }

    void pickerStampAndFillLeaveTheWidthAlone()
    {
        Program program;
        Palette &palette = *program.window->palette;
        PictureModel *canvas = &program.active()->canvas();
        palette.penWidthSlider->setValue(40);
        canvas->setPenWidth(7);
        QSignalSpy pattern(&palette, &Palette::patternDialogWanted);
        for (QToolButton *button : {palette.pickerButton, palette.stampButton, palette.fillButton}) {
            button->click();
            if (program.window->patternDialog) // it keeps the documents from the user while open
                program.window->patternDialog->close();
            QCOMPARE(palette.penWidthSlider->value(), 40);
            QCOMPARE(palette.penWidthSlider->maximum(), 300);
            QCOMPARE(canvas->penWidth(), 7);
        }
        QCOMPARE(pattern.count(), 1);
        QCOMPARE(palette.settings().tool(), ToolKind::Fill);
    }

    void aNewDocumentDrawsOnePixelWideInBlack()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.penWidthSlider->setValue(10);
        palette.settings().setColour(0x000000FF);
        Document *second = program.newDocument();
        QCOMPARE(second->canvas().penWidth(), 1);
        QCOMPARE(palette.settings().colour(), Colour(0));
        palette.penWidthSlider->setValue(12);
        QCOMPARE(second->canvas().penWidth(), 12);
    }

    void colourDialogCancelShowsItsLastColour()
    {
        Program program;
        Palette &palette = *program.window->palette;
        program.prompts->colours = {Colour(0x000000FF)};
        QTest::mouseClick(palette.colourSwatch, Qt::LeftButton);
        QCOMPARE(palette.settings().colour(), Colour(0x000000FF));
        program.newDocument();
        QCOMPARE(palette.settings().colour(), Colour(0));
        QTest::mouseClick(palette.colourSwatch, Qt::LeftButton); // cancelled
        QCOMPARE(palette.settings().colour(), Colour(0x000000FF));
    }

    // The frames once followed the tool only at a timer's next tick; they follow it at once.
    void modeFramesFollowTheChosenToolAtOnce()
    {
        Program program;
        Palette &palette = *program.window->palette;
        QVERIFY(palette.pencilModes->isVisible());
        QVERIFY(!palette.circleModes->isVisible());
        palette.circleButton->click();
        QVERIFY(palette.circleModes->isVisible());
        QVERIFY(!palette.pencilModes->isVisible());
        palette.pickerButton->click();
        QVERIFY(!palette.pencilModes->isVisible() && !palette.circleModes->isVisible());
        palette.pencilButton->click();
        QVERIFY(palette.pencilModes->isVisible());
        QVERIFY(!palette.circleModes->isVisible());
        // A tool chosen in the settings, not by a click, shows its button and its modes too.
        palette.settings().setTool(ToolKind::Circle);
        QVERIFY(palette.circleButton->isChecked());
        QVERIFY(palette.circleModes->isVisible());
    }
};
VP_TEST(TestPalette)
#include "tst_palette.moc"
