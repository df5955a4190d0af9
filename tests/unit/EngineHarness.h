#pragma once

#include "ReferenceChain.h"
#include "TestAccess.h"

// Drives an engine the way the framework's client does: layout, rate and block size first, then
// prepareToPlay, then blocks.
inline void prepareEngine (PluginAudioProcessor& engine, double sampleRate, int blockSize, bool mono = false)
{
    const auto set = mono ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (set);
    layout.outputBuses.add (set);
    engine.setBusesLayout (layout);
    engine.setRateAndBufferSizeDetails (sampleRate, blockSize);
    engine.prepareToPlay (sampleRate, blockSize);
}

// Runs `input` through the engine in blocks of `blockSize` and returns the output.
inline juce::AudioBuffer<float> processInBlocks (PluginAudioProcessor& engine,
                                                 const juce::AudioBuffer<float>& input, int blockSize)
{
    juce::AudioBuffer<float> output;
    output.makeCopyOf (input);
    juce::MidiBuffer midi;

    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const auto n = std::min (blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> block (output.getArrayOfWritePointers(), output.getNumChannels(), start, n);
        engine.processBlock (block, midi);
    }

    return output;
}

inline void applySettings (PluginAudioProcessor& engine, const ReferenceChain::Settings& settings)
{
    setParameterValue (engine, "topValue", settings.roomSize);
    setParameterValue (engine, "midValue", settings.dryWet);
    setParameterValue (engine, "lowValue", settings.damping);
    setParameterValue (engine, "gain", settings.frequency);
}

// Index of the first sample where the two buffers differ, or -1 when they are identical.
inline int firstDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return 0;

    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int i = 0; i < a.getNumSamples(); ++i)
            if (a.getSample (c, i) != b.getSample (c, i))
                return i;

    return -1;
}
