#include "bench.h"

#include "imagelib/parallel.h"
#include "imagelib/picturefiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <sys/resource.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace vpbench {

struct Entry {
    std::string name;
    Case body;
    int order;
    std::vector<Size> sizes;
};

static std::vector<Entry> &cases()
{
    static std::vector<Entry> list;
    return list;
}

bool registerCase(const std::string &name, Case body, int order, std::vector<Size> sizes)
{
    cases().push_back({name, std::move(body), order, std::move(sizes)});
    return true;
}

Size hundredMegapixels()
{
    return {12000, int(std::min<qint64>(8400, PictureLimits::MaxPixels / 12000))};
}

static double faultsOfLastCase = -1;

long minorFaults()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

void noteFaultsPerRun(double faults)
{
    faultsOfLastCase = faults;
}

double medianMs(int reps, const std::function<void()> &body, const std::function<void()> &setup)
{
    std::vector<double> times;
    long faults = 0;
    // Two runs to warm up: a command that passes the picture between two buffers has them both
    // in the picture memory after the second.
    constexpr int WarmUp = 2;
    for (int i = 0; i < reps + WarmUp; ++i) {
        if (setup)
            setup();
        const long faultsBefore = minorFaults();
        QElapsedTimer timer;
        timer.start();
        body();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i >= WarmUp) {
            times.push_back(ms);
            faults += minorFaults() - faultsBefore;
        }
    }
    noteFaultsPerRun(double(faults) / reps);
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QImage testPicture(const Size &size, QImage::Format format)
{
    QImage image(size.width, size.height, QImage::Format_RGB32);
    std::mt19937 random(12345);
    for (int y = 0; y < size.height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < size.width; ++x) {
            const int noise = int(random() & 31);
            const int r = (x * 255 / size.width + noise) & 255;
            const int g = (y * 255 / size.height + noise) & 255;
            const int b = ((x + y) & 255);
            line[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

} // namespace vpbench

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--largest-steps") == 0)
        return vpbench::largestPictureSteps(QString::fromLocal8Bit(argv[2]));
    // Optional: one case by name, and one size in megapixels.
    const char *only = argc > 1 ? argv[1] : nullptr;
    const double onlySize = argc > 2 ? std::atof(argv[2]) : 0;
    auto list = vpbench::cases();
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.order < b.order; });
    const std::vector<vpbench::Size> standardSizes = {{1000, 1000}, {4000, 3000}, {8000, 6000}};
    // The whole-picture kernels run again on one thread, as "<case>-1t".
    const std::set<std::string> alsoOnOneThread = {"flip-h",      "flip-v",    "smooth",    "rotate-30",
                                                   "resize-down", "resize-up", "engine-bc", "engine-rgb"};
    for (const auto &entry : list) {
        const std::string oneThread = entry.name + "-1t";
        const bool both = alsoOnOneThread.count(entry.name) > 0;
        if (only && entry.name != only && !(both && oneThread == only))
            continue;
        for (const auto &size : entry.sizes.empty() ? standardSizes : entry.sizes) {
            if (onlySize > 0 && std::abs(size.megapixels() - onlySize) > 0.5)
                continue;
            for (const int threads : {0, 1}) {
                const std::string &name = threads ? oneThread : entry.name;
                if ((threads && !both) || (only && name != only))
                    continue;
                const std::optional<KernelThreadsScope> scope =
                    threads ? std::optional<KernelThreadsScope>(std::in_place, threads) : std::nullopt;
                vpbench::faultsOfLastCase = -1;
                const double ms = entry.body(size);
                if (ms >= 0) {
                    std::printf("%s %g %.2f\n", name.c_str(), size.megapixels(), ms);
                    if (vpbench::faultsOfLastCase >= 0)
                        std::printf("faults %s %g %.0f\n", name.c_str(), size.megapixels(), vpbench::faultsOfLastCase);
                    std::fflush(stdout);
                }
            }
        }
    }
    return 0;
}
