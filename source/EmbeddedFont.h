#pragma once

#include <juce_graphics/juce_graphics.h>

#include <cstddef>

// The TrueType font compiled into the plug-in ("Sulphur Point" Bold). Everything that draws text
// in the editor makes its typefaces here, so the font file is referenced in exactly one place.
namespace embeddedFont
{
// The font file's bytes, exactly as they are on disk; valid for the lifetime of the module.
const char* data() noexcept;
size_t size() noexcept;

// A new typeface over the font data. Each call parses the data again, so callers keep the result
// for as long as they draw with it rather than asking per paint.
juce::Typeface::Ptr createTypeface();
} // namespace embeddedFont
