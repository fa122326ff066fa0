#include "document/form1.h"
#include "document/picturebox.h"
#include "document/tooldialog.h"
#include "fixture.h"
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
        PictureBox *canvas = program.active()->Picture1;
        palette.Slider1->setValue(120);
        palette.Option3->click();
        QCOMPARE(palette.Slider1->value(), 30);
        QCOMPARE(palette.Slider1->maximum(), 30);
        QCOMPARE(canvas->DrawWidth(), 30);
        palette.Option4->click();
        QCOMPARE(palette.Slider1->maximum(), 100);
        QCOMPARE(palette.Slider1->value(), 30);
        palette.Option1->click();
        QCOMPARE(palette.Slider1->maximum(), 300);
        QCOMPARE(palette.Slider1->value(), 30);
        QCOMPARE(palette.currentTool(), Tool::Pencil);
    }

    void pickerStampAndFillLeaveTheWidthAlone()
    {
        Program program;
        Palette &palette = *program.window->palette;
        PictureBox *canvas = program.active()->Picture1;
        palette.Slider1->setValue(40);
        canvas->setDrawWidth(7);
        QSignalSpy pattern(&palette, &Palette::patternDialogWanted);
        for (QToolButton *button : {palette.Option2, palette.Option5, palette.Option6}) {
            button->click();
            if (program.window->frmPat) // it keeps the main window disabled while open
                program.window->frmPat->close();
            QCOMPARE(palette.Slider1->value(), 40);
            QCOMPARE(palette.Slider1->maximum(), 300);
            QCOMPARE(canvas->DrawWidth(), 7);
        }
        QCOMPARE(pattern.count(), 1);
        QCOMPARE(palette.currentTool(), Tool::Fill);
    }

    void aNewDocumentDrawsOnePixelWideInBlack()
    {
        Program program;
        Palette &palette = *program.window->palette;
        palette.Slider1->setValue(10);
        palette.setCurrentColour(0x000000FF);
        Form1 *second = program.window->newDocument();
        QCOMPARE(second->Picture1->DrawWidth(), 1);
        QCOMPARE(palette.currentColour(), Colour(0));
        palette.Slider1->setValue(12);
        QCOMPARE(second->Picture1->DrawWidth(), 12);
    }

    void colourDialogCancelShowsItsLastColour()
    {
        Program program;
        Palette &palette = *program.window->palette;
        program.prompts->colours = {Colour(0x000000FF)};
        palette.PicColor_Click();
        QCOMPARE(palette.currentColour(), Colour(0x000000FF));
        program.window->newDocument();
        QCOMPARE(palette.currentColour(), Colour(0));
        palette.PicColor_Click(); // cancelled
        QCOMPARE(palette.currentColour(), Colour(0x000000FF));
    }

    void modeFramesFollowTheChosenTool()
    {
        Program program;
        Palette &palette = *program.window->palette;
        QVERIFY(palette.Frame2->isVisible());
        QVERIFY(!palette.Frame1->isVisible());
        palette.Option4->click();
        QVERIFY(palette.Frame1->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!palette.Frame2->isVisible(), 1000);
        QVERIFY(!palette.Timer2.isActive());
        palette.Option1->click();
        QVERIFY(palette.Frame2->isVisible()); // at once
        QTRY_VERIFY_WITH_TIMEOUT(!palette.Frame1->isVisible(), 1000);
        QVERIFY(!palette.Timer1.isActive());
    }
};
VP_TEST(TestPalette)
#include "tst_palette.moc"
