#pragma once

#include "OtherLookAndFeel.h"
#include "PluginProcessor.h"
#include "SpectrumCurve.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// The plug-in's window: four knobs and a theme selector bound to the parameters, a live spectrum
// over a keyboard strip, the title banner, the version line and a link to the maker's site.
// A 33 ms timer turns the engine's flags into analyses and repaints.
class PluginAudioProcessorEditor : public juce::AudioProcessorEditor,
                                   private juce::Slider::Listener,
                                   public juce::Timer
{
public:
    PluginAudioProcessorEditor (PluginAudioProcessor& engine, juce::AudioProcessorValueTreeState& tree);
    ~PluginAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void timerCallback() override;

private:
    void sliderValueChanged (juce::Slider* slider) override;
    void paintBannerAndPanel (juce::Graphics& g);

    friend struct PluginAudioProcessorEditorTestAccess;

    juce::AudioProcessorValueTreeState& parameterTree;
    PluginAudioProcessor& pluginProcessor;

    // Declared before every control so that it outlives them all.
    OtherLookAndFeel otherLookAndFeel;

    juce::Slider roomSizeSlider;
    juce::Slider dryWetSlider;
    juce::Slider dampingSlider;
    juce::Slider frequencySlider;
    juce::ComboBox themeSelector { juce::String() };
    juce::TextButton linkButton;

    // Declared after the controls they bind, so that they go first.
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> roomSizeAttachment;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> dryWetAttachment;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> dampingAttachment;
    std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> frequencyAttachment;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ComboBoxAttachment> themeAttachment;

    int idleTicks = 0;

    spectrum_curve::Levels currentLevels {};
    spectrum_curve::Levels displayedLevels {};
    spectrum_curve::Levels previousLevels {};

    juce::String versionText;
    int layoutOffset = 0;
    juce::Font editorFont;

    // The banner and panel over an opaque theme background, drawn once per theme and pixel scale.
    juce::Image panelImage;
    juce::Colour panelImageBackground;
    float panelImageScale = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginAudioProcessorEditor)
};
