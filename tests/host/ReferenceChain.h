#pragma once

#include <juce_dsp/juce_dsp.h>

// The chain built straight from the framework's parts, the yardstick for the plug-in's output sample
// for sample. The filter flushes tiny state values at each block's end, so its blocks are the engine's.
inline juce::AudioBuffer<float> renderReference (const juce::AudioBuffer<float>& input, int sampleRate,
                                                 float roomSize, float mix, float damping, float cutOff,
                                                 int blockSize)
{
    const juce::ScopedNoDenormals noDenormals; // as the engine's decaying tail is computed
    const auto numSamples = input.getNumSamples();
    auto output = input;

    // At or above Nyquist the design has no stable poles: it is made for 0.49 times the rate at most.
    const auto design = juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (
        sampleRate, std::min (cutOff, (float) sampleRate * 0.49f), std::pow (10.0f, 0.6f));
    for (int c = 0; c < output.getNumChannels(); ++c)
    {
        juce::dsp::IIR::Filter<float> filter (new juce::dsp::IIR::Coefficients<float> (design));
        for (int start = 0; start < numSamples; start += blockSize)
        {
            juce::dsp::AudioBlock<float> block (output.getArrayOfWritePointers() + c, 1, (size_t) start,
                                                (size_t) std::min (blockSize, numSamples - start));
            filter.process (juce::dsp::ProcessContextReplacing<float> (block));
        }
    }

    // Room size, damping and a wet level of 1, the rest as the framework has it; mono feeds its one
    // channel to both sides.
    juce::Reverb reverb;
    reverb.setSampleRate (sampleRate);
    reverb.setParameters ({ roomSize / 100.0f, damping / 100.0f, 1.0f });
    auto* left = output.getWritePointer (0);
    reverb.processStereo (left, output.getNumChannels() > 1 ? output.getWritePointer (1) : left, numSamples);

    const auto wet = mix / 100.0f, dry = 1.0f - wet;
    for (int c = 0; c < output.getNumChannels(); ++c)
        for (int i = 0; i < numSamples; ++i)
            output.setSample (c, i, output.getSample (c, i) * wet + input.getSample (c, i) * dry);
    return output;
}
