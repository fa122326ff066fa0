#pragma once
// The benchmark's cases: each registers a name and a body; main() runs them on 1, 12 and 48 MP
// pictures, or on the sizes a case names, and prints "<case> <megapixels> <median ms>", then
// "faults <case> <megapixels> <count>", the minor page faults of a timed run (the mean over the
// runs): memory touched for the first time, which costs more here than the disk.
#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace vpbench {

struct Size {
    int width;
    int height;
    double megapixels() const { return double(width) * height / 1e6; }
};

// Sizes a case may name instead of the three every case runs at.
inline constexpr Size FortyEightMegapixels{8000, 6000};
// The largest picture of 12000 pixels a side that the size limits allow: 12000 x 8400 (100 MP)
// once they allow that many pixels.
Size hundredMegapixels();

// A case gets the picture size and returns the median milliseconds of its timed part (or what
// else it counts); a negative figure is not printed. It runs at 1, 12 and 48 MP, unless it
// names its own sizes.
using Case = std::function<double(const Size &)>;
bool registerCase(const std::string &name, Case body, int order = 100, std::vector<Size> sizes = {});

// Median of `reps` timed runs of `body` after two to warm up; `setup` runs untimed before each.
// Notes the faults of the timed runs for the case's faults line.
double medianMs(int reps, const std::function<void()> &body, const std::function<void()> &setup = {});
// For a case that times its runs itself: the minor page faults of the process so far, and the
// faults per run to print.
long minorFaults();
void noteFaultsPerRun(double faults);

// The steps of the largest picture, in a process of their own: `vp_bench --largest-steps <file>`.
int largestPictureSteps(const QString &path);

// A deterministic picture with gradients and noise, 24-bit or 32-bit.
QImage testPicture(const Size &size, QImage::Format format = QImage::Format_RGB32);

} // namespace vpbench

#define VP_BENCH_JOIN2(a, b) a##b
#define VP_BENCH_JOIN(a, b) VP_BENCH_JOIN2(a, b)
#define VP_BENCH(name, order, body)                                                                \
    static const bool VP_BENCH_JOIN(vp_bench_case_, __LINE__) = vpbench::registerCase(name, body, order);
#define VP_BENCH_AT(name, order, sizes, body)                                                      \
    static const bool VP_BENCH_JOIN(vp_bench_case_, __LINE__) = vpbench::registerCase(name, body, order, sizes);
