#pragma once

#include "SpectrumMapping.h"

#include <juce_graphics/juce_graphics.h>

#include <array>

// How the window turns the engine's display levels into its spectrum curve, paint by paint: two
// smoothing passes that fill runs of equal levels, then a rise that shows at once and a fall that
// covers a quarter of the remaining gap per paint. Pure, so tests can pin every value.
namespace spectrum_curve
{
using Levels = std::array<float, spectrum::numPoints>;

// The curve's baseline and the height of a full-scale level, in window coordinates.
constexpr float baselineY = 290.0f;
constexpr float fullScaleHeight = 280.0f;

// One paint's worth of the three passes. `current` and `previous` carry over from the previous
// paint (both start at zero); `displayed` receives the values to draw. Index 0 is never written.
void advance (const Levels& engineLevels, Levels& current, Levels& displayed, Levels& previous) noexcept;

// The y coordinate of a displayed level: 290 for 0, 10 for 1.
float yFor (float displayedLevel) noexcept;

// The open curve over `displayed`: from the baseline at `panelLeft`, through one point per index
// 1 to 511 at x = panelLeft + index, back to the baseline at panelLeft + 512.
juce::Path path (const Levels& displayed, int panelLeft);
} // namespace spectrum_curve
