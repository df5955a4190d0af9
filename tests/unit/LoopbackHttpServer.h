#pragma once

#include <juce_core/juce_core.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <vector>

// An HTTP server on 127.0.0.1, on a thread of its own, for tests that need a real peer: it
// reads each request, records it, and answers every connection with the same bytes, which need
// not be valid HTTP. Connections are served one after another.
class LoopbackHttpServer : private juce::Thread
{
public:
    enum class AfterReply
    {
        close,    // end the connection once the reply is sent
        holdOpen, // keep it open and silent until the server is destroyed
        trickle   // go on sending one more byte ("1") every 5 ms until the server is destroyed
    };

    struct Request
    {
        juce::String method, target;
        juce::StringPairArray headers; // keys compared ignoring case
        juce::MemoryBlock body;
    };

    explicit LoopbackHttpServer (juce::MemoryBlock replyToSend, AfterReply after = AfterReply::close)
        : juce::Thread ("loopback HTTP server")
        , reply (std::move (replyToSend))
        , afterReply (after)
    {
        listener = ::socket (AF_INET, SOCK_STREAM, 0);

        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl (INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof (address);

        if (listener >= 0 && ::bind (listener, reinterpret_cast<sockaddr*> (&address), sizeof (address)) == 0
            && ::listen (listener, 8) == 0
            && ::getsockname (listener, reinterpret_cast<sockaddr*> (&address), &length) == 0)
        {
            port = ntohs (address.sin_port);
            startThread();
        }
    }

    ~LoopbackHttpServer() override
    {
        stopThread (10000);

        if (listener >= 0)
            ::close (listener);
    }

    // 0 when no listening socket could be made.
    int getPort() const noexcept { return port; }

    juce::URL url (const juce::String& path) const
    {
        return juce::URL ("http://127.0.0.1:" + juce::String (port) + path);
    }

    std::vector<Request> getRequests() const
    {
        const std::lock_guard<std::mutex> lock (requestsMutex);
        return requests;
    }

    // A reply with the given status and body, announcing `announcedLength` as its length when
    // there is one, and the end of the body by closing the connection otherwise.
    static juce::MemoryBlock response (int status, const juce::MemoryBlock& body,
                                       std::optional<juce::int64> announcedLength)
    {
        juce::MemoryOutputStream out;
        out << "HTTP/1.1 " << status << " " << (status < 400 ? "OK" : "Error") << "\r\n"
            << "Content-Type: text/plain\r\n"
            << "Connection: close\r\n";

        if (announcedLength.has_value())
            out << "Content-Length: " << juce::String (*announcedLength) << "\r\n";

        out << "\r\n";
        out.write (body.getData(), body.getSize());
        return out.getMemoryBlock();
    }

    // A reply that announces exactly the body's length.
    static juce::MemoryBlock response (int status, const juce::MemoryBlock& body)
    {
        return response (status, body, static_cast<juce::int64> (body.getSize()));
    }

private:
    static constexpr int pollMs = 20;
    static constexpr int requestTimeoutMs = 5000;

    void run() override
    {
        while (! threadShouldExit())
        {
            pollfd waiting { listener, POLLIN, 0 };

            if (::poll (&waiting, 1, pollMs) <= 0)
                continue;

            const auto connection = ::accept (listener, nullptr, nullptr);

            if (connection >= 0)
            {
                serve (connection);
                ::close (connection);
            }
        }
    }

    void serve (int connection)
    {
        Request request;

        if (readRequest (connection, request))
        {
            const std::lock_guard<std::mutex> lock (requestsMutex);
            requests.push_back (std::move (request));
        }

        sendAll (connection, reply);

        if (afterReply == AfterReply::holdOpen)
        {
            while (! threadShouldExit())
                wait (pollMs);

            return;
        }

        if (afterReply == AfterReply::trickle)
        {
            while (! threadShouldExit() && ::send (connection, "1", 1, MSG_NOSIGNAL) == 1)
                wait (5);

            return;
        }

        // Closing with unread bytes pending would reset the connection and could cost the client
        // the reply, so the write side is closed first and the rest is drained.
        ::shutdown (connection, SHUT_WR);
        char scratch[4096];
        const auto deadline = juce::Time::getMillisecondCounter() + 2000;

        while (! threadShouldExit() && juce::Time::getMillisecondCounter() < deadline)
        {
            pollfd readable { connection, POLLIN, 0 };

            if (::poll (&readable, 1, pollMs) > 0 && ::recv (connection, scratch, sizeof (scratch), 0) <= 0)
                break;
        }
    }

    bool readRequest (int connection, Request& request)
    {
        juce::MemoryBlock received;
        std::optional<size_t> headerEnd;
        size_t bodyLength = 0;
        const auto deadline = juce::Time::getMillisecondCounter() + requestTimeoutMs;

        while (! threadShouldExit() && juce::Time::getMillisecondCounter() < deadline)
        {
            if (headerEnd.has_value() && received.getSize() >= *headerEnd + bodyLength)
            {
                request.body.append (static_cast<const char*> (received.getData()) + *headerEnd, bodyLength);
                return true;
            }

            pollfd readable { connection, POLLIN, 0 };

            if (::poll (&readable, 1, pollMs) <= 0)
                continue;

            char chunk[4096];
            const auto count = ::recv (connection, chunk, sizeof (chunk), 0);

            if (count <= 0)
                return false;

            received.append (chunk, static_cast<size_t> (count));

            if (! headerEnd.has_value())
            {
                const auto text = received.toString();
                const auto end = text.indexOf ("\r\n\r\n");

                if (end >= 0)
                {
                    headerEnd = static_cast<size_t> (end) + 4;
                    parseHead (text.substring (0, end), request);
                    bodyLength = static_cast<size_t> (
                        juce::jmax (0, request.headers.getValue ("Content-Length", "0").getIntValue()));
                }
            }
        }

        return false;
    }

    static void parseHead (const juce::String& head, Request& request)
    {
        const auto lines = juce::StringArray::fromTokens (head, "\r\n", "");
        const auto requestLine = juce::StringArray::fromTokens (lines[0], " ", "");
        request.method = requestLine[0];
        request.target = requestLine[1];

        for (int i = 1; i < lines.size(); ++i)
            if (lines[i].isNotEmpty())
                request.headers.set (lines[i].upToFirstOccurrenceOf (":", false, false).trim(),
                                     lines[i].fromFirstOccurrenceOf (":", false, false).trim());
    }

    void sendAll (int connection, const juce::MemoryBlock& bytes)
    {
        size_t sent = 0;

        while (sent < bytes.getSize() && ! threadShouldExit())
        {
            pollfd writable { connection, POLLOUT, 0 };

            if (::poll (&writable, 1, pollMs) <= 0)
                continue;

            // MSG_NOSIGNAL: a client that has stopped reading must not take the test binary down
            // with SIGPIPE.
            const auto count = ::send (connection, static_cast<const char*> (bytes.getData()) + sent,
                                       bytes.getSize() - sent, MSG_NOSIGNAL);

            if (count <= 0)
                return;

            sent += static_cast<size_t> (count);
        }
    }

    const juce::MemoryBlock reply;
    const AfterReply afterReply;
    int listener = -1;
    int port = 0;

    mutable std::mutex requestsMutex;
    std::vector<Request> requests;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LoopbackHttpServer)
};
