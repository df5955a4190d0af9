#include "EmbeddedFont.h"
#include "OtherLookAndFeel.h"

#include <juce_gui_extra/juce_gui_extra.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace
{
constexpr float pi = juce::MathConstants<float>::pi;

// A transparent software image with a context drawing straight into it, so no display is needed.
struct Canvas
{
    Canvas (int width, int height)
        : image (juce::Image::ARGB, width, height, true, juce::SoftwareImageType())
        , g (image)
    {
    }

    juce::Image image;
    juce::Graphics g;
};

struct Pixel
{
    int x, y;
    juce::Colour colour;
    juce::Point<float> centre() const { return { (float) x + 0.5f, (float) y + 0.5f }; }
};

std::vector<Pixel> drawnPixels (const juce::Image& image)
{
    std::vector<Pixel> pixels;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (const auto colour = image.getPixelAt (x, y); colour.getAlpha() > 0)
                pixels.push_back ({ x, y, colour });
    return pixels;
}

juce::Rectangle<int> drawnBounds (const juce::Image& image)
{
    juce::Rectangle<int> bounds;
    for (const auto& p : drawnPixels (image))
        bounds = bounds.isEmpty() ? juce::Rectangle<int> (p.x, p.y, 1, 1)
                                  : bounds.getUnion (juce::Rectangle<int> (p.x, p.y, 1, 1));
    return bounds;
}

int maxAlpha (const juce::Image& image)
{
    int result = 0;
    for (const auto& p : drawnPixels (image))
        result = std::max (result, (int) p.colour.getAlpha());
    return result;
}

// Knob angles as the framework measures them: 0 points up, growing clockwise.
juce::Point<float> onCircle (juce::Point<float> centre, float radius, float angle)
{
    return { centre.x + radius * std::sin (angle), centre.y - radius * std::cos (angle) };
}

float angularDistance (juce::Point<float> centre, juce::Point<float> p, float angle)
{
    return std::abs (std::remainder (std::atan2 (p.x - centre.x, centre.y - p.y) - angle, 2.0f * pi));
}

juce::Colour pixelAt (const juce::Image& image, juce::Point<float> p)
{
    return image.getPixelAt ((int) std::floor (p.x), (int) std::floor (p.y));
}

bool isOpaqueBlack (juce::Colour c)
{
    return c.getAlpha() >= 0xF0 && c.getRed() < 0x20 && c.getGreen() < 0x20 && c.getBlue() < 0x20;
}

bool isTrackOnly (juce::Colour c)
{
    return c.getAlpha() == 0x33 && c.getRed() >= 0xF0 && c.getGreen() >= 0xF0 && c.getBlue() >= 0xF0;
}

// The thumb is the only near-opaque light shape of a knob (the track is faint, the value arc
// black). Its centroid and area pin its position and diameter.
void expectThumbAt (const juce::Image& image, juce::Point<float> expectedCentre)
{
    juce::Point<float> sum;
    int area = 0;
    for (const auto& p : drawnPixels (image))
    {
        if (p.colour.getAlpha() >= 0xC0 && p.colour.getGreen() >= 0xC0)
        {
            sum += p.centre();
            ++area;
        }
    }

    ASSERT_GT (area, 0);
    EXPECT_LT ((sum / (float) area).getDistanceFrom (expectedCentre), 0.75f);
    EXPECT_GT (area, 145); // a 14.4 px disc covers about 163 pixels; 16 px would be 201
    EXPECT_LT (area, 185);
}

// On a 120 px knob the thumb's outer edge is 53.2 from the centre and the pointer's apex 55.76:
// only the pointer reaches beyond the thumb, and only in the value's direction.
void expectPointerAt (const juce::Image& image, juce::Point<float> centre, float angle)
{
    float farthest = 0.0f;
    juce::Point<float> apex;
    for (const auto& p : drawnPixels (image))
    {
        if (p.colour.getAlpha() < 0x40)
            continue;
        const auto distance = p.centre().getDistanceFrom (centre);
        if (distance > 53.5f)
        {
            EXPECT_LT (angularDistance (centre, p.centre(), angle), 0.2f) << p.x << ", " << p.y;
        }
        if (distance > farthest)
        {
            farthest = distance;
            apex = p.centre();
        }
    }

    EXPECT_GT (farthest, 54.0f);
    EXPECT_LT (farthest, 56.5f);
    EXPECT_LT (angularDistance (centre, apex, angle), 0.1f);
}

// A knob set up as the editor sets up its own: rotary, no text box, default rotary angles.
struct Knob
{
    explicit Knob (OtherLookAndFeel& lookAndFeel)
    {
        slider.setSliderStyle (juce::Slider::RotaryVerticalDrag);
        slider.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
        slider.setRange (0.0, 1.0);
        slider.setLookAndFeel (&lookAndFeel);
    }

    ~Knob() { slider.setLookAndFeel (nullptr); }

    juce::Image paint (double proportion, int width = 120, int height = 120)
    {
        slider.setBounds (0, 0, width, height);
        slider.setValue (proportion, juce::dontSendNotification);
        Canvas canvas (width, height);
        slider.paintEntireComponent (canvas.g, false);
        return canvas.image;
    }

    float angleFor (float proportion) const
    {
        const auto rotary = slider.getRotaryParameters();
        return rotary.startAngleRadians + proportion * (rotary.endAngleRadians - rotary.startAngleRadians);
    }

    juce::Slider slider;
};

const juce::Point<float> knobCentre (60.0f, 60.0f);
} // namespace

TEST (LookAndFeelKnob, ThumbAndPointerFollowTheValue)
{
    OtherLookAndFeel lookAndFeel;
    Knob knob (lookAndFeel);

    for (auto proportion : { 0.0f, 0.5f, 1.0f })
    {
        SCOPED_TRACE (proportion);
        const auto image = knob.paint (proportion);
        const auto angle = knob.angleFor (proportion);

        // On the middle line of the 8 px track, 46 from the centre; azure through the look-and-feel.
        expectThumbAt (image, onCircle (knobCentre, 46.0f, angle));
        EXPECT_EQ (pixelAt (image, onCircle (knobCentre, 46.0f, angle)).getARGB(), 0xFFF0FFFFu);
        expectPointerAt (image, knobCentre, angle);
    }

    // Drawn relative to the rectangle it is given, not to the component's origin.
    Canvas offset (180, 160);
    lookAndFeel.drawRotarySlider (offset.g, 30, 20, 120, 120, 0.5f, knob.angleFor (0.0f), knob.angleFor (1.0f),
                                  knob.slider);
    expectThumbAt (offset.image, { 90.0f, 34.0f });
    expectPointerAt (offset.image, { 90.0f, 80.0f }, 2.0f * pi);
}

TEST (LookAndFeelKnob, ValueArcCoversTheTrackUpToTheValue)
{
    OtherLookAndFeel lookAndFeel;
    Knob knob (lookAndFeel);
    const auto thumbClearance = 12.0f * pi / 180.0f; // the thumb and the arc's round cap

    for (auto proportion : { 0.0f, 0.5f, 1.0f })
    {
        SCOPED_TRACE (proportion);
        const auto image = knob.paint (proportion);
        const auto angle = knob.angleFor (proportion);

        int valueSamples = 0;
        for (auto a = knob.angleFor (0.0f); a <= knob.angleFor (1.0f); a += pi / 90.0f)
        {
            if (std::abs (a - angle) < thumbClearance)
                continue;

            const auto colour = pixelAt (image, onCircle (knobCentre, 46.0f, a));
            const auto expected = a < angle ? isOpaqueBlack (colour) : isTrackOnly (colour);
            EXPECT_TRUE (expected) << a << ": " << colour.toDisplayString (true);
            valueSamples += a < angle ? 1 : 0;
        }
        EXPECT_EQ (valueSamples > 0, proportion > 0.0f);

        // The gap between the track's ends, at the bottom, stays empty.
        EXPECT_EQ (pixelAt (image, onCircle (knobCentre, 46.0f, pi)).getAlpha(), 0);
    }
}

TEST (LookAndFeelKnob, DisabledKnobKeepsTrackThumbAndPointerButNoValueArc)
{
    OtherLookAndFeel lookAndFeel;
    Knob knob (lookAndFeel);
    knob.slider.setEnabled (false);

    const auto image = knob.paint (1.0);

    for (const auto& p : drawnPixels (image))
        ASSERT_FALSE (isOpaqueBlack (p.colour)) << p.x << ", " << p.y;
    EXPECT_TRUE (isTrackOnly (pixelAt (image, onCircle (knobCentre, 46.0f, 2.0f * pi))));
    expectThumbAt (image, onCircle (knobCentre, 46.0f, knob.angleFor (1.0f)));
    expectPointerAt (image, knobCentre, knob.angleFor (1.0f));
}

TEST (LookAndFeelKnob, AreaOfTwentyPixelsOrLessDrawsNothing)
{
    OtherLookAndFeel lookAndFeel;
    Knob knob (lookAndFeel);

    for (auto [width, height] : { std::pair (20, 20), std::pair (20, 120), std::pair (120, 20), std::pair (8, 8) })
        for (auto proportion : { 0.0, 0.5, 1.0 })
            EXPECT_TRUE (drawnPixels (knob.paint (proportion, width, height)).empty())
                << width << " x " << height << " at " << proportion;

    // Just above the limit the knob is tiny but there.
    EXPECT_FALSE (drawnPixels (knob.paint (0.5, 24, 24)).empty());
}

TEST (LookAndFeelComboBox, DrawsOnlyAChevronWhoseAlphaFollowsEnablement)
{
    OtherLookAndFeel lookAndFeel;
    juce::ComboBox box;
    box.setLookAndFeel (&lookAndFeel);

    const auto paintBox = [&] (int height)
    {
        box.setBounds (0, 0, 200, height);
        Canvas canvas (200, height);
        lookAndFeel.drawComboBox (canvas.g, 200, height, false, 170, 0, 30, height, box);
        return canvas.image;
    };

    // A downward chevron 14 wide, symmetric about its tip 20 px left of the right edge; no fill, no
    // outline.
    const auto enabled = paintBox (30);
    const auto bounds = drawnBounds (enabled);
    EXPECT_EQ (maxAlpha (enabled), 0xE6);
    EXPECT_GE (bounds.getX(), 171);
    EXPECT_LE (bounds.getRight(), 189);
    EXPECT_NEAR (bounds.getCentreX(), 180, 1);
    EXPECT_GE (bounds.getY(), 11);
    EXPECT_LE (bounds.getBottom(), 21);
    for (int y = 0; y < 30; ++y)
        for (int k = 0; k < 20; ++k)
            ASSERT_NEAR (enabled.getPixelAt (180 + k, y).getAlpha(), enabled.getPixelAt (179 - k, y).getAlpha(), 2)
                << "not symmetric about the tip at " << k << ", " << y;

    // The half height is taken in whole pixels, so an odd height draws the very same chevron.
    const auto odd = paintBox (31);
    for (int y = 0; y < 30; ++y)
        for (int x = 160; x < 200; ++x)
            ASSERT_EQ (odd.getPixelAt (x, y).getARGB(), enabled.getPixelAt (x, y).getARGB()) << x << ", " << y;

    box.setEnabled (false);
    const auto disabled = paintBox (30);
    EXPECT_EQ (maxAlpha (disabled), 0x33);
    EXPECT_EQ (drawnBounds (disabled), bounds);

    box.setLookAndFeel (nullptr);
}

TEST (LookAndFeelButton, TextIsUnderlinedCentredAndBrightensWithTheButtonsState)
{
    OtherLookAndFeel lookAndFeel;
    const juce::String text ("a b c");
    juce::TextButton button (text);
    button.setBounds (0, 0, 200, 30);
    button.setLookAndFeel (&lookAndFeel);

    const auto paintButton = [&] (juce::Button::ButtonState state, bool highlighted, bool down)
    {
        button.setState (state);
        Canvas canvas (200, 30);
        lookAndFeel.drawButtonBackground (canvas.g, button, juce::Colours::red, highlighted, down);
        lookAndFeel.drawButtonText (canvas.g, button, highlighted, down);
        return canvas.image;
    };

    // The button's state decides, whatever the flags say.
    const auto normal = paintButton (juce::Button::buttonNormal, true, true);
    EXPECT_EQ (maxAlpha (normal), 0x4C);
    EXPECT_EQ (maxAlpha (paintButton (juce::Button::buttonOver, false, false)), 0x80);
    EXPECT_EQ (maxAlpha (paintButton (juce::Button::buttonDown, false, false)), 0x80);

    // No background, so the drawn bounds are the text's: centred, at the font's natural width.
    const auto bounds = drawnBounds (normal);
    const auto textWidth = lookAndFeel.buttonFont.getStringWidthFloat (text);
    EXPECT_NEAR (bounds.getCentreX(), 100, 2);
    EXPECT_NEAR (bounds.getCentreY(), 15, 3);
    EXPECT_NEAR ((float) bounds.getWidth(), textWidth, 3.0f);

    // The spaces break every row of glyphs; only an underline runs across the whole text.
    int longestRun = 0;
    for (int y = 0; y < normal.getHeight(); ++y)
    {
        int run = 0;
        for (int x = 0; x < normal.getWidth(); ++x)
        {
            run = normal.getPixelAt (x, y).getAlpha() > 0 ? run + 1 : 0;
            longestRun = std::max (longestRun, run);
        }
    }
    EXPECT_GT ((float) longestRun, 0.8f * textWidth);

    button.setLookAndFeel (nullptr);
}

TEST (LookAndFeelPopupMenu, FillsWithTheCurrentBackgroundInsideAOnePixelOutline)
{
    OtherLookAndFeel lookAndFeel;
    lookAndFeel.currentBackgroundColour = lookAndFeel.backgroundColours[2];
    const auto fill = lookAndFeel.currentBackgroundColour;
    const auto edge = fill.overlaidWith (juce::Colours::white.withAlpha ((juce::uint8) 0x99));

    Canvas canvas (100, 60);
    lookAndFeel.drawPopupMenuBackground (canvas.g, 100, 60);

    for (int y = 0; y < 60; ++y)
    {
        for (int x = 0; x < 100; ++x)
        {
            const auto expected = (x == 0 || y == 0 || x == 99 || y == 59) ? edge : fill;
            const auto actual = canvas.image.getPixelAt (x, y);
            for (auto channel : { &juce::Colour::getAlpha, &juce::Colour::getRed, &juce::Colour::getGreen,
                                  &juce::Colour::getBlue })
                ASSERT_NEAR ((actual.*channel)(), (expected.*channel)(), 1) << x << ", " << y;
        }
    }
}

TEST (LookAndFeelThemes, TablesHoldTheSixThemesAndAnEmptySelection)
{
    OtherLookAndFeel lookAndFeel;
    const juce::uint32 background[] = { 0x804682B4, 0xFF4682B4, 0xFF663399, 0xFFA52A2A,
                                        0xFFDAA520, 0xFFFF1493, 0xFF5F9EA0 };
    const juce::uint32 spectrum[] = { 0x804682B4, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF,
                                      0xFF000000, 0xFFFFFFFF, 0xFF000000 };

    ASSERT_EQ (lookAndFeel.backgroundColours.size(), 7);
    ASSERT_EQ (lookAndFeel.spectrumColours.size(), 7);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ (lookAndFeel.backgroundColours[i].getARGB(), background[i]) << i;
        EXPECT_EQ (lookAndFeel.spectrumColours[i].getARGB(), spectrum[i]) << i;
    }

    // Out of range either way: transparent black, which the editor's paint relies on.
    for (auto index : { -1, 7 })
    {
        EXPECT_EQ (lookAndFeel.backgroundColours[index].getARGB(), 0u) << index;
        EXPECT_EQ (lookAndFeel.spectrumColours[index].getARGB(), 0u) << index;
    }

    EXPECT_EQ (lookAndFeel.currentBackgroundColour, lookAndFeel.backgroundColours[0]);
    EXPECT_EQ (lookAndFeel.panelColour.getARGB(), 0xFFF5F5F5u);
}

TEST (LookAndFeelPopup, ValuePopUpIsBareTextBelowTheKnob)
{
    OtherLookAndFeel lookAndFeel;
    juce::Slider slider;
    juce::BubbleMessageComponent bubble;

    EXPECT_EQ (lookAndFeel.getSliderPopupPlacement (slider), juce::BubbleComponent::below);

    Canvas canvas (100, 60);
    lookAndFeel.drawBubble (canvas.g, bubble, { 50.0f, 0.0f }, { 10.0f, 10.0f, 80.0f, 40.0f });
    EXPECT_TRUE (drawnPixels (canvas.image).empty());
}

TEST (EmbeddedFont, IsTheSulphurPointBoldFileByteForByte)
{
    const auto file = juce::File (SKYLORN_TEST_DATA_DIR).getChildFile ("../../resources/SulphurPoint-Bold.ttf");
    juce::MemoryBlock onDisk;
    ASSERT_TRUE (file.loadFileAsData (onDisk)) << file.getFullPathName();

    ASSERT_EQ (embeddedFont::size(), 54788u);
    ASSERT_EQ (onDisk.getSize(), embeddedFont::size());
    EXPECT_EQ (std::memcmp (onDisk.getData(), embeddedFont::data(), embeddedFont::size()), 0);

    const auto typeface = embeddedFont::createTypeface();
    ASSERT_NE (typeface, nullptr);
    EXPECT_EQ (typeface->getName(), "Sulphur Point");
    EXPECT_EQ (typeface->getStyle(), "Bold");
    EXPECT_GT (juce::Font (typeface).getStringWidthFloat ("Skylorn"), 0.0f);
}

TEST (EmbeddedFont, EachGetterSharesOneTypefaceAcrossCallsAndLookAndFeels)
{
    OtherLookAndFeel first;
    OtherLookAndFeel second;
    juce::ComboBox box;
    juce::Slider slider;

    const auto popupMenu = first.getPopupMenuFont();
    const auto comboBox = first.getComboBoxFont (box);
    const auto sliderPopup = first.getSliderPopupFont (slider);

    for (const auto& font : { popupMenu, comboBox, sliderPopup, first.buttonFont })
    {
        EXPECT_EQ (font.getTypefaceName(), "Sulphur Point");
        EXPECT_TRUE (font.isBold());
        EXPECT_EQ (font.getHeight(), 14.0f);
    }

    EXPECT_EQ (second.getPopupMenuFont().getTypefacePtr(), popupMenu.getTypefacePtr());
    EXPECT_EQ (second.getComboBoxFont (box).getTypefacePtr(), comboBox.getTypefacePtr());
    EXPECT_EQ (second.getSliderPopupFont (slider).getTypefacePtr(), sliderPopup.getTypefacePtr());

    // Three getters, three typefaces; and each look-and-feel makes its own for its buttons.
    EXPECT_NE (popupMenu.getTypefacePtr(), comboBox.getTypefacePtr());
    EXPECT_NE (popupMenu.getTypefacePtr(), sliderPopup.getTypefacePtr());
    EXPECT_NE (comboBox.getTypefacePtr(), sliderPopup.getTypefacePtr());
    EXPECT_NE (first.buttonFont.getTypefacePtr(), second.buttonFont.getTypefacePtr());
    EXPECT_NE (first.buttonFont.getTypefacePtr(), popupMenu.getTypefacePtr());
}
