#pragma once
#include <cmath>

// A floating-point value converted to an integer: nearest, ties to even.
inline int roundEven(double value)
{
    return int(std::nearbyint(value));
}
