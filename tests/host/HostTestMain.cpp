#include "XDisplay.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

// The host's main thread is JUCE's message thread, as in a DAW. Xlib is made thread-safe and
// error-tolerant before anything opens a display: the plug-in opens its own.
int main (int argc, char** argv)
{
    skyhost::x11::prepareForHosting();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
