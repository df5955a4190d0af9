#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

void prepareXForWindows();

// JUCE wants its message manager on the main thread before any processor, timer or component
// exists; every test runs on this thread unless it starts threads of its own. The windows some
// tests open talk to X from several threads, and a plug-in's copy of JUCE installs no X error
// handler of its own (the host is expected to): without one, Xlib's default handler ends the
// process on the first harmless error.
int main (int argc, char** argv)
{
    prepareXForWindows();

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
