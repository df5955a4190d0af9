// The plug-in's editor in a real window, as a DAW shows it, while an audio thread keeps
// processing. Needs an X display, and runs only with the network cut: the editor's version check
// names the maker's web host, and no test may send anything beyond this machine.

#include "BackgroundAudio.h"
#include "HostTestSupport.h"
#include "PluginWindow.h"
#include "XDisplay.h"

#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace
{
// True when this process's network namespace has no interface but loopback.
bool networkIsCut()
{
    std::ifstream devices ("/proc/self/net/dev");
    std::string line;
    auto interfaces = 0;

    while (std::getline (devices, line))
    {
        const auto colon = line.find (':');

        if (colon == std::string::npos)
            continue;

        std::istringstream name (line.substr (0, colon));
        std::string interface;
        name >> interface;
        ++interfaces;

        if (interface != "lo")
            return false;
    }

    return interfaces > 0;
}

// The descriptors this process's message loop waits on.
std::set<int> runLoopSources()
{
    const auto fds = juce::LinuxEventLoopInternal::getRegisteredFds();
    return { fds.begin(), fds.end() };
}

// A JUCE message queue is one end of an anonymous socket pair; an X connection's peer is the
// server's named socket.
bool isAnonymousSocketPair (int fd)
{
    sockaddr_un peer {};
    socklen_t length = sizeof (peer);

    if (getpeername (fd, reinterpret_cast<sockaddr*> (&peer), &length) != 0)
        return false;

    return peer.sun_family == AF_UNIX && length <= sizeof (sa_family_t);
}

bool hasPendingBytes (int fd)
{
    int pending = 0;
    return ioctl (fd, FIONREAD, &pending) == 0 && pending > 0;
}

// Pumps the message loop for `milliseconds` a millisecond at a time, and notes each moment one
// of the queues starts holding a message: a tick, or a batch of them, posted by the plug-in's
// timer thread and waiting for this loop to deliver it.
std::vector<double> messageArrivals (const std::vector<int>& queues, int milliseconds)
{
    std::vector<double> arrivals;
    auto waiting = false;
    const auto start = juce::Time::getMillisecondCounterHiRes();

    while (juce::Time::getMillisecondCounterHiRes() - start < milliseconds)
    {
        const auto pending = std::any_of (queues.begin(), queues.end(), hasPendingBytes);

        if (pending && ! waiting)
            arrivals.push_back (juce::Time::getMillisecondCounterHiRes() - start);

        waiting = pending;
        skyhost::pumpMessages (1);
    }

    return arrivals;
}

double medianInterval (const std::vector<double>& arrivals)
{
    std::vector<double> intervals;

    for (size_t i = 1; i < arrivals.size(); ++i)
        intervals.push_back (arrivals[i] - arrivals[i - 1]);

    if (intervals.empty())
        return 1.0e9;

    std::nth_element (intervals.begin(), intervals.begin() + (long) intervals.size() / 2, intervals.end());
    return intervals[intervals.size() / 2];
}

class EditorWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! skyhost::x11::displayAvailable())
            GTEST_SKIP() << "no X display";

        if (! networkIsCut())
            GTEST_SKIP() << "the network is reachable; run under scripts/offline.sh (unshare -n)";

        plugin = loadPlugin();
        ASSERT_NE (plugin, nullptr);
        plugin->prepare (sampleRate, blockSize);

        // The host's own display connection joins the run loop with its first window; open it
        // now, so that what joins later is the plug-in's.
        juce::Desktop::getInstance().getDisplays();
        hostSources = runLoopSources();

        audio = std::make_unique<skyhost::BackgroundAudio> (*plugin, sampleRate, 2, blockSize);
        audio->start();
    }

    void TearDown() override
    {
        audio.reset();
        skyhost::pumpMessages (20);
        plugin.reset();
    }

    // What joined this process's run loop since SetUp: the plug-in's event sources.
    std::vector<int> pluginSources() const
    {
        std::vector<int> added;

        for (const auto fd : runLoopSources())
            if (hostSources.count (fd) == 0)
                added.push_back (fd);

        return added;
    }

    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 512;

    std::unique_ptr<skyhost::HostedPlugin> plugin;
    std::unique_ptr<skyhost::BackgroundAudio> audio;
    std::set<int> hostSources;
};
} // namespace

TEST_F (EditorWindow, OpensAtItsFixedSizeTicksWhileAudioRunsClosesAndOpensAgain)
{
    for (const auto opening : { 1, 2 })
    {
        SCOPED_TRACE ("opening " + std::to_string (opening));
        auto window = std::make_unique<skyhost::PluginWindow> (plugin->getInstance());
        auto* editor = window->getEditor();
        ASSERT_NE (editor, nullptr);

        skyhost::pumpMessages (300);

        // The view's size as the plug-in reports it, and as the X server shows the window.
        EXPECT_EQ (editor->getWidth(), 580);
        EXPECT_EQ (editor->getHeight(), 520);
        const auto picture = window->capture();
        EXPECT_EQ (picture.getWidth(), 580);
        EXPECT_EQ (picture.getHeight(), 520);

        // The plug-in's view took the host's run loop: its message queue and its own display
        // connection are now served here, and nowhere else.
        const auto sources = pluginSources();
        std::vector<int> queues;
        std::copy_if (sources.begin(), sources.end(), std::back_inserter (queues), isAnonymousSocketPair);
        ASSERT_FALSE (queues.empty()) << sources.size() << " plug-in sources joined the run loop";

        // Its timer messages arrive and are delivered at the editor's 33 ms pace; without the
        // editor's timer only the parameter tree's 10 Hz timer would remain.
        const auto blocksBefore = audio->getBlocksProcessed();
        const auto arrivals = messageArrivals (queues, 1000);
        EXPECT_GE (arrivals.size(), 20u);
        EXPECT_LT (medianInterval (arrivals), 60.0);
        EXPECT_GT (audio->getBlocksProcessed() - blocksBefore, 50) << "the audio thread stalled";

        // Not resizable: when the host makes its side bigger, the plug-in keeps its view's size.
        editor->setSize (800, 600);
        skyhost::pumpMessages (100);
        ASSERT_EQ (editor->getNumChildComponents(), 1);
        EXPECT_EQ (editor->getChildComponent (0)->getWidth(), 580);
        EXPECT_EQ (editor->getChildComponent (0)->getHeight(), 520);

        window.reset();
        skyhost::pumpMessages (200);

        // Closed: the plug-in has left this run loop again.
        EXPECT_TRUE (pluginSources().empty());
        EXPECT_EQ (plugin->getInstance().getActiveEditor(), nullptr);
    }
}
