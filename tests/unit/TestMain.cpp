#include "XDisplay.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

// JUCE wants its message manager on the main thread before any processor, timer or component exists;
// Xlib is made thread-safe first, as our host does, in case a test's component reaches the display.
int main (int argc, char** argv)
{
    skyhost::x11::prepareForHosting();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
