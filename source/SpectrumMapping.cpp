#include "SpectrumMapping.h"

#include <algorithm>
#include <cmath>

namespace spectrum
{
int binForPoint (int point) noexcept
{
    auto p = static_cast<float> (point) * 0.001953125f;
    p = p * 0.67f;
    p = p + 0.3f;
    const auto e = p / 0.1f - 10.0f;
    const auto s = static_cast<float> (std::exp (static_cast<double> (e) * 0.6931471805599453));
    const auto t = s * 2048.0f;
    const auto bin = static_cast<int> (static_cast<double> (t) * 0.5);
    return std::clamp (bin, 0, highestBin);
}

float levelForMagnitude (float magnitude) noexcept
{
    // 20 log10 (2048) as a float, one unit in the last place from the correctly rounded value.
    constexpr float referenceDecibels = 66.22659f;
    constexpr float floorDecibels = -100.0f;

    auto decibels = floorDecibels;

    if (magnitude > 0.0f)
        decibels = std::max (20.0f * std::log10 (magnitude), floorDecibels);

    decibels = decibels - referenceDecibels;

    if (decibels < floorDecibels)
        return 0.0f;

    return (std::min (decibels, 0.0f) + 100.0f) / 100.0f;
}
} // namespace spectrum
