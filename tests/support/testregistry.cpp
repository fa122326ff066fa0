#include "testregistry.h"

#include "childprocess.h"

#include <QApplication>
#include <QTest>

namespace vptest {

static std::vector<Factory> &factories()
{
    static std::vector<Factory> list;
    return list;
}

bool registerTest(Factory factory)
{
    factories().push_back(std::move(factory));
    return true;
}

int runAll(int argc, char **argv)
{
    int failures = 0;
    for (const Factory &make : factories()) {
        std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace vptest

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    const int result = vptest::runAll(argc, argv);
    vptest::settleThreads();
    return result;
}
