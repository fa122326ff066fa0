#include "bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace vpbench {

struct Entry {
    std::string name;
    Case body;
    int order;
    std::vector<Size> sizes; // empty: the usual ones
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

double medianMs(int reps, const std::function<void()> &body, const std::function<void()> &setup)
{
    std::vector<double> times;
    for (int i = 0; i <= reps; ++i) {
        if (setup)
            setup();
        QElapsedTimer timer;
        timer.start();
        body();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (i > 0)
            times.push_back(ms);
    }
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
    const char *only = argc > 1 ? argv[1] : nullptr;
    auto list = vpbench::cases();
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) { return a.order < b.order; });
    const std::vector<vpbench::Size> usualSizes = {{1000, 1000}, {4000, 3000}};
    for (const auto &entry : list) {
        if (only && entry.name.find(only) == std::string::npos)
            continue;
        for (const auto &size : entry.sizes.empty() ? usualSizes : entry.sizes) {
            const double ms = entry.body(size);
            if (ms >= 0) {
                std::printf("%s %g %.2f\n", entry.name.c_str(), size.megapixels(), ms);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
