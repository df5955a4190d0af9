#include "StateGuard.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cstring>

namespace state_guard
{
namespace
{
bool startsWith (const char* text, int size, int at, const char* prefix) noexcept
{
    const auto length = static_cast<int> (std::strlen (prefix));
    return at + length <= size && std::memcmp (text + at, prefix, (size_t) length) == 0;
}
} // namespace

bool xmlStructureIsSafe (const char* text, int size, int maxMarkup) noexcept
{
    if (text == nullptr)
        return true;

    int markup = 0;
    bool instructionSeen = false;
    bool otherMarkupSeen = false;

    for (int i = 0; i < size && text[i] != 0; ++i)
    {
        if (text[i] != '<')
            continue;

        if (++markup > maxMarkup)
            return false;

        if (startsWith (text, size, i, "<?"))
        {
            if (instructionSeen || otherMarkupSeen)
                return false;

            instructionSeen = true;
            continue;
        }

        otherMarkupSeen = true;

        if (startsWith (text, size, i, "<!") && ! startsWith (text, size, i, "<!--")
            && ! startsWith (text, size, i, "<![CDATA["))
            return false;
    }

    return true;
}

bool savedTextIsSafeToParse (const void* data, int sizeInBytes) noexcept
{
    if (data == nullptr)
        return false;

    if (sizeInBytes <= 8)
        return true;

    const auto* bytes = static_cast<const char*> (data);
    const auto length = static_cast<int> (juce::ByteOrder::littleEndianInt (bytes + 4));

    if (length <= 0)
        return true;

    const auto* text = bytes + 8;
    const auto available = std::min (sizeInBytes - 8, length);

    return juce::CharPointer_UTF8::isValidString (text, available)
           && xmlStructureIsSafe (text, available, maxMarkupCharacters);
}
} // namespace state_guard
