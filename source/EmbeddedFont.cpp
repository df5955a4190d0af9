#include "EmbeddedFont.h"

#include <BinaryData.h>

namespace embeddedFont
{
const char* data() noexcept
{
    return BinaryData::SulphurPointBold_ttf;
}

size_t size() noexcept
{
    return static_cast<size_t> (BinaryData::SulphurPointBold_ttfSize);
}

juce::Typeface::Ptr createTypeface()
{
    return juce::Typeface::createSystemTypefaceFor (data(), size());
}
} // namespace embeddedFont
