#include "Support.h"
#include "VersionCheck.h"

#include <benchmark/benchmark.h>

// The window's costs on the message thread. Building the real editor runs its version check, so
// these run only with the network cut (scripts/offline.sh), like the tests.

namespace
{
bool skipUnlessOffline (benchmark::State& state)
{
    if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_OFFLINE", {}) == "1")
        return false;

    state.SkipWithError ("builds the real editor: run under scripts/offline.sh");
    return true;
}

// Display levels as the engine leaves them while noise plays through it: a spectrum that is busy
// at every point and different at every frame.
std::vector<spectrum_curve::Levels> analysedNoise (int frames)
{
    PluginAudioProcessor engine;
    std::vector<spectrum_curve::Levels> result;

    for (int f = 0; f < frames; ++f)
    {
        const auto frame = noise (1, spectrum::frameSize, 100 + f);
        std::copy (frame.getReadPointer (0), frame.getReadPointer (0) + spectrum::frameSize,
                   PluginAudioProcessorTestAccess::fftWorkBuffer (engine).begin());
        engine.fftInputReady.store (true);
        engine.drawNextFrameOfSpectrum();
        result.push_back (engine.spectrumLevels);
    }

    return result;
}

// Every point at an independent random level from 0 to 1: a jagged curve that real audio never
// produces, the worst case for stroking it.
std::vector<spectrum_curve::Levels> randomLevels (int frames)
{
    juce::Random random (5);
    std::vector<spectrum_curve::Levels> result ((size_t) frames);
    for (auto& levels : result)
        for (auto& level : levels)
            level = random.nextFloat();
    return result;
}
} // namespace

// One full paint at 580 x 520, children included, with a spectrum that changes every paint.
static void editorPaint (benchmark::State& state)
{
    if (skipUnlessOffline (state))
        return;

    PluginAudioProcessor engine;
    const std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditor());
    juce::Image image (juce::Image::ARGB, 580, 520, true, juce::SoftwareImageType());
    const auto frames = state.range (0) == 0 ? analysedNoise (32) : randomLevels (32);
    size_t next = 0;

    for (auto _ : state)
    {
        engine.spectrumLevels = frames[next++ % frames.size()];
        juce::Graphics g (image);
        editor->paintEntireComponent (g, true);
    }

    state.SetLabel (state.range (0) == 0 ? "busy spectrum of noise" : "random levels (worst case)");
}
BENCHMARK (editorPaint)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

// One timer tick that finds a waiting frame and has it analysed.
static void editorTickWithAnalysis (benchmark::State& state)
{
    if (skipUnlessOffline (state))
        return;

    PluginAudioProcessor engine;
    const std::unique_ptr<PluginAudioProcessorEditor> editor (
        dynamic_cast<PluginAudioProcessorEditor*> (engine.createEditor()));
    editor->stopTimer();
    const auto frame = noise (1, spectrum::frameSize, 3);

    for (auto _ : state)
    {
        std::copy (frame.getReadPointer (0), frame.getReadPointer (0) + spectrum::frameSize,
                   PluginAudioProcessorTestAccess::fftWorkBuffer (engine).begin());
        engine.fftInputReady.store (true);
        engine.blockProcessed.store (true);
        editor->timerCallback();
    }
}
BENCHMARK (editorTickWithAnalysis)->Unit (benchmark::kMicrosecond);

// Opening the window when the maker's web host does not resolve (no network at all).
static void editorOpenHostUnresolved (benchmark::State& state)
{
    if (skipUnlessOffline (state))
        return;

    PluginAudioProcessor engine;

    for (auto _ : state)
    {
        const std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditor());
        benchmark::DoNotOptimize (editor.get());
    }
}
BENCHMARK (editorOpenHostUnresolved)->Unit (benchmark::kMillisecond)->Iterations (5)->UseRealTime();

// The version check against a web host that takes the connection and never answers: the kernel
// completes the handshake for a listener that never accepts, so the request waits for a reply
// that does not come. This is what opening the window costs on top of the case above.
static void versionCheckHostSilent (benchmark::State& state)
{
    juce::StreamingSocket listener;
    if (! listener.createListener (0, "127.0.0.1"))
    {
        state.SkipWithError ("cannot listen on 127.0.0.1");
        return;
    }

    const juce::URL silent ("http://127.0.0.1:" + juce::String (listener.getBoundPort()) + "/skylorn/version.txt");

    for (auto _ : state)
        benchmark::DoNotOptimize (version_check::fetchRemoteVersion (silent));
}
BENCHMARK (versionCheckHostSilent)->Unit (benchmark::kMillisecond)->Iterations (1)->UseRealTime();
