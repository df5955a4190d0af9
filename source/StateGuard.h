#pragma once

// A saved state comes from a host project that anybody may have written, and the framework's XML
// reader trusts its input in ways that can take the host down:
// - it walks the text as UTF-8 without checking it, so a multi-byte lead byte near the end of the
//   text makes it read past the end of its buffer, and a character written in more bytes than it
//   needs (which the framework's own UTF-8 check lets through) is read into names and text that
//   the next save writes differently, so the state would not come back as it was;
// - it, and the value tree built from its result, recurse once per level of element nesting
//   without a limit, so a state nested some ten thousand levels deep overflows the stack;
// - a processing instruction followed by text inside an element sends it round one loop for
//   ever, and a document type declaration can define entities that expand into themselves.
// These checks run on the raw bytes before the reader sees them. They are deliberately blunt
// rather than a second parser: our own states are an XML declaration and seven tags, and anything
// far from that shape is turned away.
namespace state_guard
{
// Every level of the reader's recursion starts at a '<' of the text, so the number of '<' bounds
// the nesting whatever the reader makes of malformed markup. Our own states hold a dozen.
constexpr int maxMarkupCharacters = 1024;

// True when the XML text in `text` (up to `size` bytes or the first zero byte) holds at most
// `maxMarkup` '<' characters, at most one processing instruction and that one before any other
// markup (the XML declaration), and no declaration other than comments and CDATA sections.
bool xmlStructureIsSafe (const char* text, int size, int maxMarkup) noexcept;

// True when the text that the framework would read out of a saved state's bytes (the "VC2!"
// framing: a little-endian length at offset 4, the text from offset 8) is well-formed UTF-8 and passes
// xmlStructureIsSafe. Bytes the framework would not read as text pass; no bytes at all do not.
bool savedTextIsSafeToParse (const void* data, int sizeInBytes) noexcept;

// True when the null-terminated `text` is a number as the framework writes one into a state: an
// optional sign, decimal digits with at most one point, and an optional exponent of at most three
// digits. The framework's number reader gathers exponent digits in an int without a limit, so a
// longer exponent overflows it (undefined behaviour); "nan", "inf" and anything else are not
// numbers a sound state holds.
bool isPlainDecimal (const char* text) noexcept;
} // namespace state_guard
