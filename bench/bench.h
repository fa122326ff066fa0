#pragma once
// The benchmark's cases: each registers a name and a body; main() runs them on 1 MP and 12 MP
// pictures, or on the sizes a case names, and prints "<case> <megapixels> <median ms>".
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

// Sizes a case may name besides the two every case runs at.
inline constexpr Size FortyEightMegapixels{8000, 6000};
// The largest picture of 12000 pixels a side that the size limits allow: 12000 x 8400 (100 MP)
// once they allow that many pixels.
Size hundredMegapixels();

// A case gets the picture size and returns the median milliseconds of its timed part (or what
// else it counts); a negative figure is not printed. It runs at 1 and 12 MP, unless it names
// its own sizes.
using Case = std::function<double(const Size &)>;
bool registerCase(const std::string &name, Case body, int order = 100, std::vector<Size> sizes = {});

// Median of `reps` timed runs of `body` after one warm-up; `setup` runs untimed before each.
double medianMs(int reps, const std::function<void()> &body, const std::function<void()> &setup = {});

// A deterministic picture with gradients and noise, 24-bit or 32-bit.
QImage testPicture(const Size &size, QImage::Format format = QImage::Format_RGB32);

} // namespace vpbench

#define VP_BENCH_JOIN2(a, b) a##b
#define VP_BENCH_JOIN(a, b) VP_BENCH_JOIN2(a, b)
#define VP_BENCH(name, order, body)                                                                \
    static const bool VP_BENCH_JOIN(vp_bench_case_, __LINE__) = vpbench::registerCase(name, body, order);
#define VP_BENCH_AT(name, order, sizes, body)                                                      \
    static const bool VP_BENCH_JOIN(vp_bench_case_, __LINE__) = vpbench::registerCase(name, body, order, sizes);
