#pragma once

#include "PluginEditor.h"
#include <gtest/gtest.h>

// What the audio thread runs with, which nothing outside it can otherwise see.
struct PluginAudioProcessorTestAccess
{
    static const DspSettings& applied (PluginAudioProcessor& e) { return e.appliedSettings; }
    static auto& fftWorkBuffer (PluginAudioProcessor& e) { return e.fftWorkBuffer; }

    // True when the filter and the reverb in use are one complete design, never parts of two.
    static bool runsOneWholeDesign (PluginAudioProcessor& e)
    {
        const auto d = designDspSettings (e.appliedSettings.inputs);
        const auto* c = e.highPassFilter.state->getRawCoefficients(); // a0 is normalised away
        const auto& r = e.reverb.getParameters();
        return d.highPass == e.appliedSettings.highPass && c[0] == d.highPass[0] && c[1] == d.highPass[1]
               && c[2] == d.highPass[2] && c[3] == d.highPass[4] && c[4] == d.highPass[5]
               && r.roomSize == d.reverb.roomSize && r.damping == d.reverb.damping;
    }
};

// Heap calls made while `countHeapCalls` was set, counted only where tests/realtime replaces malloc.
inline thread_local bool countHeapCalls = false;
inline thread_local long heapCalls = 0;

// Drives an engine as the framework's client does: layout, rate and block size, then prepareToPlay.
inline void prepare (PluginAudioProcessor& engine, double rate, int blockSize, int channels = 2)
{
    const auto set = juce::AudioChannelSet::canonicalChannelSet (channels);
    engine.setBusesLayout ({ { set }, { set } });
    engine.setRateAndBufferSizeDetails (rate, blockSize);
    engine.prepareToPlay (rate, blockSize);
}

inline juce::RangedAudioParameter& parameter (PluginAudioProcessor& engine, const juce::String& id)
{
    for (auto* p : engine.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p); ranged->paramID == id)
            return *ranged;
    throw std::invalid_argument (id.toStdString());
}

// Sets a parameter as a host does, in its own range; reads back what the engine works with.
inline void set (PluginAudioProcessor& engine, const juce::String& id, float value)
{
    parameter (engine, id).setValueNotifyingHost (parameter (engine, id).convertTo0to1 (value));
}

inline float valueOf (PluginAudioProcessor& engine, const juce::String& id)
{
    if (auto* number = dynamic_cast<juce::AudioParameterFloat*> (&parameter (engine, id)))
        return number->get();
    return (float) dynamic_cast<juce::AudioParameterChoice&> (parameter (engine, id)).getIndex();
}

// White noise from a seed; seed 0 gives silence.
inline juce::AudioBuffer<float> noise (int channels, int samples, int seed = 1)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, seed == 0 ? 0.0f : random.nextFloat() - 0.5f);
    return buffer;
}

inline juce::AudioBuffer<float> process (PluginAudioProcessor& engine, juce::AudioBuffer<float> audio,
                                         int blockSize)
{
    juce::MidiBuffer midi;
    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start, length);
        engine.processBlock (block, midi);
    }
    return audio;
}

// The editor's children in the order it adds them: four knobs, the theme selector, the link.
template <typename Child = juce::Slider>
Child& child (juce::Component& editor, int index)
{
    return dynamic_cast<Child&> (*editor.getChildComponent (index));
}

// The editor's constructor asks the maker's web host for the version file: only under scripts/offline.sh.
#define OPEN_EDITOR(editor, engine)                                                       \
    if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_OFFLINE", {}) != "1")         \
        GTEST_SKIP() << "opens the editor, whose version check needs scripts/offline.sh"; \
    std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditor())
