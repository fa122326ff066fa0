#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/tooldialog.h"
#include "fixture.h"
#include "pattern/patterndialog.h"
#include "testregistry.h"
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
        PictureBox *canvas = program.active()->canvas;
        palette.penWidthSlider->setValue(120);
        palette.airbrushButton->click();
        QCOMPARE(palette.penWidthSlider->value(), 30);
        QCOMPARE(palette.penWidthSlider->maximum(), 30);
        QCOMPARE(canvas->drawWidth(), 30);
        palette.circleButton->click();
        QCOMPARE(palette.penWidthSlider->maximum(), 100);
        QCOMPARE(palette.penWidthSlider->value(), 30);
        palette.pencilButton->click();
        QCOMPARE(palette.penWidthSlider->maximum(), 300);
        QCOMPARE(palette.penWidthSlider->value(), 30);
        QCOMPARE(palette.currentTool(), Tool::Pencil);
    }

    void pickerStampAndFillLeaveTheWidthAlone()
    {
        Program program;
        Palette &palette = *program.window->palette;
        PictureBox *canvas = program.active()->canvas;
        palette.penWidthSlider->setValue(40);
        canvas->setDrawWidth(7);
        QSignalSpy pattern(&palette, &Palette::patternDialogWanted);
        for (QToolButton *button : {palette.pickerButton, palette.stampButton, palette.fillButton}) {
            button->click();
            if (program.window->patternDialog) // it keeps the main window disabled while open
                program.window->patternDialog->close();
            QCOMPARE(palette.penWidthSlider->value(), 40);
            QCOMPARE(palette.penWidthSlider->maximum(), 300);
            QCOMPARE(canvas->drawWidth(), 7);
        }
        QCOMPARE(pattern.count(), 1);
        QCOMPARE(palette.currentTool(), Tool::Fill);
    }

    void aNewDocumentDrawsOnePixelWideInBlack()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.penWidthSlider->setValue(10);
        palette.setCurrentColour(0x000000FF);
        DocumentWindow *second = program.window->newDocument();
        QCOMPARE(second->canvas->drawWidth(), 1);
        QCOMPARE(palette.currentColour(), Colour(0));
        palette.penWidthSlider->setValue(12);
        QCOMPARE(second->canvas->drawWidth(), 12);
    }

    void colourDialogCancelShowsItsLastColour()
    {
        Program program;
        Palette &palette = *program.window->palette;
        program.prompts->colours = {Colour(0x000000FF)};
        palette.colourSwatchClicked();
        QCOMPARE(palette.currentColour(), Colour(0x000000FF));
        program.window->newDocument();
        QCOMPARE(palette.currentColour(), Colour(0));
        palette.colourSwatchClicked(); // cancelled
        QCOMPARE(palette.currentColour(), Colour(0x000000FF));
    }

    void modeFramesFollowTheChosenTool()
    {
        Program program;
        Palette &palette = *program.window->palette;
        QVERIFY(palette.pencilModes->isVisible());
        QVERIFY(!palette.circleModes->isVisible());
        palette.circleButton->click();
        QVERIFY(palette.circleModes->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!palette.pencilModes->isVisible(), 1000);
        QVERIFY(!palette.pencilModesTimer.isActive());
        palette.pencilButton->click();
        QVERIFY(palette.pencilModes->isVisible()); // at once
        QTRY_VERIFY_WITH_TIMEOUT(!palette.circleModes->isVisible(), 1000);
        QVERIFY(!palette.circleModesTimer.isActive());
    }
};
VP_TEST(TestPalette)
#include "tst_palette.moc"
