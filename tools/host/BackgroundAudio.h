#pragma once

#include "HostedPlugin.h"

#include <atomic>

namespace skyhost
{
// An audio thread, as a DAW runs one while a plug-in's window is open: feeds the built-in test
// signal, looped, through a prepared plug-in block by block at about real-time pace.
class BackgroundAudio final : private juce::Thread
{
public:
    // The plug-in must already be prepared for this rate, channel count and block size.
    BackgroundAudio (HostedPlugin& plugin, double sampleRate, int numChannels, int blockSize);
    ~BackgroundAudio() override;

    void start();
    void stop();

    juce::int64 getBlocksProcessed() const noexcept { return blocksProcessed.load(); }

private:
    void run() override;

    HostedPlugin& plugin;
    const double sampleRate;
    const int blockSize;
    const juce::AudioBuffer<float> signal;
    std::atomic<juce::int64> blocksProcessed { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BackgroundAudio)
};
} // namespace skyhost
