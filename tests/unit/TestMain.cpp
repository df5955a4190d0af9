#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

// JUCE wants its message manager on the main thread before any processor, timer or component
// exists; every test runs on this thread unless it starts threads of its own.
int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
