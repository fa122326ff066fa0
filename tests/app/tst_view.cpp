#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "fixture.h"
#include "testregistry.h"

#include <QLabel>
#include <QTest>

namespace {

DocumentWindow *documentWithPicture(Program &program, QSize size)
{
    DocumentWindow *doc = program.window->newDocument();
    doc->canvas->setPicture(uniformPicture(size, Green));
    return doc;
}

void closeWithoutSaving(Program &program, DocumentWindow *document)
{
    program.prompts->answers.push_back(PromptAnswer::No);
    closeDocument(document);
    QApplication::processEvents();
}

} // namespace

class TestView : public QObject {
    Q_OBJECT
private slots:
    // The info text used to keep describing whichever canvas changed last, even one closed or
    // behind another.
    void pictureInfoFollowsTheActiveDocument()
    {
        Program program;
        QLabel *info = program.window->pictureInfo;
        DocumentWindow *first = program.active();
        first->canvas->setPicture(uniformPicture(QSize(20, 10), Red));
        DocumentWindow *second = documentWithPicture(program, QSize(30, 10));
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        activate(first);
        QCOMPARE(info->text(), QStringLiteral("24x14 1kB"));
        activate(second);
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        first->canvas->setPicture(uniformPicture(QSize(40, 10), Red)); // behind the active one
        QCOMPARE(info->text(), QStringLiteral("34x14 1kB"));
        closeWithoutSaving(program, second);
        QCOMPARE(program.active(), first);
        QCOMPARE(info->text(), QStringLiteral("44x14 1kB"));
        closeWithoutSaving(program, first);
        QCOMPARE(info->text(), QString());
    }
};
VP_TEST(TestView)
#include "tst_view.moc"
