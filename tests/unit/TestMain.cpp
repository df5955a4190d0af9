#include "XDisplay.h"
#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// JUCE's message manager comes first, on the main thread; Xlib is made thread-safe before it, as our host does.
int main (int argc, char** argv)
{
    skyhost::x11::prepareForHosting();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
