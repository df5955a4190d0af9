#include "XDisplay.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

// JUCE wants its message manager on the main thread before any processor, timer or component
// exists; every test runs on this thread unless it starts threads of its own. The windows some
// tests open talk to X from several threads, and a plug-in's copy of JUCE installs no X error
// handler of its own (the host is expected to), so X is prepared first, as our host does.
int main (int argc, char** argv)
{
    skyhost::x11::prepareForHosting();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
