#include "document/history.h"
#include "imagelib/colour.h"
#include "imagelib/picturefiles.h"
#include "imagelib/raster.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>

#include <unistd.h>

namespace {

// 100 x 100 at 3 bytes a pixel: 30000 bytes a state.
QImage state(Colour colour)
{
    return uniformPicture(QSize(100, 100), colour);
}

constexpr qint64 StateBytes = 30000;

QList<Colour> coloursOf(const UndoElementList &list)
{
    QList<Colour> colours;
    for (const auto &element : list)
        colours << fromQRgb(element->picture.pixel(0, 0));
    return colours;
}

struct BudgetGuard {
    explicit BudgetGuard(qint64 bytes) { HistoryBudget::setBytes(bytes); }
    ~BudgetGuard() { HistoryBudget::setBytes(0); }
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void theBudgetDropsTheOldestStatesOfAllDocumentsButNoCurrentOne()
    {
        BudgetGuard budget(4 * StateBytes);
        DocumentHistory a, b;
        a.recordPicture(state(0xA1));
        a.recordPicture(state(0xA2));
        b.recordPicture(state(0xB1));
        b.recordPicture(state(0xB2));
        QCOMPARE(HistoryBudget::held(), 4 * StateBytes);
        a.recordPicture(state(0xA3));
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA2, 0xA3}));
        b.recordPicture(state(0xB3));
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA3}));
        QCOMPARE(coloursOf(b.undoList), (QList<Colour>{0xB1, 0xB2, 0xB3}));

        // Less than the current states need: each document keeps the one its canvas shows.
        HistoryBudget::setBytes(StateBytes);
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA3}));
        QCOMPARE(coloursOf(b.undoList), (QList<Colour>{0xB3}));
    }

    void undoneStatesGoOnlyWhenNothingIsLeftToUndo()
    {
        BudgetGuard budget(10 * StateBytes);
        DocumentHistory history;
        for (Colour colour : {1, 2, 3, 4})
            history.recordPicture(state(colour));
        // Two undone, as Undo leaves them: the most recently undone last.
        history.redoList = {history.undoList[3], history.undoList[2]};
        history.undoList.resize(2);
        HistoryBudget::setBytes(2 * StateBytes);
        QCOMPARE(coloursOf(history.undoList), (QList<Colour>{2}));
        QCOMPARE(coloursOf(history.redoList), (QList<Colour>{3}));
    }

    // Less than two states of the largest picture would leave it nothing to undo; more than a
    // quarter of the machine would crowd out the rest.
    void theDefaultBudgetHoldsTwoStatesOfTheLargestPicture()
    {
        const qint64 twoLargest = 2 * PictureLimits::MaxPixels * 3;
        const qint64 quarter = qint64(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGE_SIZE) / 4;
        QCOMPARE(HistoryBudget::defaultBytes(), quarter > 0 ? qMin(twoLargest, quarter) : twoLargest);
        HistoryBudget::setBytes(12345);
        QCOMPARE(HistoryBudget::bytes(), qint64(12345));
        HistoryBudget::setBytes(0);
        QCOMPARE(HistoryBudget::bytes(), HistoryBudget::defaultBytes());
    }

    void samePixels_data()
    {
        QTest::addColumn<QImage>("a");
        QTest::addColumn<QImage>("b");
        QTest::addColumn<bool>("same");
        const QImage red = uniformPicture(QSize(5, 3), 0x0000FF);
        QImage oneDot = red.copy();
        oneDot.setPixel(4, 2, qRgb(255, 0, 1));
        QTest::newRow("the same shared picture") << red << red << true;
        QTest::newRow("a copy") << red << red.copy() << true;
        QTest::newRow("the last pixel differs") << red << oneDot << false;
        QTest::newRow("another size") << red << uniformPicture(QSize(3, 5), 0x0000FF) << false;
        QTest::newRow("another format") << red << red.convertToFormat(QImage::Format_RGB32) << false;
        QTest::newRow("a null picture") << red << QImage() << false;
        QTest::newRow("two null pictures") << QImage() << QImage() << true;
    }

    void samePixels()
    {
        QFETCH(QImage, a);
        QFETCH(QImage, b);
        QFETCH(bool, same);
        QCOMPARE(::samePixels(a, b), same);
    }
};
VP_TEST(TestHistory)
#include "tst_history.moc"
