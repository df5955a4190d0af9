#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The editor's look-and-feel: flat knobs with a pointer, a bare chevron on the theme selector,
// underlined text buttons, value pop-ups without a bubble, and the embedded font throughout.
// It is also where the theme colours live, so the editor's paint and its theme handler read one
// table. The members are public on purpose: the editor reads the tables and sets the pop-up fill.
class OtherLookAndFeel : public juce::LookAndFeel_V4
{
public:
    OtherLookAndFeel();

    // Fill of the drop-down list; the editor keeps it on the current theme's background.
    juce::Colour currentBackgroundColour;

    // Indexed by the theme selector's item ID; entry 0 stands for an empty selection. Read with
    // the bounds-tested operator[], so an index outside the table gives transparent black.
    juce::Array<juce::Colour> backgroundColours;
    juce::Array<juce::Colour> spectrumColours;

    // The spectrum panel and the white keys below it.
    juce::Colour panelColour;

    // Each look-and-feel holds its own typeface through this font; it is underlined the first
    // time a button is drawn and stays so.
    juce::Font buttonFont;

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool shouldDrawButtonAsHighlighted,
                         bool shouldDrawButtonAsDown) override;
    void drawBubble (juce::Graphics&, juce::BubbleComponent&, const juce::Point<float>& tip,
                     const juce::Rectangle<float>& body) override;
    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    juce::Font getPopupMenuFont() override;
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPosProportional,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    juce::Font getSliderPopupFont (juce::Slider&) override;
    int getSliderPopupPlacement (juce::Slider&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OtherLookAndFeel)
};
