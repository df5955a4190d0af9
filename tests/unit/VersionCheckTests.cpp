#include "VersionCheck.h"
#include <climits>
#include <future>
#include <gtest/gtest.h>

TEST (VersionCheck, ReadsTheTextLikeAtoiWithoutDotsAndNotifiesOnlyOfAHigherNumber)
{
    const std::pair<int, std::vector<const char*>> cases[] = {
        { 250, { "2.5.0", "000000000000000000000000250" } },
        { 251, { "2.5.1\n" } },
        { 100, { "10.0" } },
        { 2100, { "2.10.0" } },
        { 260, { "+2.6.0", "2.6.0 beta" } },
        { 26, { " \t\n\v\f\r2.6", ". 2.6", "26abc" } },
        { -26, { "-2.6", "-.2.6" } },
        { 0, { "", "+-26", "- 26", "v2.6", "\302\24026" } }, // a no-break space is not white space to atoi
        { INT_MAX, { "2147483647", "2147483648", "2.147.483.648", "99999999999999999999999999999999" } },
        { INT_MIN, { "-2147483648", "-2147483649", "-99999999999999999999999999999999" } }
    };

    for (const auto& [number, texts] : cases)
        for (const auto* t : texts)
        {
            SCOPED_TRACE (t);
            const auto text = juce::String::fromUTF8 (t);
            EXPECT_EQ (version_check::versionNumber (text), number);
            EXPECT_EQ (version_check::versionTextFor ("line", text),
                       number > 250 ? "New version available " + text : juce::String ("line"));
        }
}

TEST (VersionCheck, NamesTheSystemAndAsksTheMakersHostOverHttps)
{
    const char* const cases[][2] = {
        { "Mac OSX 13.4.1", "Mac" }, { "Linux on a Mac", "Mac" }, { "macOS 14", "Win" }, // case-sensitive
    };
    for (const auto& c : cases)
        EXPECT_EQ (version_check::versionLine (c[0]), juce::String ("Version 2.5.0 ") + c[1]) << c[0];
    EXPECT_EQ (version_check::versionLine(), "Version 2.5.0 Linux");
    const auto address = version_check::versionFileUrl().toString (true);
    EXPECT_TRUE (address.startsWith ("https://")) << address;
    EXPECT_EQ (address, juce::String (JucePlugin_ManufacturerWebsite) + "/skylorn/version.txt");
}

TEST (VersionCheck, ReadsTheBodyAsSentOrFailsWithinItsBounds)
{
    const auto full = "3" + std::string (32767, '0');
    // `ok` starts a reply the server sends whole before it closes; `reply` adds a body and its length.
    const std::string ok = "close:HTTP/1.1 200 OK\r\n";
    const auto reply = [&ok] (const std::string& body)
    { return ok + "Content-Length: " + std::to_string (body.size()) + "\r\n\r\n" + body; };
    struct
    {
        const char* label;
        std::string reply; // "MODE:bytes" for version_server.py; none refuses
        // Fetched text; server's lines, by default one POST with only the framework's and curl's headers, no body.
        juce::String remote,
            requests = "POST /skylorn/version.txt Accept Content-Type Content-length Host User-Agent b''";
        bool tls = false;
        juce::ChildProcess server {};
        std::future<juce::String> check {};
    } cases[] = {
        { "status ignored", "close:HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\n3.0.0", "3.0.0" },
        { "cut at a zero byte", reply (std::string ("2.6.0\0junk", 10)), "2.6.0" },
        { "not UTF-8", reply ("3\xff.0 \xe2\x82"), juce::String::fromUTF8 ("3\uFFFD.0 \uFFFD\uFFFD") },
        { "exactly the limit announced", reply (full), full },
        { "unannounced, cut at the limit", ok + "\r\n" + std::string (40000, '7'), std::string (32768, '7') },
        { "chunked", ok + "Transfer-Encoding: chunked\r\n\r\n3\r\n2.6\r\n2\r\n.0\r\n0\r\n\r\n", "2.6.0" },
        { "shorter than announced", ok + "Content-Length: 10\r\n\r\n3.0.0", "1.0.0" },
        { "announced one byte over the limit", reply (full + "0"), "1.0.0" },
        { "announced far over the limit", reply (std::string (40000, '9')), "1.0.0" },
        { "not HTTP", "close:3.0.0\r\n\r\n", "1.0.0" },
        { "takes the request and never answers", "hold:", "1.0.0" },
        { "stops mid-body", "hold:HTTP/1.1 200 OK\r\n\r\n3.0.0", "1.0.0" },
        // Fast enough never to count as stalled, slow enough to take minutes over the limit.
        { "trickles forever", "trickle:HTTP/1.1 200 OK\r\n\r\n3.0.0", "1.0.0" },
        { "refused", "", "1.0.0", "" },
        { "self-signed certificate", reply ("3.0.0"), "1.0.0", "null", true }
    };

    // Every server is up before any check starts: a process forked while other threads use the allocator
    // could hang before it runs. Then all checks at once, each on a thread of its own so that one without a
    // bound fails rather than hangs: ending its server ends the connection and releases it.
    for (auto& c : cases) // the framework passes no empty argument on
        c.server.start ({ "python3", SKYLORN_TEST_DATA_DIR "/../unit/version_server.py", c.tls ? "--tls" : "",
                          juce::String::toHexString (c.reply.data(), (int) c.reply.size(), 0) },
                        juce::ChildProcess::wantStdOut);
    for (auto& c : cases)
    {
        juce::String address;
        for (char next = 0; c.server.readProcessOutput (&next, 1) == 1 && next != '\n';)
            address += next;
        // A stalled reply ends the check within 5 s, any other within 10 s and the read under way, with room to spare.
        const auto boundMs = c.reply.rfind ("hold:", 0) == 0 ? 7500u : 15000u;
        c.check = std::async (std::launch::async,
                              [url = juce::URL (address + SKYLORN_VERSION_FILE_PATH), boundMs,
                               start = juce::Time::getMillisecondCounter()]
                              {
                                  const auto text = version_check::fetchRemoteVersion (url);
                                  const auto took = juce::Time::getMillisecondCounter() - start;
                                  return took > boundMs ? text + " after " + juce::String (took) + " ms" : text;
                              });
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (20);
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        EXPECT_EQ (c.check.wait_until (deadline), std::future_status::ready) << "still waiting after 20 s";
        if (! c.server.waitForProcessToFinish (3000))
            c.server.kill();
        EXPECT_EQ (c.server.readAllProcessOutput().trim(), c.requests);
        EXPECT_EQ (c.check.get(), c.remote);
    }
}
