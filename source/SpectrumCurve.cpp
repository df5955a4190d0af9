#include "SpectrumCurve.h"

namespace spectrum_curve
{
namespace
{
constexpr int last = spectrum::numPoints - 1;

float rightOf (const Levels& levels, int index) noexcept
{
    return index < last ? levels[(size_t) index + 1] : 0.0f;
}
} // namespace

void advance (const Levels& engineLevels, Levels& current, Levels& displayed, Levels& previous) noexcept
{
    // Take the levels. A level equal to its left neighbour is averaged with the right-hand
    // neighbour that the previous paint left, which is what opens runs of equal levels into a
    // comb on the first paint and closes it on the following ones. NaN passes the range test.
    for (int i = 1; i <= last; ++i)
    {
        auto v = engineLevels[(size_t) i];
        if (v < 0.0f || v > 1.0f)
            v = 0.0f;

        current[(size_t) i] = v;

        if (v == current[(size_t) i - 1])
            current[(size_t) i] = (current[(size_t) i - 1] + rightOf (current, i)) * 0.5f;
    }

    // Second smoothing: the same rule against this pass's left neighbour, then fill single
    // zeros that stand between two non-zero neighbours.
    for (int i = 1; i <= last; ++i)
    {
        const auto left = current[(size_t) i - 1];
        const auto right = rightOf (current, i);

        if (current[(size_t) i] == left)
            current[(size_t) i] = (left + right) * 0.5f;

        if (current[(size_t) i] == 0.0f && left != 0.0f && right != 0.0f)
            current[(size_t) i] = (left + right) * 0.5f;
    }

    // Rise at once, fall by a quarter of the gap; anything not a number or outside 0..1 draws
    // as 0 and is remembered as 0.
    for (int i = 1; i <= last; ++i)
    {
        const auto c = current[(size_t) i];
        const auto p = previous[(size_t) i];
        auto d = p < c ? c : p - 0.25f * (p - c);

        if (d > 1.0f || ! (d >= 0.0f))
            d = 0.0f;

        displayed[(size_t) i] = d;
        previous[(size_t) i] = d;
    }
}

float yFor (float displayedLevel) noexcept
{
    return baselineY - fullScaleHeight * displayedLevel;
}

juce::Path path (const Levels& displayed, int panelLeft)
{
    juce::Path curve;
    curve.startNewSubPath ((float) panelLeft, baselineY);

    for (int i = 1; i <= last; ++i)
        curve.lineTo ((float) (panelLeft + i), yFor (displayed[(size_t) i]));

    curve.lineTo ((float) (panelLeft + spectrum::numPoints), baselineY);
    return curve;
}
} // namespace spectrum_curve
