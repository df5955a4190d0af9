#include "Support.h"

namespace
{
// Counts the editor's requests to repaint itself whole: a component hands each of its own
// repaints to its cached image first, so a stand-in sees every request as it is made, with no
// window. (A child's repaint reaches the editor as a partial one and is not counted.)
struct RepaintCounter : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { return ++requests > 0; }
    bool invalidate (const juce::Rectangle<int>&) override { return true; }
    void releaseResources() override {}
    int requests = 0;
};

} // namespace

TEST (Editor, TicksRepaintAfterProcessedBlocksAndKnobsRepaintOnlyWhenIdle)
{
    PluginAudioProcessor engine;
    prepare (engine, 48000.0, 64);
    OPEN_EDITOR (editor, engine);
    auto& timer = dynamic_cast<juce::Timer&> (*editor);
    EXPECT_EQ (timer.getTimerInterval(), 33);
    timer.stopTimer(); // ticked by hand from here on
    auto* counter = new RepaintCounter();
    editor->setCachedComponentImage (counter);
    editor->setVisible (true); // only a shown component repaints
    const auto repaints = [counter] { return std::exchange (counter->requests, 0); };
    const auto tick = [&timer, &repaints]
    {
        timer.timerCallback();
        return repaints();
    };
    const auto turn = [&] (int index, double value)
    {
        child (*editor, index).setValue (value, juce::sendNotificationSync);
        return repaints();
    };

    repaints();
    engine.blockProcessed = true;
    EXPECT_EQ (tick(), 1);
    EXPECT_FALSE (engine.blockProcessed.load());
    EXPECT_EQ (turn (0, 70.0), 0); // the timer repaints while blocks arrive
    EXPECT_EQ (tick(), 0);
    EXPECT_EQ (turn (0, 60.0), 0); // one idle tick is not enough
    EXPECT_EQ (tick(), 0);
    EXPECT_EQ (turn (3, 5000.0), 1);
    EXPECT_EQ (turn (2, 10.0), 1);

    // The knob reports its change before the tree holds the new value; the next block still runs
    // with what the tree holds, not with the stale set the knob handed over.
    process (engine, noise (2, 64), 64);
    EXPECT_EQ (PluginAudioProcessorTestAccess::applied (engine).inputs.frequency, 5000.0f);
    EXPECT_EQ (valueOf (engine, "topValue"), 60.0f);

    // A waiting frame is analysed and released; a save in between leaves the tick idle.
    engine.spectrumLevels.fill (0.5f);
    engine.fftInputReady = true;
    engine.blockProcessed = true;
    juce::MemoryBlock state;
    engine.getStateInformation (state);
    EXPECT_EQ (tick(), 0);
    EXPECT_FALSE (engine.fftInputReady.load());
    EXPECT_EQ (engine.spectrumLevels[256], 0.0f);

    const std::pair<int, const char*> popups[] = {
        { 0, "42.00 ft" }, { 1, "42.00 %" }, { 2, "42.00 %" }, { 3, "42.00 hz" }
    };
    for (const auto& [index, text] : popups)
        EXPECT_EQ (child (*editor, index).getTextFromValue (42.0), text);
}

TEST (Editor, ThemeFollowsTheHostAndTheSelectorAndOutlivesTheWindow)
{
    PluginAudioProcessor engine;
    set (engine, "backColor", 2.0f);
    OPEN_EDITOR (editor, engine);
    const auto& lookAndFeel = dynamic_cast<OtherLookAndFeel&> (editor->getLookAndFeel());
    EXPECT_EQ (child<juce::ComboBox> (*editor, 4).getSelectedId(), 3);
    EXPECT_EQ (engine.themeIndex, 3);

    set (engine, "backColor", 4.0f);
    EXPECT_EQ (engine.themeIndex, 5);
    EXPECT_EQ (lookAndFeel.currentBackgroundColour, juce::Colours::deeppink);

    child<juce::ComboBox> (*editor, 4).setSelectedId (6, juce::sendNotificationSync);
    EXPECT_EQ (valueOf (engine, "backColor"), 5.0f);
    EXPECT_EQ (lookAndFeel.currentBackgroundColour, juce::Colours::cadetblue);

    editor.reset(); // closed, and opened again
    editor.reset (engine.createEditor());
    EXPECT_EQ (child<juce::ComboBox> (*editor, 4).getSelectedId(), 6);
    EXPECT_EQ (engine.themeIndex, 6);
}
