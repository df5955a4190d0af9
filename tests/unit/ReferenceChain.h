#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <vector>

// The reverb chain built straight from the framework's parts, with no engine around it: the
// yardstick the engine's output is compared with sample for sample.
class ReferenceChain
{
public:
    struct Settings
    {
        float roomSize = 50.0f, dryWet = 50.0f, damping = 50.0f, frequency = 100.0f;
    };

    ReferenceChain (double sampleRate, int channels, const Settings& s)
        : settings (s)
        , numChannels (channels)
    {
        reverb.setSampleRate (sampleRate);
        juce::Reverb::Parameters parameters;
        parameters.wetLevel = 1.0f;
        parameters.roomSize = settings.roomSize / 100.0f;
        parameters.damping = settings.damping / 100.0f;
        reverb.setParameters (parameters);

        const auto coefficients = juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (
            (double) (int) sampleRate, settings.frequency, std::pow (10.0f, 0.6f));

        for (int c = 0; c < channels; ++c)
        {
            auto filter = std::make_unique<juce::dsp::IIR::Filter<float>>();
            *filter->coefficients = coefficients;
            filter->reset();
            filters.push_back (std::move (filter));
        }
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        // The engine flushes denormals while it processes; the decaying tail must be treated alike.
        const juce::ScopedNoDenormals noDenormals;
        const auto n = buffer.getNumSamples();
        juce::AudioBuffer<float> dry;
        dry.makeCopyOf (buffer);

        for (int c = 0; c < numChannels; ++c)
        {
            juce::dsp::AudioBlock<float> block (buffer);
            auto channel = block.getSingleChannelBlock ((size_t) c);
            filters[(size_t) c]->process (juce::dsp::ProcessContextReplacing<float> (channel));
        }

        auto* left = buffer.getWritePointer (0);
        auto* right = numChannels > 1 ? buffer.getWritePointer (1) : left;
        reverb.processStereo (left, right, n);

        const auto m = settings.dryWet / 100.0f;
        const auto k = 1.0f - m;

        for (int c = 0; c < numChannels; ++c)
        {
            auto* out = buffer.getWritePointer (c);
            const auto* in = dry.getReadPointer (c);
            for (int i = 0; i < n; ++i)
                out[i] = out[i] * m + in[i] * k;
        }
    }

private:
    Settings settings;
    int numChannels;
    juce::Reverb reverb;
    std::vector<std::unique_ptr<juce::dsp::IIR::Filter<float>>> filters;
};

// `input` through a fresh reference chain in blocks of `blockSize`, as a host would send it.
inline juce::AudioBuffer<float> processWithReference (const juce::AudioBuffer<float>& input, double sampleRate,
                                                      const ReferenceChain::Settings& settings, int blockSize)
{
    ReferenceChain reference (sampleRate, input.getNumChannels(), settings);
    juce::AudioBuffer<float> output;
    output.makeCopyOf (input);

    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const auto n = std::min (blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> block (output.getArrayOfWritePointers(), output.getNumChannels(), start, n);
        reference.process (block);
    }

    return output;
}

// Deterministic test audio: white noise from a fixed seed.
inline juce::AudioBuffer<float> noise (int channels, int samples, juce::int64 seed = 1234, float gain = 0.5f)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (c, i, (random.nextFloat() * 2.0f - 1.0f) * gain);
    return buffer;
}

inline juce::AudioBuffer<float> sine (int channels, int samples, double frequency, double sampleRate,
                                      float gain = 0.5f)
{
    juce::AudioBuffer<float> buffer (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            buffer.setSample (
                c, i, gain * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / sampleRate));
    return buffer;
}

inline bool allFinite (const juce::AudioBuffer<float>& buffer)
{
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (c, i)))
                return false;
    return true;
}
