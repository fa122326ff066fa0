#pragma once
// The airbrush's random numbers: uniform in [0, 1), from a generator that the program never
// seeds, so that every run sprays the same dots for the same strokes. The main window owns one
// for the whole program and hands it to every document's airbrush.
#include <random>

class RandomSource {
public:
    float next()
    {
        // 24 bits fill a float's mantissa exactly, so the result can never round up to 1.
        return float(m_engine() >> 8) * (1.0f / 16777216.0f);
    }

private:
    std::mt19937 m_engine; // the default seed: the same sequence every run
};
