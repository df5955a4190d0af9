#pragma once

#include <juce_core/juce_core.h>

// The window's version line and the check for a newer published version. The check asks the
// maker's web host for a version file; what it reads there can only ever change a line of text,
// and every failure leaves the window as it would be without a network.
//
// The editor's constructor uses two calls:
//     versionText = version_check::versionLine();                    // with the other controls
//     versionText = version_check::checkedVersionText (versionText); // its last step
// The second blocks for the exchange with the web host, bounded by `timeoutMs`.
namespace version_check
{
// The remote version that every failed check counts as; its number, 100, gives no notice.
inline constexpr const char* failedVersion = "1.0.0";

// Only this much of the version file's body is ever read.
constexpr int maxBodyBytes = 32768;

// The bound for making the connection (name lookup and TLS included), and for a reply that stops
// arriving: below 100 bytes a second for this long, the framework drops the transfer.
constexpr int timeoutMs = 5000;

// The bound for the whole body once connected: a reply that keeps trickling in fast enough never
// to count as stopped would otherwise hold the window for minutes. Past it the check has failed.
constexpr int bodyTimeoutMs = 10000;

// "Mac" when the system's name contains "Mac", "Linux" when it contains "Linux", else "Win".
juce::String systemTag (const juce::String& operatingSystemName);

// "Version 2.5.0 " followed by the tag of the given system, and of the running one.
juce::String versionLine (const juce::String& operatingSystemName);
juce::String versionLine();

// The text as a version number: every "." removed, then read like the C library's atoi (leading
// white space, one optional sign, decimal digits up to the first other character, none giving 0),
// except that a run of digits beyond the 32-bit range saturates at its limit.
int versionNumber (const juce::String& text);

// What the window shows once the remote version is known: "New version available " followed by
// the remote text exactly as received when its number is strictly greater than ours, else the
// version line unchanged.
juce::String versionTextFor (const juce::String& line, const juce::String& remoteVersion);

// The version file on the maker's web host.
juce::URL versionFileUrl();

// Asks `versionFile` for its body with a POST carrying no body and no headers of ours, and returns
// the first zero-free part of at most `maxBodyBytes` bytes as text; `failedVersion` when the
// connection fails, the stream reports an error, or the body falls short of its announced length
// (including a body announced longer than `maxBodyBytes`). The HTTP status is not looked at.
juce::String fetchRemoteVersion (const juce::URL& versionFile);

// The editor's entry: fetches the version file from the maker's web host and returns the text
// for the window given the version line already composed.
juce::String checkedVersionText (const juce::String& line);
} // namespace version_check
