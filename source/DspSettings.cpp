#include "DspSettings.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>

float highPassQ() noexcept
{
    return std::pow (10.0f, 0.6f);
}

float highPassDesignFrequency (float frequency, int sampleRate) noexcept
{
    // 0.49 keeps the poles inside the unit circle with margin at every supported rate, and the
    // resonant peak of Q 3.98 stays finite in single precision.
    const auto limit = static_cast<float> (sampleRate) * 0.49f;
    return frequency < limit ? frequency : limit;
}

juce::Reverb::Parameters reverbParametersFor (float roomSize, float damping,
                                              juce::Reverb::Parameters base) noexcept
{
    base.wetLevel = 1.0f;
    base.roomSize = roomSize / 100.0f;
    base.damping = damping / 100.0f;
    return base;
}

DspSettings designDspSettings (const DspSettings::Inputs& inputs) noexcept
{
    DspSettings settings;
    settings.inputs = inputs;
    settings.reverb = reverbParametersFor (inputs.roomSize, inputs.damping);
    settings.highPass = juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (
        static_cast<double> (inputs.sampleRate), highPassDesignFrequency (inputs.frequency, inputs.sampleRate),
        highPassQ());
    return settings;
}
