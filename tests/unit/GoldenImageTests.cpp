#include "EmbeddedFont.h"
#include "Support.h"
#include <juce_gui_extra/juce_gui_extra.h>

// The window and the look-and-feel painted with the software renderer and compared with committed
// pictures. FreeType may move a glyph's edge by a level or two between builds; the comparison allows
// that and nothing more. SKYLORN_REGENERATE_GOLDEN=1 writes the pictures anew after an intended change.
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
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true, juce::SoftwareImageType());
    for (int i = 0; i < paints; ++i)
    {
        image.clear (image.getBounds());
        juce::Graphics g (image);
        editor.paintEntireComponent (g, true);
    }
    return image;
}
} // namespace

TEST (GoldenImages, TheWindowAtItsDefaultsAndAfterChangesWhileItIsOpen)
{
    PluginAudioProcessor engine;
    OPEN_EDITOR (editor, engine);
    checkAgainstGolden (paint (*editor, 1), "default");

    // A theme picked and every knob turned in the open window, over a spectrum with a broad hump, a
    // narrow peak, a run of equal levels at the low end and levels out of range, three paints in.
    child<juce::ComboBox> (*editor, 4).setSelectedId (3, juce::sendNotificationSync);
    const double knobs[] = { 0.0, 100.0, 25.0, 20000.0 };
    for (int k = 0; k < 4; ++k)
        child (*editor, k).setValue (knobs[k], juce::sendNotificationSync);
    for (int i = 0; i < spectrum::numPoints; ++i)
        engine.spectrumLevels[(size_t) i] =
            std::max ({ 0.7f * std::exp (-std::pow ((float) (i - 200) / 90.0f, 2.0f)), i == 380 ? 0.95f : 0.0f,
                        i < 13 ? 0.5f : 0.0f });
    engine.spectrumLevels[300] = NAN, engine.spectrumLevels[310] = 1.5f, engine.spectrumLevels[320] = -0.5f;
    checkAgainstGolden (paint (*editor, 3), "rhapsody-spectrum");

    // Nothing selected (a translucent background, painted without the cached panel), a knob disabled.
    engine.themeIndex = 0;
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
    g.reduceClipRegion (-100, 0, 100, 40);
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
}
