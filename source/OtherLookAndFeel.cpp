#include "OtherLookAndFeel.h"

#include "EmbeddedFont.h"

#include <algorithm>
#include <cmath>

namespace
{
juce::Colour withAlphaByte (juce::Colour colour, int alpha)
{
    return colour.withAlpha (static_cast<juce::uint8> (alpha));
}

// What the window shows while the selector has no item: the first theme's blue, half transparent.
juce::Colour emptySelectionColour()
{
    return withAlphaByte (juce::Colours::steelblue, 0x80);
}
} // namespace

OtherLookAndFeel::OtherLookAndFeel()
    : currentBackgroundColour (emptySelectionColour())
    , backgroundColours ({ emptySelectionColour(), juce::Colours::steelblue, juce::Colours::rebeccapurple,
                           juce::Colours::brown, juce::Colours::goldenrod, juce::Colours::deeppink,
                           juce::Colours::cadetblue })
    , spectrumColours ({ emptySelectionColour(), juce::Colours::black, juce::Colours::white, juce::Colours::white,
                         juce::Colours::black, juce::Colours::white, juce::Colours::black })
    , panelColour (juce::Colours::whitesmoke)
    , buttonFont (embeddedFont::createTypeface())
{
    setColour (juce::Slider::thumbColourId, juce::Colours::azure);
}

void OtherLookAndFeel::drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour&, bool, bool)
{
    // The link button is bare text on the window's background.
}

void OtherLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    buttonFont.setUnderline (true);
    g.setFont (buttonFont);

    // Brightness follows the button's own state rather than the flags, so a caller's flags can
    // never make the link look hovered when it is not.
    const auto alpha = button.getState() == juce::Button::buttonNormal ? 0x4C : 0x80;
    g.setColour (withAlphaByte (juce::Colours::white, alpha));

    g.drawFittedText (button.getButtonText(), button.getLocalBounds(), juce::Justification::centred, 1, 0.0f);
}

void OtherLookAndFeel::drawBubble (juce::Graphics&, juce::BubbleComponent&, const juce::Point<float>&,
                                   const juce::Rectangle<float>&)
{
    // The knobs' value pop-ups show their text alone, floating below the knob.
}

void OtherLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    g.fillAll (currentBackgroundColour);

    // The look-and-feel's own colour, not a component's: the menu window has no say in it.
    g.setColour (withAlphaByte (findColour (juce::PopupMenu::textColourId), 0x99));
    g.drawRect (juce::Rectangle<float> (0.0f, 0.0f, static_cast<float> (width), static_cast<float> (height)),
                1.0f);
}

juce::Font OtherLookAndFeel::getPopupMenuFont()
{
    // One typeface per getter for the whole process: fonts are asked for on every layout and paint.
    static const juce::Typeface::Ptr typeface = embeddedFont::createTypeface();
    return juce::Font (typeface);
}

void OtherLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int,
                                     juce::ComboBox& box)
{
    // Only the chevron: the box's label draws the selected text over the window's background.
    const auto h2 = height / 2;

    juce::Path chevron;
    chevron.startNewSubPath (static_cast<float> (width - 30 + 3), static_cast<float> (h2 - 2));
    chevron.lineTo (static_cast<float> (width - 20), static_cast<float> (h2 + 3));
    chevron.lineTo (static_cast<float> (width - 10 - 3), static_cast<float> (h2 - 2));

    g.setColour (withAlphaByte (box.findColour (juce::ComboBox::arrowColourId), box.isEnabled() ? 0xE6 : 0x33));
    g.strokePath (chevron, juce::PathStrokeType (2.0f));
}

juce::Font OtherLookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    static const juce::Typeface::Ptr typeface = embeddedFont::createTypeface();
    return juce::Font (typeface);
}

void OtherLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                         float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle,
                                         juce::Slider& slider)
{
    const auto left = static_cast<float> (x);
    const auto top = static_cast<float> (y);
    const auto w = static_cast<float> (width);
    const auto h = static_cast<float> (height);

    // A 10 px margin keeps the pointer, which reaches past the track, inside the component.
    const auto boundsWidth = std::max (0.0f, w - 20.0f);
    const auto boundsHeight = std::max (0.0f, h - 20.0f);
    const auto centreX = left + 10.0f + boundsWidth * 0.5f;
    const auto centreY = top + 10.0f + boundsHeight * 0.5f;

    const auto radius = std::min (boundsWidth, boundsHeight) * 0.5f;
    const auto lineW = std::min (8.0f, radius * 0.5f);
    const auto arcRadius = radius - lineW * 0.5f;
    const auto toAngle = rotaryStartAngle + sliderPosProportional * (rotaryEndAngle - rotaryStartAngle);
    const juce::PathStrokeType stroke (lineW, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);

    juce::Path track;
    track.addCentredArc (centreX, centreY, arcRadius, arcRadius, 0.0f, rotaryStartAngle, rotaryEndAngle, true);
    g.setColour (withAlphaByte (juce::Colours::white, 0x33));
    g.strokePath (track, stroke);

    // A disabled knob still shows where it stands through its thumb and pointer, but not the arc.
    if (slider.isEnabled())
    {
        juce::Path valueArc;
        valueArc.addCentredArc (centreX, centreY, arcRadius, arcRadius, 0.0f, rotaryStartAngle, toAngle, true);
        g.setColour (juce::Colours::black);
        g.strokePath (valueArc, stroke);
    }

    const auto thumbDiameter = lineW * 1.8f;
    const juce::Point<float> thumbCentre (
        centreX + arcRadius * std::cos (toAngle - juce::MathConstants<float>::halfPi),
        centreY + arcRadius * std::sin (toAngle - juce::MathConstants<float>::halfPi));
    g.setColour (slider.findColour (juce::Slider::thumbColourId));
    g.fillEllipse (juce::Rectangle<float> (thumbDiameter, thumbDiameter).withCentre (thumbCentre));

    // The pointer's base sits on the track's outer edge and its tip points outwards. It turns about
    // the centre of the whole area, which is the track's centre for any knob over 20 px; at 20 px
    // or less it has no size and the difference cannot show.
    const auto pointerSize = thumbDiameter * 0.4f;
    juce::Path pointer;
    pointer.startNewSubPath (-pointerSize * 0.5f, -radius);
    pointer.lineTo (pointerSize * 0.5f, -radius);
    pointer.lineTo (0.0f, -radius - pointerSize);
    pointer.closeSubPath();
    pointer.applyTransform (
        juce::AffineTransform::rotation (toAngle).translated (left + w * 0.5f, top + h * 0.5f));
    g.fillPath (pointer);
}

juce::Font OtherLookAndFeel::getSliderPopupFont (juce::Slider&)
{
    static const juce::Typeface::Ptr typeface = embeddedFont::createTypeface();
    return juce::Font (typeface);
}

int OtherLookAndFeel::getSliderPopupPlacement (juce::Slider&)
{
    return juce::BubbleComponent::below;
}
