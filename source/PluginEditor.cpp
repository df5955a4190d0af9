#include "PluginEditor.h"

#include "EmbeddedFont.h"
#include "VersionCheck.h"

namespace
{
const juce::String makersWebsite { JucePlugin_ManufacturerWebsite };

// The link button names the site as people type it: the host name without the scheme.
juce::String makersWebsiteName()
{
    return juce::URL (makersWebsite).getDomain();
}

juce::Colour withAlphaByte (juce::Colour colour, int alpha)
{
    return colour.withAlpha ((juce::uint8) alpha);
}
} // namespace

PluginAudioProcessorEditor::PluginAudioProcessorEditor (PluginAudioProcessor& engine,
                                                        juce::AudioProcessorValueTreeState& tree)
    : juce::AudioProcessorEditor (engine)
    , parameterTree (tree)
    , pluginProcessor (engine)
    , linkButton (makersWebsiteName())
    , editorFont (embeddedFont::createTypeface())
{
    startTimer (33);
    setResizable (false, false);
    setSize (pluginProcessor.editorWidth, pluginProcessor.editorHeight);

    const std::pair<juce::Slider*, const char*> knobs[] = { { &roomSizeSlider, "topValue" },
                                                            { &dryWetSlider, "midValue" },
                                                            { &dampingSlider, "lowValue" },
                                                            { &frequencySlider, "gain" } };
    const char* suffixes[] = { " ft", " %", " %", " hz" };
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>* attachments[] = {
        &roomSizeAttachment, &dryWetAttachment, &dampingAttachment, &frequencyAttachment
    };

    for (size_t k = 0; k < 4; ++k)
    {
        auto& knob = *knobs[k].first;
        knob.setSliderStyle (juce::Slider::RotaryVerticalDrag);
        knob.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
        knob.setPopupDisplayEnabled (true, true, this, 2000);
        knob.setTextValueSuffix (suffixes[k]);
        addAndMakeVisible (knob);
        // The attachment's first synchronisation moves the knob before the editor listens, so
        // opening the window does not re-apply the parameters.
        *attachments[k] = std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (
            parameterTree, knobs[k].second, knob);
        knob.addListener (this);
    }

    const char* themes[] = { "Vibrato", "Crescendo", "Rhapsody", "Staccato", "Tremolo", "Arpeggio" };
    for (int id = 1; id <= 6; ++id)
        themeSelector.addItem (juce::String (themes[id - 1]) + " Background", id);

    themeSelector.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (themeSelector);

    const auto applyTheme = [this]
    {
        const auto id = themeSelector.getSelectedId();
        pluginProcessor.themeIndex = id;
        otherLookAndFeel.currentBackgroundColour = otherLookAndFeel.backgroundColours[id];
    };
    applyTheme();
    themeSelector.onChange = applyTheme;
    // Selects the parameter's theme with a synchronous notification, so the handler has already
    // run when this returns.
    themeAttachment = std::make_unique<juce::AudioProcessorValueTreeState::ComboBoxAttachment> (
        parameterTree, "backColor", themeSelector);

    addAndMakeVisible (linkButton);
    linkButton.onClick = [] { juce::URL (makersWebsite).launchInDefaultBrowser(); };

    versionText = version_check::versionLine();
    layoutOffset = getHeight() / 2 - 180;
    setLookAndFeel (&otherLookAndFeel);

    // Synchronous, and the last step: the host shows the window once the check has ended.
    versionText = version_check::checkedVersionText (versionText);
}

PluginAudioProcessorEditor::~PluginAudioProcessorEditor()
{
    setLookAndFeel (nullptr);
    stopTimer();
}

void PluginAudioProcessorEditor::resized() {}

void PluginAudioProcessorEditor::timerCallback()
{
    // Read and cleared in one step, so a block finishing in between is not lost.
    if (pluginProcessor.blockProcessed.exchange (false))
    {
        idleTicks = 0;
        repaint();
    }
    else if (idleTicks < 2)
    {
        // Only ever compared with 2: the count stops there rather than run on for years.
        ++idleTicks;
    }

    if (pluginProcessor.fftInputReady.load (std::memory_order_acquire))
    {
        pluginProcessor.drawNextFrameOfSpectrum();
        pluginProcessor.fftInputReady.store (false, std::memory_order_release);
    }
}

void PluginAudioProcessorEditor::sliderValueChanged (juce::Slider*)
{
    pluginProcessor.updateParameters();

    // While blocks are processed the timer repaints; without them the knob must do it itself.
    if (idleTicks >= 2)
        repaint();
}

void PluginAudioProcessorEditor::paint (juce::Graphics& g)
{
    const auto w = getWidth();
    const auto h = getHeight();
    const auto off = layoutOffset;
    const auto panelLeft = static_cast<int> (w * 0.5 - 256.0);
    const auto white = withAlphaByte (juce::Colours::white, 0x4C);

    const auto background = otherLookAndFeel.backgroundColours[pluginProcessor.themeIndex];
    g.fillAll (background);

    // The banner under the panel's translucent gradient changes only with the theme, yet blending
    // the gradient costs as much as the rest of the window together. Over an opaque background
    // the panel is therefore drawn once per theme and pixel scale, and copied from then on.
    if (background.isOpaque())
    {
        const auto scale = g.getInternalContext().getPhysicalPixelScaleFactor();

        if (panelImage.isNull() || background != panelImageBackground || scale != panelImageScale)
        {
            panelImage = juce::Image (juce::Image::RGB, juce::roundToInt (512.0f * scale),
                                      juce::roundToInt (280.0f * scale), false);
            juce::Graphics p (panelImage);
            p.addTransform (juce::AffineTransform::translation (-(float) panelLeft, -10.0f).scaled (scale));
            p.fillAll (background);
            paintBannerAndPanel (p);
            panelImageBackground = background;
            panelImageScale = scale;
        }

        g.drawImageTransformed (panelImage,
                                juce::AffineTransform::scale (1.0f / scale).translated ((float) panelLeft, 10.0f));
    }
    else
    {
        paintBannerAndPanel (g);
    }

    spectrum_curve::advance (pluginProcessor.spectrumLevels, currentLevels, displayedLevels, previousLevels);
    const auto curveColour = otherLookAndFeel.spectrumColours[pluginProcessor.themeIndex];
    g.setColour (curveColour);
    const auto curve = spectrum_curve::path (displayedLevels, panelLeft).createPathWithRoundedCorners (3.0f);
    g.strokePath (curve, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    auto area = curve;
    area.lineTo ((float) (panelLeft + 512), spectrum_curve::baselineY);
    area.lineTo ((float) panelLeft, spectrum_curve::baselineY);
    area.closeSubPath();
    g.setFillType (juce::FillType (withAlphaByte (curveColour, 0x80)));
    g.fillPath (area);

    g.setColour (juce::Colours::black);
    g.fillRect (panelLeft - 1, 290, 513, 20);
    g.setColour (otherLookAndFeel.panelColour);
    for (int k = 0; k < 64; ++k)
        g.fillRect (panelLeft + 8 * k, 291, 7, 18);
    g.setColour (juce::Colours::black);
    for (int k = 0; k < 62; ++k)
        if (k % 7 != 2 && k % 7 != 6)
            g.fillRect (panelLeft + 5 + 8 * k, 290, 5, 10);

    g.setFont (editorFont);
    g.setFont (15.0f);
    g.setColour (juce::Colours::black);
    const auto caption = [&] (const char* text, int x, int y)
    { g.drawFittedText (text, x, y, 120, 30, juce::Justification::centred, 1); };
    caption ("Room Size", w / 2 - 240, off + 370);
    caption ("Damping", w / 2 - 120, off + 370);
    caption ("Dry/Wet", w / 2, off + 370);
    caption ("HighPass Filter", w / 2 + 120, off + 230);
    caption ("Frequency", w / 2 + 120, off + 370);

    roomSizeSlider.setBounds (w / 2 - 240, off + 265, 120, 120);
    dampingSlider.setBounds (w / 2 - 120, off + 265, 120, 120);
    dryWetSlider.setBounds (w / 2, off + 265, 120, 120);
    frequencySlider.setBounds (w / 2 + 120, off + 265, 120, 120);
    themeSelector.setLookAndFeel (&otherLookAndFeel);
    themeSelector.setBounds (w / 2 - 250, off + 230, 200, 30);
    linkButton.setBounds (-10, h - 30, 200, 30);

    g.setColour (white);
    g.drawFittedText (versionText, 150, h - 30, 200, 30, juce::Justification::centred, 1);
}

void PluginAudioProcessorEditor::paintBannerAndPanel (juce::Graphics& g)
{
    const auto w = getWidth();
    const auto panelLeft = static_cast<int> (w * 0.5 - 256.0);

    // The banner lies inside the panel and is drawn first, so the panel's gradient veils it.
    g.setFont (editorFont);
    g.setFont (24.0f);
    g.setColour (withAlphaByte (juce::Colours::white, 0x4C));
    g.drawFittedText (juce::String (pluginProcessor.titleText), 0, layoutOffset - 50, w, 30,
                      juce::Justification::centred, 1);

    const auto panel = otherLookAndFeel.panelColour;
    g.setGradientFill (juce::ColourGradient (withAlphaByte (panel, 0), 0.0f, 0.0f, withAlphaByte (panel, 0xB2),
                                             0.0f, 280.0f, false));
    g.fillRect (panelLeft, 10, 512, 280);
}
