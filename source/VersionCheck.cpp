#include "VersionCheck.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace version_check
{
namespace
{
// At the slowest rate the framework still counts as arriving, 100 bytes a second, a piece this
// size takes about five seconds.
constexpr int readPieceBytes = 512;

bool isCSpace (char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The length of the UTF-8 sequence that `lead` starts, or 0 for a byte that starts none.
int sequenceLength (unsigned char lead) noexcept
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xe0) == 0xc0)
        return 2;
    if ((lead & 0xf0) == 0xe0)
        return 3;
    if ((lead & 0xf8) == 0xf0)
        return 4;
    return 0;
}

// The body as text. A juce::String expects valid UTF-8: a sequence cut short at its end would
// have the string's readers step past its terminator. The web host is not ours to trust, so each
// byte that starts no valid sequence becomes U+FFFD; valid text passes unchanged.
juce::String textFromBody (const char* bytes, int size)
{
    if (juce::CharPointer_UTF8::isValidString (bytes, size))
        return juce::String::fromUTF8 (bytes, size);

    std::string repaired;
    repaired.reserve (static_cast<size_t> (size) + 16);

    for (int i = 0; i < size;)
    {
        const auto length = sequenceLength (static_cast<unsigned char> (bytes[i]));

        if (length > 0 && length <= size - i && juce::CharPointer_UTF8::isValidString (bytes + i, length))
        {
            repaired.append (bytes + i, static_cast<size_t> (length));
            i += length;
        }
        else
        {
            repaired.append ("\xef\xbf\xbd");
            ++i;
        }
    }

    return juce::String::fromUTF8 (repaired.data(), static_cast<int> (repaired.size()));
}
} // namespace

juce::String systemTag (const juce::String& operatingSystemName)
{
    if (operatingSystemName.contains ("Mac"))
        return "Mac";

    if (operatingSystemName.contains ("Linux"))
        return "Linux";

    return "Win";
}

juce::String versionLine (const juce::String& operatingSystemName)
{
    return juce::String ("Version ") + JucePlugin_VersionString + " " + systemTag (operatingSystemName);
}

juce::String versionLine()
{
    return versionLine (juce::SystemStats::getOperatingSystemName());
}

int versionNumber (const juce::String& text)
{
    const auto withoutDots = text.replace (".", "");
    const auto* c = withoutDots.toRawUTF8();

    while (isCSpace (*c))
        ++c;

    const auto negative = *c == '-';

    if (*c == '-' || *c == '+')
        ++c;

    // The magnitude is kept in 64 bits and stops growing at the limit of its sign, so no digit
    // run, however long, can overflow.
    const std::int64_t limit = negative ? -static_cast<std::int64_t> (std::numeric_limits<int>::min())
                                        : static_cast<std::int64_t> (std::numeric_limits<int>::max());
    std::int64_t magnitude = 0;

    for (; *c >= '0' && *c <= '9'; ++c)
        magnitude = std::min (magnitude * 10 + (*c - '0'), limit);

    return static_cast<int> (negative ? -magnitude : magnitude);
}

juce::String versionTextFor (const juce::String& line, const juce::String& remoteVersion)
{
    if (versionNumber (remoteVersion) > versionNumber (JucePlugin_VersionString))
        return "New version available " + remoteVersion;

    return line;
}

juce::URL versionFileUrl()
{
    return juce::URL (juce::String (JucePlugin_ManufacturerWebsite) + SKYLORN_VERSION_FILE_PATH);
}

juce::String fetchRemoteVersion (const juce::URL& versionFile)
{
    // A POST because the parameters, of which there are none, travel in the body. The framework's
    // curl transfer has no time limit of its own: without the time-out a host that takes the
    // connection and never answers would keep the window from opening for good.
    juce::WebInputStream stream (versionFile, true);
    stream.withConnectionTimeout (timeoutMs);

    if (! stream.connect (nullptr))
        return failedVersion;

    const auto announced = stream.getTotalLength();
    juce::HeapBlock<char> buffer (maxBodyBytes, true);
    int received = 0;
    const auto bodyDeadline = juce::Time::getMillisecondCounter() + (juce::uint32) bodyTimeoutMs;

    while (! stream.isError())
    {
        if (juce::Time::getMillisecondCounter() > bodyDeadline)
            return failedVersion;

        auto wanted = maxBodyBytes - received;

        if (announced >= 0)
            wanted = static_cast<int> (std::min<juce::int64> (wanted, announced - received));

        // The framework's read returns only once it has every byte asked for, so the body is
        // asked for in pieces small enough to let the deadline above be looked at in between.
        wanted = std::min (wanted, readPieceBytes);

        const auto result = stream.read (buffer + received, wanted);

        if (result < 0 || stream.isError())
            break;

        received += result;

        if (received == announced || result == 0 || received >= maxBodyBytes)
            break;
    }

    if (stream.isError())
        return failedVersion;

    if (announced > 0 && received < announced)
        return failedVersion;

    const auto* end = std::find (buffer.get(), buffer.get() + received, '\0');
    return textFromBody (buffer.get(), static_cast<int> (end - buffer.get()));
}

juce::String checkedVersionText (const juce::String& line)
{
    return versionTextFor (line, fetchRemoteVersion (versionFileUrl()));
}
} // namespace version_check
