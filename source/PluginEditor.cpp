#include "PluginEditor.h"

PluginAudioProcessorEditor::PluginAudioProcessorEditor (PluginAudioProcessor& engine,
                                                        juce::AudioProcessorValueTreeState& tree)
    : juce::AudioProcessorEditor (engine)
    , parameterTree (tree)
    , pluginProcessor (engine)
{
    startTimer (33);
    setResizable (false, false);
    setSize (pluginProcessor.editorWidth, pluginProcessor.editorHeight);
}

PluginAudioProcessorEditor::~PluginAudioProcessorEditor()
{
    stopTimer();
}

void PluginAudioProcessorEditor::paint (juce::Graphics&)
{
}

void PluginAudioProcessorEditor::resized()
{
}

void PluginAudioProcessorEditor::timerCallback()
{
}

void PluginAudioProcessorEditor::sliderValueChanged (juce::Slider*)
{
    pluginProcessor.updateParameters();
}
