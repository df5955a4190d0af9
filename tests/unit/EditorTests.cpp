#include "EmbeddedFont.h"
#include "Support.h"
#include <juce_gui_extra/juce_gui_extra.h>

// The window and the look-and-feel painted in software and compared with committed pictures, allowing the
// level or two by which FreeType may move a glyph's edge. SKYLORN_REGENERATE_GOLDEN=1 writes them anew.
namespace
{
void checkAgainstGolden (const juce::Image& actual, const juce::String& name)
{
    const auto file = juce::File (SKYLORN_TEST_DATA_DIR).getChildFile ("golden/" + name + ".png");
    if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_REGENERATE_GOLDEN", {}) == "1")
    {
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (actual, out));
    }
    const auto expected = juce::ImageFileFormat::loadFrom (file).convertedToFormat (juce::Image::ARGB);
    ASSERT_EQ (expected.getBounds(), actual.getBounds()) << file.getFullPathName();

    int beyond = 0; // channels of pixels that differ by more than 3 levels
    for (int y = 0; y < actual.getHeight(); ++y)
        for (int x = 0; x < actual.getWidth(); ++x)
            for (int shift = 0; shift < 32; shift += 8)
                beyond += std::abs ((int) (actual.getPixelAt (x, y).getARGB() >> shift & 0xFF)
                                    - (int) (expected.getPixelAt (x, y).getARGB() >> shift & 0xFF))
                          > 3;
    EXPECT_LE (beyond, 50) << name << " (regenerate to see it as painted)";
}

juce::Image paint (juce::Component& editor, int paints)
{
    for (int i = 1; i < paints; ++i)
        editor.createComponentSnapshot (editor.getLocalBounds());
    return editor.createComponentSnapshot (editor.getLocalBounds());
}

// Counts the editor's requests to repaint itself whole: a component hands each to its cached image first,
// so a stand-in sees every one as it is made, with no window (a child's repaint is partial, not counted).
struct RepaintCounter : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { return ++requests > 0; }
    bool invalidate (const juce::Rectangle<int>&) override { return true; }
    void releaseResources() override {}
    int requests = 0;
};
} // namespace

TEST (GoldenImages, TheWindowAtItsDefaultsAndAfterChangesWhileItIsOpen)
{
    PluginAudioProcessor engine;
    OPEN_EDITOR (editor, engine);
    checkAgainstGolden (paint (*editor, 1), "default");

    // A theme chosen by the host and every knob turned in the open window, over a spectrum with a broad
    // hump, a narrow peak, a run of equal levels at the low end and levels out of range, three paints in.
    set (engine, "backColor", 2.0f);
    const double knobs[] = { 0.0, 100.0, 25.0, 20000.0 };
    for (int k = 0; k < 4; ++k)
        child (*editor, k).setValue (knobs[k], juce::sendNotificationSync);
    for (int i = 0; i < spectrum::numPoints; ++i)
        engine.spectrumLevels[(size_t) i] =
            std::max ({ 0.7f * std::exp (-std::pow ((float) (i - 200) / 90.0f, 2.0f)), i == 380 ? 0.95f : 0.0f,
                        i < 13 ? 0.5f : 0.0f });
    engine.spectrumLevels[300] = NAN, engine.spectrumLevels[310] = 1.5f, engine.spectrumLevels[320] = -0.5f;
    checkAgainstGolden (paint (*editor, 3), "rhapsody-spectrum");
    EXPECT_EQ (dynamic_cast<OtherLookAndFeel&> (editor->getLookAndFeel()).currentBackgroundColour,
               juce::Colours::brown); // the theme list's fill

    // The user's choice reaches the parameter, and the next window opens with it.
    child<juce::ComboBox> (*editor, 4).setSelectedId (6, juce::sendNotificationSync);
    EXPECT_EQ (valueOf (engine, "backColor"), 5.0f);
    editor.reset();
    editor.reset (engine.createEditor());
    EXPECT_EQ (engine.themeIndex, 6);
    for (const auto theme : { 1, 3, 4, 5 }) // the other themes, each with its own curve colour
        set (engine, "backColor", (float) theme),
            checkAgainstGolden (paint (*editor, 1), "theme-" + juce::String (theme));

    // Nothing selected (a translucent background, painted without the cached panel), a knob disabled.
    engine.themeIndex = 0;
    for (int k = 0; k < 4; ++k)
        child (*editor, k).setValue (knobs[k], juce::sendNotificationSync);
    editor->getChildComponent (2)->setEnabled (false);
    std::fill (engine.spectrumLevels.begin() + 100, engine.spectrumLevels.begin() + 300, 0.4f);
    checkAgainstGolden (paint (*editor, 2), "nothing-selected");
}

// What the window's own paint never shows: a knob in an offset area or too small to draw, the link
// under the mouse and pressed, the theme list's background, the value pop-up (bare text) and its fonts.
TEST (GoldenImages, LookAndFeelPiecesOutsideTheWindowsPaint)
{
    OtherLookAndFeel lookAndFeel;
    lookAndFeel.currentBackgroundColour = lookAndFeel.backgroundColours[2];
    juce::Image image (juce::Image::ARGB, 500, 160, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.fillAll (juce::Colours::darkgrey);
    juce::Slider knob (juce::Slider::RotaryVerticalDrag, juce::Slider::NoTextBox);
    juce::TextButton button ("a b c");
    knob.setLookAndFeel (&lookAndFeel);
    button.setLookAndFeel (&lookAndFeel);
    const auto [start, end, stopAtEnd] = knob.getRotaryParameters();
    for (const auto& [x, size] : { std::pair (30, 100), std::pair (140, 20), std::pair (170, 24) })
        lookAndFeel.drawRotarySlider (g, x, 10, size, size, 0.7f, start, end, knob);
    button.setBounds (0, 0, 100, 30);
    for (const auto state : { juce::Button::buttonOver, juce::Button::buttonDown })
    {
        g.setOrigin ({ 200, 40 });
        button.setState (state);
        lookAndFeel.drawButtonBackground (g, button, juce::Colours::red, false, false);
        lookAndFeel.drawButtonText (g, button, false, false);
    }
    juce::BubbleMessageComponent bubble;
    lookAndFeel.drawBubble (g, bubble, { 50.0f, 10.0f }, { 10.0f, 10.0f, 80.0f, 40.0f });
    g.setFont (lookAndFeel.getPopupMenuFont());
    g.drawText ("Crescendo", -400, 0, 100, 30, juce::Justification::centred);
    g.setFont (lookAndFeel.getSliderPopupFont (knob));
    g.drawText ("440.00 hz", -300, 0, 100, 30, juce::Justification::centred);
    g.setOrigin ({ -100, 0 });
    g.reduceClipRegion (0, 0, 100, 40); // the menu fills its clip: kept to its own area, outline included
    lookAndFeel.drawPopupMenuBackground (g, 100, 40);
    checkAgainstGolden (image, "look-and-feel");
    EXPECT_EQ (lookAndFeel.getSliderPopupPlacement (knob), juce::BubbleComponent::below);
}

TEST (GoldenImages, TheEmbeddedFontIsTheSulphurPointBoldFileByteForByte)
{
    juce::MemoryBlock file;
    ASSERT_TRUE (juce::File (SKYLORN_TEST_DATA_DIR)
                     .getChildFile ("../../resources/SulphurPoint-Bold.ttf")
                     .loadFileAsData (file));
    EXPECT_EQ (file, juce::MemoryBlock (embeddedFont::data(), embeddedFont::size()));
    EXPECT_EQ (file.getSize(), 54788u);

    // Fonts are asked for on every layout and paint: each getter parses the file once per process.
    OtherLookAndFeel first, second;
    juce::ComboBox box;
    juce::Slider knob;
    EXPECT_EQ (first.getPopupMenuFont().getTypefacePtr(), second.getPopupMenuFont().getTypefacePtr());
    EXPECT_EQ (first.getComboBoxFont (box).getTypefacePtr(), second.getComboBoxFont (box).getTypefacePtr());
    EXPECT_EQ (first.getSliderPopupFont (knob).getTypefacePtr(),
               second.getSliderPopupFont (knob).getTypefacePtr());
}

// Two paints of a worked example: runs of equal levels open into a comb and close, a zero between
// two levels is filled, the zero beside a single level (index 9) is not, and falls cover a quarter.
TEST (SpectrumCurve, TwoPaintsOfAWorkedExample)
{
    const spectrum_curve::Levels levels { 0, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0.8f, 0.8f, 0.2f };
    spectrum_curve::Levels current {}, shown {}, last {};
    const float expected[2][10] = { { 0, 0.5f, 0.25f, 0.5f, 0.25f, 0.525f, 0.8f, 0.4f, 0.2f, 0 },
                                    { 0, 0.5f, 0.4375f, 0.46875f, 0.5f, 0.65f, 0.8f, 0.5f, 0.2f, 0 } };
    for (const auto& paint : expected)
    {
        spectrum_curve::advance (levels, current, shown, last);
        for (int i = 0; i < 10; ++i)
            EXPECT_FLOAT_EQ (shown[(size_t) i], paint[i]) << i;
    }
    // From the baseline at the panel's left edge to the baseline 512 to the right, 0.8 at y = 66.
    EXPECT_EQ (spectrum_curve::path (shown, 34).getBounds(), juce::Rectangle<float> (34, 66, 512, 224));
}

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
    const auto tick = [&timer, &repaints] { return timer.timerCallback(), repaints(); };
    const auto turn = [&] (int k, double value)
    { return child (*editor, k).setValue (value, juce::sendNotificationSync), repaints(); };

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
    EXPECT_EQ (PluginAudioProcessorTestAccess::applied (engine).inputs.damping, 10.0f); // the last knob turned
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
