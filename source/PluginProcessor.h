#pragma once

#include "DspSettings.h"
#include "LatestValueMailbox.h"
#include "SpectrumMapping.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <string>

struct PluginAudioProcessorTestAccess;

// The audio engine: one per plug-in instance. Owns the parameter tree, the per-block chain (dry
// copy, high-pass, reverb, dry/wet mix), the spectrum frames handed to the editor, and the saved
// state. The editor reads and writes the public members directly.
class PluginAudioProcessor : public juce::AudioProcessor, public juce::AudioProcessorValueTreeState::Listener
{
public:
    PluginAudioProcessor();
    ~PluginAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    void parameterChanged (const juce::String& parameterID, float newValue) override;

    // Recomputes the reverb settings and the high-pass design from the parameters and hands them
    // to the audio thread, which adopts them whole at its next block. Message thread.
    void updateParameters();

    // Windows and transforms the frame waiting in fftWorkBuffer into spectrumLevels. Message
    // thread, only while fftInputReady is set; the caller clears the flag afterwards.
    void drawNextFrameOfSpectrum();

    //==============================================================================
    std::atomic<bool> fftInputReady { false };
    std::array<float, spectrum::numPoints> spectrumLevels {};

private:
    juce::AudioProcessorValueTreeState parameterTree;
    juce::AudioBuffer<float> dryBuffer;
    juce::dsp::FFT spectrumFft { spectrum::fftOrder };
    juce::dsp::WindowingFunction<float> spectrumWindow { (size_t) spectrum::frameSize,
                                                         juce::dsp::WindowingFunction<float>::hann, true };
    std::array<float, spectrum::frameSize> sampleFifo {};
    std::array<float, spectrum::workBufferSize> fftWorkBuffer {};
    int sampleFifoIndex = 0;
    juce::Reverb reverb;
    juce::Reverb::Parameters reverbParameters;
    std::atomic<float>* rawRoomSize = nullptr;
    std::atomic<float>* rawDryWet = nullptr;
    std::atomic<float>* rawDamping = nullptr;
    std::atomic<float>* rawFrequency = nullptr;
    std::atomic<float>* rawBackColor = nullptr;
    juce::dsp::ProcessorDuplicator<juce::dsp::IIR::Filter<float>, juce::dsp::IIR::Coefficients<float>>
        highPassFilter;

public:
    const std::string titleText { "S k y l o r n" };

private:
    std::atomic<float> roomSizeValue { 0.0f };
    std::atomic<float> dryWetValue { 0.0f };
    std::atomic<float> dampingValue { 0.0f };
    std::atomic<float> frequencyValue { 0.0f };
    std::atomic<int> blockSampleRate { 44100 };

public:
    int themeIndex = 1;
    std::atomic<bool> blockProcessed { false };
    const int editorWidth = 580;
    const int editorHeight = 520;

private:
    friend struct PluginAudioProcessorTestAccess;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    void pushSpectrumSample (float sample) noexcept;
    void adoptDspSettings (int sampleRate) noexcept;
    void applyDspSettings (const DspSettings& settings) noexcept;
    void processSection (juce::AudioBuffer<float>& buffer, int startSample, int numSamples, float wet,
                         float dry) noexcept;

    // The hand-over of complete settings from updateParameters to the audio thread, and the set
    // the audio thread is running with (audio thread only, and prepareToPlay while no block runs).
    LatestValueMailbox<DspSettings> settingsMailbox;
    DspSettings appliedSettings;
    int preparedBlockSize = 0;
    int highPassChannels = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginAudioProcessor)
};
