#include "tools/random.h"

#include <random>

namespace {

std::mt19937 &generator()
{
    static std::mt19937 engine; // default seed: the same sequence every run
    return engine;
}

} // namespace

float Rnd()
{
    // 24 bits fill a float's mantissa exactly, so the result can never round up to 1.
    return float(generator()() >> 8) * (1.0f / 16777216.0f);
}

void restartRandom()
{
    generator() = std::mt19937();
}
