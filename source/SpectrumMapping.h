#pragma once

// The arithmetic that turns one analysed frame into the window's display levels. Kept apart from
// the engine so that its exact rounding can be pinned by tests without a host.
namespace spectrum
{
constexpr int fftOrder = 11;
constexpr int frameSize = 1 << fftOrder; // 2048 samples per frame
constexpr int workBufferSize = 2 * frameSize;
constexpr int numPoints = 512; // display levels
constexpr int highestBin = frameSize / 2;

// The transform bin that display point `point` (0 to 511) reads: a logarithmic axis from bin 8
// to bin 824. The float and double steps are deliberate; a rearranged formula lands on
// neighbouring bins at the low end.
int binForPoint (int point) noexcept;

// A bin magnitude as a display level from 0 to 1: 1 + log10 (m / 2048) / 5, limited, with 0, a
// negative magnitude and NaN reading as the -100 dB floor.
float levelForMagnitude (float magnitude) noexcept;
} // namespace spectrum
