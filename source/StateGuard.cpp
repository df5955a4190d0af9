#include "StateGuard.h"

#include <cstring>

namespace state_guard
{
namespace
{
bool startsWith (const char* text, std::size_t size, std::size_t at, const char* prefix) noexcept
{
    const auto length = std::strlen (prefix);
    return at + length <= size && std::memcmp (text + at, prefix, length) == 0;
}

// Index just past the first `terminator` at or after `from`, or `size` when there is none.
std::size_t skipPast (const char* text, std::size_t size, std::size_t from, const char* terminator) noexcept
{
    for (auto i = from; i < size; ++i)
        if (startsWith (text, size, i, terminator))
            return i + std::strlen (terminator);

    return size;
}
} // namespace

bool xmlNestingWithin (const char* text, std::size_t size, int maxDepth) noexcept
{
    if (text == nullptr)
        return true;

    // The reader stops at the first zero byte.
    for (std::size_t i = 0; i < size; ++i)
    {
        if (text[i] == 0)
        {
            size = i;
            break;
        }
    }

    int depth = 0;
    std::size_t i = 0;

    while (i < size)
    {
        if (text[i] != '<')
        {
            ++i;
            continue;
        }

        if (startsWith (text, size, i, "</"))
        {
            // A close tag ends the innermost open element, whatever its name, up to the next '>'.
            if (depth > 0)
                --depth;

            i = skipPast (text, size, i + 2, ">");
            continue;
        }

        if (startsWith (text, size, i, "<!--"))
        {
            i = skipPast (text, size, i + 4, "-->");
            continue;
        }

        if (startsWith (text, size, i, "<?"))
        {
            i = skipPast (text, size, i + 2, "?>");
            continue;
        }

        if (startsWith (text, size, i, "<![CDATA["))
        {
            i = skipPast (text, size, i + 9, "]]>");
            continue;
        }

        // Anything else opens an element.
        if (++depth > maxDepth)
            return false;

        char quote = 0;
        char previous = 0;
        ++i;

        for (; i < size; ++i)
        {
            const auto c = text[i];

            if (quote != 0)
            {
                if (c == quote)
                    quote = 0;
            }
            else if (c == '"' || c == '\'')
            {
                quote = c;
            }
            else if (c == '>')
            {
                if (previous == '/')
                    --depth;  // an empty element: <name ... />

                ++i;
                break;
            }

            previous = c;
        }
    }

    return true;
}
} // namespace state_guard
