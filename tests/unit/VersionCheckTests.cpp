#include "LoopbackHttpServer.h"
#include "VersionCheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <limits>
#include <optional>
#include <string>

namespace
{
const juce::String macLine = "Version 2.5.0 Mac";

juce::MemoryBlock bytes (const std::string& text)
{
    return { text.data(), text.size() };
}

juce::MemoryBlock repeated (char c, size_t count)
{
    return bytes (std::string (count, c));
}

juce::String fetchFrom (const LoopbackHttpServer& server)
{
    return version_check::fetchRemoteVersion (server.url (SKYLORN_VERSION_FILE_PATH));
}

// A port on 127.0.0.1 that is bound but not listening, so that connecting to it is refused; held
// for the object's life so no other process can start listening there meanwhile.
class RefusingPort
{
public:
    RefusingPort()
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
        socklen_t length = sizeof (address);

        if (handle >= 0 && ::bind (handle, reinterpret_cast<sockaddr*> (&address), sizeof (address)) == 0
            && ::getsockname (handle, reinterpret_cast<sockaddr*> (&address), &length) == 0)
            port = ntohs (address.sin_port);
    }

    ~RefusingPort()
    {
        if (handle >= 0)
            ::close (handle);
    }

    int port = 0;

private:
    int handle = ::socket (AF_INET, SOCK_STREAM, 0);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RefusingPort)
};

// An HTTPS server on 127.0.0.1 with a certificate made for the test and signed by itself. It
// answers every POST with a version that would give a notice, so a client that skipped the
// certificate check would show one. It notes each connection it takes and each request it reads
// in a log file, which shows the client got as far as the server before turning back.
class SelfSignedHttpsServer
{
public:
    SelfSignedHttpsServer()
    {
        if (! directory.createDirectory())
            return;

        // The certificate names 127.0.0.1, so the only thing wrong with it is that nobody vouches
        // for it.
        const auto certificate = directory.getChildFile ("cert.pem");
        const auto key = directory.getChildFile ("key.pem");

        if (! run ({ "openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                     "-nodes", "-keyout", key.getFullPathName(), "-out", certificate.getFullPathName(), "-days",
                     "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1" }))
            return;

        const auto script = directory.getChildFile ("server.py");
        script.replaceWithText (R"(import http.server, os, ssl, sys

certificate, key, port_file, log_file = sys.argv[1:5]

def note(line):
    with open(log_file, "a") as log:
        log.write(line + "\n")

class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        note("request")
        body = b"9.9.9"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass

class Server(http.server.HTTPServer):
    def get_request(self):
        try:
            connection = super().get_request()
        except ssl.SSLError:
            note("connection")
            raise
        note("connection")
        return connection

server = Server(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificate, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(port_file + ".part", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".part", port_file)
server.serve_forever()
)");

        const auto portFile = directory.getChildFile ("port");

        if (! process.start (juce::StringArray { "python3", script.getFullPathName(),
                                                 certificate.getFullPathName(), key.getFullPathName(),
                                                 portFile.getFullPathName(), log.getFullPathName() },
                             0))
            return;

        for (int i = 0; i < 200 && ! portFile.existsAsFile() && process.isRunning(); ++i)
            juce::Thread::sleep (50);

        port = portFile.loadFileAsString().getIntValue();
    }

    ~SelfSignedHttpsServer()
    {
        if (process.isRunning())
            process.kill();

        directory.deleteRecursively();
    }

    // The server notes a connection once its side of the handshake is over, which may be a moment
    // after the client has given up.
    juce::StringArray logLinesOnceConnected() const
    {
        for (int i = 0; i < 100 && ! log.loadFileAsString().contains ("connection"); ++i)
            juce::Thread::sleep (50);

        return juce::StringArray::fromLines (log.loadFileAsString().trim());
    }

    int port = 0;

private:
    bool run (const juce::StringArray& arguments)
    {
        juce::ChildProcess child;
        return child.start (arguments, 0) && child.waitForProcessToFinish (30000) && child.getExitCode() == 0;
    }

    juce::File directory = juce::File::getSpecialLocation (juce::File::tempDirectory)
                               .getNonexistentChildFile ("version-check-tls", "", false);
    juce::File log = directory.getChildFile ("log");
    juce::ChildProcess process;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SelfSignedHttpsServer)
};
} // namespace

TEST (VersionLine, NamesTheVersionAndTheKindOfSystem)
{
    const struct
    {
        const char* systemName;
        const char* line;
    } cases[] = {
        { "Mac OSX 13.4.1", "Version 2.5.0 Mac" }, { "Linux", "Version 2.5.0 Linux" },
        { "Windows 10", "Version 2.5.0 Win" },     { "Windows 11 on a Mac", "Version 2.5.0 Mac" },
        { "macOS 14", "Version 2.5.0 Win" }, // the search for "Mac" is case-sensitive
    };

    for (const auto& c : cases)
        EXPECT_EQ (version_check::versionLine (c.systemName), c.line) << c.systemName;

#if JUCE_LINUX
    EXPECT_EQ (version_check::versionLine(), "Version 2.5.0 Linux");
#endif
}

TEST (VersionNumber, ReadsTheTextWithoutDotsLikeAtoiAndSaturates)
{
    constexpr auto most = std::numeric_limits<int>::max();
    constexpr auto least = std::numeric_limits<int>::min();

    const struct
    {
        const char* text;
        int number;
    } cases[] = {
        { "2.5.0", 250 },
        { " \t\n\v\f\r2.6", 26 },
        { ". 2.6", 26 },
        { "+2.6", 26 },
        { "-2.6", -26 },
        { "-.2.6", -26 },
        { "+-26", 0 },
        { "- 26", 0 },
        { "\302\24026", 0 }, // a no-break space is not white space to atoi
        { "26abc", 26 },
        { "v2.6", 0 },
        { "", 0 },
        { "000000000000000000000000250", 250 },
        { "2147483647", most },
        { "2147483648", most },
        { "2.147.483.648", most },
        { "99999999999999999999999999999999", most },
        { "-2147483648", least },
        { "-2147483649", least },
        { "-99999999999999999999999999999999", least },
    };

    for (const auto& c : cases)
        EXPECT_EQ (version_check::versionNumber (juce::String::fromUTF8 (c.text)), c.number) << c.text;
}

TEST (VersionCheck, BodiesServedGiveTheVersionLineOrTheNotice)
{
    const struct
    {
        const char* label;
        std::string body;
        const char* shown;
    } cases[] = {
        { "same version", "2.5.0", "Version 2.5.0 Mac" },
        { "one patch higher", "2.5.1", "New version available 2.5.1" },
        { "with a line feed", "2.5.1\n", "New version available 2.5.1\n" },
        { "fewer places reads lower", "10.0", "Version 2.5.0 Mac" },
        { "two places", "2.6", "Version 2.5.0 Mac" },
        { "major", "3.0.0", "New version available 3.0.0" },
        { "two-digit field", "2.10.0", "New version available 2.10.0" },
        { "shifted dot", "25.1", "New version available 25.1" },
        { "leading space", " 2.6.0", "New version available  2.6.0" },
        { "word first", "latest 2.6.0", "Version 2.5.0 Mac" },
        { "minus sign", "-2.6.0", "Version 2.5.0 Mac" },
        { "plus sign", "+2.6.0", "New version available +2.6.0" },
        { "word after", "2.6.0 beta", "New version available 2.6.0 beta" },
        { "zero byte", std::string ("2.6.0\0junk", 10), "New version available 2.6.0" },
        { "empty", "", "Version 2.5.0 Mac" },
        { "beyond 32 bits", "99999999999.0", "New version available 99999999999.0" },
        { "negative beyond 32 bits", "-99999999999", "Version 2.5.0 Mac" },
        { "not UTF-8", "3.0.0 \xe2\x82", "New version available 3.0.0 \xef\xbf\xbd\xef\xbf\xbd" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        LoopbackHttpServer server (LoopbackHttpServer::response (200, bytes (c.body)));
        ASSERT_NE (server.getPort(), 0);

        const auto remote = fetchFrom (server);
        EXPECT_EQ (version_check::versionTextFor (macLine, remote), juce::String::fromUTF8 (c.shown));
        EXPECT_EQ (server.getRequests().size(), 1u);
    }
}

TEST (VersionCheck, SendsOnePostWithAnEmptyBodyAndNoHeadersOfItsOwn)
{
    LoopbackHttpServer server (LoopbackHttpServer::response (200, bytes ("2.5.0")));
    ASSERT_NE (server.getPort(), 0);

    EXPECT_EQ (fetchFrom (server), "2.5.0");

    const auto requests = server.getRequests();
    ASSERT_EQ (requests.size(), 1u);
    const auto& request = requests.front();
    EXPECT_EQ (request.method, "POST");
    EXPECT_EQ (request.target, SKYLORN_VERSION_FILE_PATH);
    EXPECT_EQ (request.body.getSize(), 0u);
    EXPECT_EQ (request.headers.getValue ("Content-Length", "missing"), "0");

    // Only what the framework and curl put on every request.
    const juce::StringArray expected { "Host", "User-Agent", "Accept", "Content-Type", "Content-Length" };
    for (const auto& name : request.headers.getAllKeys())
        EXPECT_TRUE (expected.contains (name, true)) << name;
}

TEST (VersionCheck, AsksTheMakersHostOverHttps)
{
    const auto address = version_check::versionFileUrl().toString (true);
    EXPECT_EQ (address, juce::String (JucePlugin_ManufacturerWebsite) + "/skylorn/version.txt");
    EXPECT_TRUE (address.startsWith ("https://"));
}

TEST (VersionCheck, RepliesReadAsAVersionFileWhateverTheirStatusOrFraming)
{
    auto within = repeated ('0', version_check::maxBodyBytes);
    within[0] = '3';

    auto beyond = repeated (' ', 40000);
    beyond.copyFrom ("3.0.0", 0, 5);
    beyond.copyFrom ("tail", version_check::maxBodyBytes, 4);

    const auto chunked = bytes ("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                                "3\r\n2.6\r\n2\r\n.0\r\n0\r\n\r\n");

    const struct
    {
        const char* label;
        juce::MemoryBlock reply;
        juce::String remote;
    } cases[] = {
        { "error status with a number", LoopbackHttpServer::response (404, bytes ("3.0.0")), "3.0.0" },
        { "error page", LoopbackHttpServer::response (500, bytes ("<html>9.9.9</html>")), "<html>9.9.9</html>" },
        { "announced, exactly the buffer", LoopbackHttpServer::response (200, within), within.toString() },
        // Unannounced: the first 32768 bytes are the text and the rest is never looked at.
        { "unannounced, beyond the buffer", LoopbackHttpServer::response (200, beyond, std::nullopt),
          beyond.toString().substring (0, version_check::maxBodyBytes) },
        { "chunked", chunked, "2.6.0" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        LoopbackHttpServer server (c.reply);
        ASSERT_NE (server.getPort(), 0);

        const auto remote = fetchFrom (server);
        EXPECT_EQ (remote.length(), c.remote.length());
        EXPECT_TRUE (remote == c.remote);
    }
}

TEST (VersionCheck, BrokenRepliesCountAsTheOldestVersion)
{
    // Every body here would give a notice if it were read.
    auto oneTooMany = repeated ('0', version_check::maxBodyBytes + 1);
    oneTooMany[0] = '3';

    const struct
    {
        const char* label;
        juce::MemoryBlock reply;
    } cases[] = {
        { "shorter than announced", LoopbackHttpServer::response (200, bytes ("3.0.0"), 10) },
        { "announced one byte beyond the buffer", LoopbackHttpServer::response (200, oneTooMany) },
        { "announced far beyond the buffer", LoopbackHttpServer::response (200, repeated ('9', 40000)) },
        { "not HTTP", bytes ("3.0.0\r\n\r\n") },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        LoopbackHttpServer server (c.reply);
        ASSERT_NE (server.getPort(), 0);

        EXPECT_EQ (fetchFrom (server), version_check::failedVersion);
        EXPECT_EQ (server.getRequests().size(), 1u);
    }
}

TEST (VersionCheck, RefusedConnectionCountsAsTheOldestVersion)
{
    RefusingPort refusing;
    ASSERT_NE (refusing.port, 0);

    const juce::URL url ("http://127.0.0.1:" + juce::String (refusing.port) + SKYLORN_VERSION_FILE_PATH);
    EXPECT_EQ (version_check::fetchRemoteVersion (url), version_check::failedVersion);
}

TEST (VersionCheck, SilentServerEndsTheCheckWithinTheBound)
{
    const struct
    {
        const char* label;
        juce::MemoryBlock reply;
        LoopbackHttpServer::AfterReply after;
    } cases[] = {
        { "takes the request and never answers", {}, LoopbackHttpServer::AfterReply::holdOpen },
        { "stops in the middle of an unannounced body",
          bytes ("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n3.0.0"),
          LoopbackHttpServer::AfterReply::holdOpen },
        // Fast enough never to count as stalled, slow enough to take minutes over 32768 bytes.
        { "trickles an unannounced body", bytes ("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n3.0.0"),
          LoopbackHttpServer::AfterReply::trickle },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        std::optional<LoopbackHttpServer> server;
        server.emplace (c.reply, c.after);
        ASSERT_NE (server->getPort(), 0);

        // The check runs on a thread of its own so that a check without a bound fails this test
        // instead of hanging it: closing the server ends the connection and releases it.
        auto check = std::async (std::launch::async, [url = server->url (SKYLORN_VERSION_FILE_PATH)]
                                 { return version_check::fetchRemoteVersion (url); });
        const auto ended = check.wait_for (std::chrono::seconds (20)) == std::future_status::ready;
        EXPECT_TRUE (ended) << "the check was still waiting after 20 s";
        EXPECT_EQ (server->getRequests().size(), 1u);

        server.reset();
        EXPECT_EQ (check.get(), version_check::failedVersion);
    }
}

TEST (VersionCheck, SelfSignedHttpsServerIsNotTrusted)
{
    SelfSignedHttpsServer server;
    ASSERT_NE (server.port, 0) << "could not start the HTTPS server (openssl and python3 are needed)";

    const juce::URL url ("https://127.0.0.1:" + juce::String (server.port) + SKYLORN_VERSION_FILE_PATH);
    EXPECT_EQ (version_check::fetchRemoteVersion (url), version_check::failedVersion);

    // The client reached the server and sent no request over the untrusted connection.
    const auto log = server.logLinesOnceConnected();
    EXPECT_TRUE (log.contains ("connection")) << log.joinIntoString (",");
    EXPECT_FALSE (log.contains ("request")) << log.joinIntoString (",");
}
