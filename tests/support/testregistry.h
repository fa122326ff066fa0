#pragma once
// Every test class of a room registers itself here; the room's executable runs them all.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace vptest {

using Factory = std::function<std::unique_ptr<QObject>()>;
bool registerTest(Factory factory);
int runAll(int argc, char **argv);

} // namespace vptest

#define VP_TEST(Class)                                                                             \
    static const bool vp_registered_##Class =                                                     \
        vptest::registerTest([] { return std::unique_ptr<QObject>(new Class); });
