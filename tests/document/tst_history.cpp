#include "document/history.h"
#include "imagelib/colour.h"
#include "imagelib/picturefiles.h"
#include "imagelib/raster.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>

#include <cstring>
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

// The picture with the rows from `top` to `bottom` inverted.
QImage withRowsInverted(const QImage &picture, int top, int bottom)
{
    QImage changed = picture.copy();
    for (int y = top; y <= bottom; ++y) {
        uchar *row = changed.scanLine(y);
        for (int x = 0; x < 3 * changed.width(); ++x)
            row[x] = uchar(~row[x]);
    }
    return changed;
}

// Where a step's picture may differ from the one shown before: the canvas brings back only there.
bool differsOnlyWithin(const QImage &before, const HistoryStep &step)
{
    if (step.anywhere)
        return true;
    if (before.size() != step.picture.size() || before.format() != step.picture.format())
        return false;
    QImage patched = before.copy();
    for (const QRect &rect : step.changed)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            std::memcpy(patched.scanLine(y) + 3 * rect.left(), step.picture.constScanLine(y) + 3 * rect.left(),
                        size_t(3 * rect.width()));
    return patched == step.picture;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void theBudgetDropsTheOldestStatesOfAllDocumentsButNoCurrentOne()
    {
        HistoryBudget budget;
        budget.setBytes(4 * StateBytes);
        DocumentHistory a(budget), b(budget);
        a.recordPicture(state(0xA1));
        a.recordPicture(state(0xA2));
        b.recordPicture(state(0xB1));
        b.recordPicture(state(0xB2));
        QCOMPARE(budget.held(), 4 * StateBytes);
        a.recordPicture(state(0xA3));
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA2, 0xA3}));
        b.recordPicture(state(0xB3));
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA3}));
        QCOMPARE(coloursOf(b.undoList), (QList<Colour>{0xB1, 0xB2, 0xB3}));

        // Less than the current states need: each document keeps the one its canvas shows.
        budget.setBytes(StateBytes);
        QCOMPARE(coloursOf(a.undoList), (QList<Colour>{0xA3}));
        QCOMPARE(coloursOf(b.undoList), (QList<Colour>{0xB3}));
    }

    void undoneStatesGoOnlyWhenNothingIsLeftToUndo()
    {
        HistoryBudget budget;
        budget.setBytes(10 * StateBytes);
        DocumentHistory history(budget);
        for (Colour colour : {1, 2, 3, 4})
            history.recordPicture(state(colour));
        // Two undone, as Undo leaves them: the most recently undone last.
        history.redoList = {history.undoList[3], history.undoList[2]};
        history.undoList.resize(2);
        budget.setBytes(2 * StateBytes);
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
        HistoryBudget budget;
        budget.setBytes(12345);
        QCOMPARE(budget.bytes(), qint64(12345));
        budget.setBytes(0);
        QCOMPARE(budget.bytes(), HistoryBudget::defaultBytes());
    }

    // What a state keeps, and that it comes back exactly either way.
    void aStateKeepsItsTilesUnlessTheWholePictureChanged_data()
    {
        QTest::addColumn<QImage>("next");
        QTest::addColumn<bool>("whole");
        const QImage first = noisePicture(QSize(640, 480));
        QTest::newRow("a stroke: its tiles") << withRowsInverted(first, 100, 102) << false;
        QTest::newRow("under a quarter: tiles") << withRowsInverted(first, 0, 63) << false;
        QTest::newRow("over a quarter: whole") << withRowsInverted(first, 0, 130) << true;
        QTest::newRow("another size: whole") << noisePicture(QSize(640, 481)) << true;
        QTest::newRow("another format: whole") << first.convertToFormat(QImage::Format_RGB32) << true;
    }

    void aStateKeepsItsTilesUnlessTheWholePictureChanged()
    {
        QFETCH(QImage, next);
        QFETCH(bool, whole);
        HistoryBudget budget;
        budget.setBytes(qint64(1) << 30);
        DocumentHistory history(budget);
        const QImage first = noisePicture(QSize(640, 480));
        history.recordPicture(first);
        QVERIFY(history.recordPicture(next));
        const UndoElement &past = *history.undoList.first();
        QCOMPARE(past.changes.isEmpty(), whole);
        QVERIFY(!past.picture.isNull()); // whole, or the spare for an Undo right after
        if (!whole)
            QVERIFY(past.changes.bytes() <= first.sizeInBytes() / 4);

        for (int round = 0; round < 2; ++round) {
            QCOMPARE(history.undoList.size(), 2);
            const HistoryStep back = history.stepBack();
            QCOMPARE(back.picture, first);
            QVERIFY(differsOnlyWithin(next, back));
            const HistoryStep forth = history.stepForward();
            QCOMPARE(forth.picture, next);
            QVERIFY(differsOnlyWithin(first, forth));
            // The second round rebuilds from tiles alone.
            if (!whole)
                budget.setBytes(next.sizeInBytes() + history.undoList.first()->changes.bytes());
        }
    }

    // A stroke across a picture three rows high costs its rows, and the spare picture kept for
    // a quick Undo goes before any state does.
    void aStrokeCostsItsRowsAndTheSparePictureGoesFirst()
    {
        HistoryBudget budget;
        budget.setBytes(qint64(1) << 30);
        DocumentHistory history(budget);
        const QImage first = noisePicture(QSize(640, 480));
        const QImage second = withRowsInverted(first, 100, 102);
        history.recordPicture(first);
        history.recordPicture(second, {first.cacheKey(), {QRect(0, 100, 640, 3)}});
        const UndoElement &past = *history.undoList.first();
        QCOMPARE(past.changes.rects.size(), 10);
        QCOMPARE(past.changes.pixels.size(), 640 * 3 * 3);
        budget.setBytes(second.sizeInBytes() + past.changes.bytes());
        QVERIFY(past.picture.isNull());
        QCOMPARE(history.undoList.size(), 2);
        QCOMPARE(history.stepBack().picture, first);
        QCOMPARE(history.stepForward().picture, second);
    }

    // The comparison trusts where a picture can differ only when said of the current state's
    // picture: trusting it for another one would take a real change for no change.
    void whereAPictureCanDifferIsTrustedOnlyForTheCurrentPicture()
    {
        HistoryBudget budget;
        DocumentHistory history(budget);
        const QImage first = noisePicture(QSize(200, 100));
        history.recordPicture(first);
        const QImage second = withRowsInverted(first, 10, 10);
        QVERIFY(!history.recordPicture(second, {first.cacheKey(), {QRect(0, 50, 200, 10)}}));
        QVERIFY(history.recordPicture(second, {first.copy().cacheKey(), {QRect(0, 50, 200, 10)}}));
        QCOMPARE(history.undoList.first()->changes.rects.first(), QRect(0, 10, 64, 1));
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
