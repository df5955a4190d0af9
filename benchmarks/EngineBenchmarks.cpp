#include "Support.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

juce::AudioBuffer<float> benchmarkInput()
{
    return noise (2, blockSize, 42);
}
} // namespace

// The engine's whole block: dry copy, high-pass, reverb, mix and the spectrum push.
static void processBlockEngine (benchmark::State& state)
{
    PluginAudioProcessor engine;
    prepare (engine, sampleRate, blockSize);
    const auto input = benchmarkInput();
    juce::AudioBuffer<float> block (2, blockSize);
    juce::MidiBuffer midi;

    for (auto _ : state)
    {
        block.makeCopyOf (input, true);
        engine.processBlock (block, midi);
        benchmark::DoNotOptimize (block.getReadPointer (0));
        // The window's timer would take waiting frames; without it they are dropped, which is
        // the cheaper path, so the benchmark releases them as the window does.
        engine.fftInputReady.store (false);
    }

    state.SetItemsProcessed (state.iterations() * blockSize);
}
BENCHMARK (processBlockEngine);

// The same DSP with nothing around it: the reverb, two IIR filters and the mix.
static void processBlockBareDsp (benchmark::State& state)
{
    const auto input = benchmarkInput();
    juce::AudioBuffer<float> block (2, blockSize);
    juce::AudioBuffer<float> dry (2, blockSize);

    juce::Reverb reverb;
    reverb.setSampleRate (sampleRate);
    juce::Reverb::Parameters parameters;
    parameters.wetLevel = 1.0f;
    reverb.setParameters (parameters);

    juce::dsp::IIR::Filter<float> filters[2];
    for (auto& filter : filters)
    {
        *filter.coefficients =
            juce::dsp::IIR::ArrayCoefficients<float>::makeHighPass (sampleRate, 100.0f, std::pow (10.0f, 0.6f));
        filter.reset();
    }

    for (auto _ : state)
    {
        block.makeCopyOf (input, true);
        dry.makeCopyOf (block, true);

        juce::dsp::AudioBlock<float> audio (block);
        for (size_t c = 0; c < 2; ++c)
        {
            auto channel = audio.getSingleChannelBlock (c);
            filters[c].process (juce::dsp::ProcessContextReplacing<float> (channel));
        }

        auto* left = block.getWritePointer (0);
        auto* right = block.getWritePointer (1);
        reverb.processStereo (left, right, blockSize);

        const auto m = 0.5f, k = 0.5f;
        const auto* dryLeft = dry.getReadPointer (0);
        const auto* dryRight = dry.getReadPointer (1);
        for (int i = 0; i < blockSize; ++i)
        {
            left[i] = left[i] * m + dryLeft[i] * k;
            right[i] = right[i] * m + dryRight[i] * k;
        }

        benchmark::DoNotOptimize (left);
    }

    state.SetItemsProcessed (state.iterations() * blockSize);
}
BENCHMARK (processBlockBareDsp);

// One analysis of a waiting frame: window, transform, 512 display levels.
static void drawNextFrameOfSpectrum (benchmark::State& state)
{
    PluginAudioProcessor engine;
    const auto frame = noise (1, spectrum::frameSize, 9);

    for (auto _ : state)
    {
        std::copy (frame.getReadPointer (0), frame.getReadPointer (0) + spectrum::frameSize,
                   PluginAudioProcessorTestAccess::fftWorkBuffer (engine).begin());
        engine.fftInputReady.store (true);
        engine.drawNextFrameOfSpectrum();
        benchmark::DoNotOptimize (engine.spectrumLevels.data());
    }
}
BENCHMARK (drawNextFrameOfSpectrum);

static void stateSave (benchmark::State& state)
{
    PluginAudioProcessor engine;
    juce::MemoryBlock block;

    for (auto _ : state)
    {
        engine.getStateInformation (block);
        benchmark::DoNotOptimize (block.getData());
    }
}
BENCHMARK (stateSave);

static void stateRestore (benchmark::State& state)
{
    PluginAudioProcessor engine;
    juce::MemoryBlock block;
    engine.getStateInformation (block);

    for (auto _ : state)
        engine.setStateInformation (block.getData(), (int) block.getSize());
}
BENCHMARK (stateRestore);
