#pragma once

#include "PluginProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

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

    juce::AudioProcessorValueTreeState& parameterTree;
    PluginAudioProcessor& pluginProcessor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginAudioProcessorEditor)
};
