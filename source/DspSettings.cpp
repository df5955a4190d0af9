#include "DspSettings.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>

namespace
{
float highPassDesignFrequency (float frequency, int sampleRate) noexcept
{
    // 0.49 keeps the poles inside the unit circle with margin at every supported rate, and the
    // resonant peak of Q 3.98 stays finite in single precision.
    const auto limit = static_cast<float> (sampleRate) * 0.49f;
    return frequency < limit ? frequency : limit;
}
} // namespace

DspSettings designDspSettings (const DspSettings::Inputs& inputs) noexcept
{
    DspSettings settings;
    settings.inputs = inputs;
    settings.reverb.wetLevel = 1.0f;
    settings.reverb.roomSize = inputs.roomSize / 100.0f;
    settings.reverb.damping = inputs.damping / 100.0f;
    settings.highPass = juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (
        static_cast<double> (inputs.sampleRate), highPassDesignFrequency (inputs.frequency, inputs.sampleRate),
        std::pow (10.0f, 0.6f));
    return settings;
}
