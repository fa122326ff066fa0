#include "filters/numberbox.h"
#include "testregistry.h"

#include <QLineEdit>
#include <QTest>
#include <limits>

using MaybeInt = std::optional<qint32>;
using MaybeDouble = std::optional<double>;
Q_DECLARE_METATYPE(MaybeInt)
Q_DECLARE_METATYPE(MaybeDouble)

class TestNumberBox : public QObject {
    Q_OBJECT
private slots:
    void leadingNumberReadsTheStartOfTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<MaybeInt>("expected");
        QTest::newRow("trailing letter dropped") << "250x" << MaybeInt(250);
        QTest::newRow("leading letter reads 0") << "x250" << MaybeInt(0);
        QTest::newRow("1.5 rounds up to even") << "1.5" << MaybeInt(2);
        QTest::newRow("2.5 rounds down to even") << "2.5" << MaybeInt(2);
        QTest::newRow("-2.5 rounds to even") << "-2.5" << MaybeInt(-2);
        QTest::newRow("a tail past the 5 breaks the tie") << "2.50000000000000000001" << MaybeInt(3);
        QTest::newRow(".4 reads 0") << ".4" << MaybeInt(0);
        QTest::newRow("leading blanks skipped") << " \t42" << MaybeInt(42);
        QTest::newRow("lone minus") << "-" << MaybeInt(0);
        QTest::newRow("second point ends the number") << "1.2.9" << MaybeInt(1);
        QTest::newRow("exponent ignored") << "3e5" << MaybeInt(3);
        QTest::newRow("largest 32-bit") << "2147483647" << MaybeInt(std::numeric_limits<qint32>::max());
        QTest::newRow("smallest 32-bit") << "-2147483648" << MaybeInt(std::numeric_limits<qint32>::min());
        QTest::newRow("tie to even just out of range") << "2147483647.5" << MaybeInt();
        QTest::newRow("tie to even back in range") << "-2147483648.5" << MaybeInt(std::numeric_limits<qint32>::min());
        QTest::newRow("many digits") << QString(400, u'9') << MaybeInt();
    }
    void leadingNumberReadsTheStartOfTheText()
    {
        QFETCH(QString, text);
        QFETCH(MaybeInt, expected);
        QCOMPARE(leadingNumber(text), expected);
    }

    void numericValueNeedsTheWholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<MaybeDouble>("expected");
        QTest::newRow("whole number") << "250" << MaybeDouble(250);
        QTest::newRow("blanks around") << "  12.5 " << MaybeDouble(12.5);
        QTest::newRow("negative fraction") << "-.5" << MaybeDouble(-0.5);
        QTest::newRow("exponent") << "1e3" << MaybeDouble(1000);
        QTest::newRow("empty") << "" << MaybeDouble();
        QTest::newRow("trailing letter") << "12x" << MaybeDouble();
        QTest::newRow("comma is no decimal point") << "1,5" << MaybeDouble();
        QTest::newRow("infinity spelled out") << "inf" << MaybeDouble();
        QTest::newRow("overflow") << "1e999" << MaybeDouble();
    }
    void numericValueNeedsTheWholeText()
    {
        QFETCH(QString, text);
        QFETCH(MaybeDouble, expected);
        QCOMPARE(numericValue(text), expected);
    }

    void guardNormalisesTheBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("afterSetText");
        QTest::addColumn<QString>("afterTyping");
        QTest::newRow("text after the number goes") << "250x" << "250" << "250";
        QTest::newRow("leading letter goes") << "x250" << "250" << "250";
        QTest::newRow("1.5 rounds, typed point is dropped") << "1.5" << "2" << "15";
        QTest::newRow("2.5 rounds to even") << "2.5" << "2" << "25";
        QTest::newRow(".4 loses its point") << ".4" << "4" << "4";
        QTest::newRow("lone 0 empties") << "0" << "" << "";
        QTest::newRow("00 empties") << "00" << "" << "";
        QTest::newRow("0x empties") << "0x" << "" << "";
        QTest::newRow("letter alone empties") << "x" << "" << "";
        QTest::newRow("negative stays, typed minus is dropped") << "-5" << "-5" << "5";
        QTest::newRow("lone point empties") << "." << "" << "";
        QTest::newRow("minus point empties") << "-." << "" << "";
        QTest::newRow("leading blanks go") << "  42" << "42" << "42";
        QTest::newRow("beyond 32 bits is left alone") << "99999999999" << "99999999999" << "99999999999";
    }
    void guardNormalisesTheBox()
    {
        QFETCH(QString, text);
        QFETCH(QString, afterSetText);
        QFETCH(QString, afterTyping);

        QLineEdit set;
        guardNumberBox(&set);
        set.setText(text);
        QCOMPARE(set.text(), afterSetText);
        QCOMPARE(set.cursorPosition(), int(set.text().size()));

        QLineEdit typed;
        guardNumberBox(&typed);
        QTest::keyClicks(&typed, text);
        QCOMPARE(typed.text(), afterTyping);
    }

    void caretEndsUpAtTheEnd()
    {
        QLineEdit box;
        guardNumberBox(&box);
        QTest::keyClicks(&box, "12a");
        QCOMPARE(box.text(), QStringLiteral("12"));
        QCOMPARE(box.cursorPosition(), 2);
        box.setCursorPosition(1);
        QTest::keyClicks(&box, "5");
        QCOMPARE(box.text(), QStringLiteral("152"));
        QCOMPARE(box.cursorPosition(), 3);
    }

    void longPastedTextEmptiesWithoutDeepRecursion()
    {
        QLineEdit box;
        guardNumberBox(&box);
        box.setText(QString(20000, u'x'));
        QCOMPARE(box.text(), QString());
        box.setText(QString(20000, u'0'));
        QCOMPARE(box.text(), QString());
        box.setText(QString(20000, u'x') + "7");
        QCOMPARE(box.text(), QStringLiteral("7"));
    }

    void guardStepsOneCharacterAtATime()
    {
        QLineEdit box;
        box.setText("x.5");
        filterNumberText(&box, 0);
        QCOMPARE(box.text(), QStringLiteral(".5"));
        filterNumberText(&box, -12);
        QCOMPARE(box.text(), QStringLiteral("-12"));
        QCOMPARE(box.cursorPosition(), 3);
        box.clear();
        filterNumberText(&box, 0);
        QCOMPARE(box.text(), QString());
    }
};
VP_TEST(TestNumberBox)
#include "tst_numberbox.moc"
