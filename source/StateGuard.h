#pragma once

#include <cstddef>

// The framework's XML reader, and the value tree built from its result, recurse once per level of
// element nesting, without a limit. A saved state comes from a host project that anybody may have
// written, so a state nested a few tens of thousands of levels deep would overflow the message
// thread's stack and take the host down. This scan bounds the nesting before the text is parsed.
//
// It reads the bytes as the framework's reader sees them (tags, quoted attribute values, close
// tags, comments, processing instructions, CDATA) and may count a level too many on odd input,
// never one too few, so it can only turn away a state that the reader would nest deeply.
namespace state_guard
{
// The deepest nesting a restored state may have. The engine's own states nest two levels.
constexpr int maxElementDepth = 64;

// True when the XML text in `text` (up to `size` bytes or the first zero byte) nests its elements
// no deeper than `maxDepth`.
bool xmlNestingWithin (const char* text, std::size_t size, int maxDepth) noexcept;
} // namespace state_guard
