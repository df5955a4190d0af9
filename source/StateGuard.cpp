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

// Well-formed UTF-8 up to `size` bytes or the first zero byte: each sequence complete, and the
// range of its second byte ruling out overlong forms, surrogates and code points beyond U+10FFFF.
bool isWellFormedUtf8 (const char* text, int size) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*> (text);

    for (int i = 0; i < size && bytes[i] != 0;)
    {
        const auto lead = bytes[i];
        const auto length = lead < 0x80   ? 1
                            : lead < 0xc2 ? 0
                            : lead < 0xe0 ? 2
                            : lead < 0xf0 ? 3
                            : lead < 0xf5 ? 4
                                          : 0;

        if (length == 0 || i + length > size)
            return false;

        for (int k = 1; k < length; ++k)
        {
            const auto low = k > 1 ? 0x80 : lead == 0xe0 ? 0xa0 : lead == 0xf0 ? 0x90 : 0x80;
            const auto high = k > 1 ? 0xbf : lead == 0xed ? 0x9f : lead == 0xf4 ? 0x8f : 0xbf;

            if (bytes[i + k] < low || bytes[i + k] > high)
                return false;
        }

        i += length;
    }

    return true;
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

    return isWellFormedUtf8 (text, available) && xmlStructureIsSafe (text, available, maxMarkupCharacters);
}

bool isPlainDecimal (const char* text) noexcept
{
    if (text == nullptr)
        return false;

    const auto digitsAt = [&text]
    {
        int count = 0;
        for (; *text >= '0' && *text <= '9'; ++text)
            ++count;
        return count;
    };
    const auto skipSign = [&text]
    {
        if (*text == '+' || *text == '-')
            ++text;
    };

    skipSign();
    auto digits = digitsAt();

    if (*text == '.')
    {
        ++text;
        digits += digitsAt();
    }

    if (digits == 0)
        return false;

    if (*text == 'e' || *text == 'E')
    {
        ++text;
        skipSign();
        const auto exponentDigits = digitsAt();

        if (exponentDigits == 0 || exponentDigits > 3)
            return false;
    }

    return *text == 0;
}
} // namespace state_guard
