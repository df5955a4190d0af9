#pragma once

#include "PluginProcessor.h"

// The engine's private members, reached from tests only (the engine befriends this struct).
struct PluginAudioProcessorTestAccess
{
    explicit PluginAudioProcessorTestAccess (PluginAudioProcessor& e) : engine (e) {}

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
    const float* highPassCoefficients() const { return engine.highPassFilter.state->getRawCoefficients(); }
    size_t highPassCoefficientCount() const { return engine.highPassFilter.state->coefficients.size(); }
    int highPassChannels() const { return engine.highPassChannels; }
    std::atomic<float>* raw (const char* id) { return engine.parameterTree.getRawParameterValue (id); }
    void pushSpectrumSample (float s) { engine.pushSpectrumSample (s); }
    // Takes what updateParameters last handed over, as the audio thread would.
    bool takePublished (DspSettings& settings) { return engine.settingsMailbox.take (settings); }
    const DspSettings& appliedSettings() const { return engine.appliedSettings; }

    PluginAudioProcessor& engine;
};

// Sets a parameter as the host would, through its normalised value, on the calling thread.
inline void setParameterValue (PluginAudioProcessor& engine, const char* id, float value)
{
    auto* parameter = PluginAudioProcessorTestAccess (engine).tree().getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}
