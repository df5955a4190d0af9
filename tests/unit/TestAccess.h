#pragma once

#include "PluginProcessor.h"

// The engine's private members, reached from tests only (the engine befriends this struct).
struct PluginAudioProcessorTestAccess
{
    explicit PluginAudioProcessorTestAccess (PluginAudioProcessor& e)
        : engine (e)
    {
    }

    juce::AudioProcessorValueTreeState& tree() { return engine.parameterTree; }
    const juce::AudioBuffer<float>& dryBuffer() const { return engine.dryBuffer; }
    const juce::dsp::WindowingFunction<float>& window() const { return engine.spectrumWindow; }
    std::array<float, spectrum::frameSize>& sampleFifo() { return engine.sampleFifo; }
    std::array<float, spectrum::workBufferSize>& fftWorkBuffer() { return engine.fftWorkBuffer; }
    int sampleFifoIndex() const { return engine.sampleFifoIndex; }
    int blockSampleRate() const { return engine.blockSampleRate.load(); }
    float dryWetValue() const { return engine.dryWetValue.load(); }
    float roomSizeValue() const { return engine.roomSizeValue.load(); }
    float dampingValue() const { return engine.dampingValue.load(); }
    float frequencyValue() const { return engine.frequencyValue.load(); }
    const juce::Reverb::Parameters& reverbParameters() const { return engine.reverbParameters; }
    const juce::Reverb::Parameters& reverbInUse() const { return engine.reverb.getParameters(); }
    size_t highPassCoefficientCount() const { return engine.highPassFilter.state->coefficients.size(); }
    // The coefficients every channel's filter runs with, in the order the framework designs them:
    // b0, b1, b2, a0 (always 1 once normalised), a1, a2.
    std::array<float, 6> highPassInUse() const
    {
        const auto* c = engine.highPassFilter.state->getRawCoefficients();
        return { c[0], c[1], c[2], 1.0f, c[3], c[4] };
    }
    int highPassChannels() const { return engine.highPassChannels; }
    std::atomic<float>* raw (const char* id) { return engine.parameterTree.getRawParameterValue (id); }
    void pushSpectrumSample (float s) { engine.pushSpectrumSample (s); }
    // Takes what updateParameters last handed over, as the audio thread would.
    bool takePublished (DspSettings& settings) { return engine.settingsMailbox.take (settings); }
    const DspSettings& appliedSettings() const { return engine.appliedSettings; }

    PluginAudioProcessor& engine;
};

inline bool operator== (const juce::Reverb::Parameters& a, const juce::Reverb::Parameters& b)
{
    return a.roomSize == b.roomSize && a.damping == b.damping && a.wetLevel == b.wetLevel
           && a.dryLevel == b.dryLevel && a.width == b.width && a.freezeMode == b.freezeMode;
}

// The framework's design with the engine's resonance, for comparing with what the engine runs.
inline std::array<float, 6> highPassDesign (double sampleRate, float frequency)
{
    return juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (sampleRate, frequency, std::pow (10.0f, 0.6f));
}

// Sets a parameter as the host would, through its normalised value, on the calling thread.
inline void setParameterValue (PluginAudioProcessor& engine, const char* id, float value)
{
    auto* parameter = PluginAudioProcessorTestAccess (engine).tree().getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}
