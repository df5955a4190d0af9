#include "BackgroundAudio.h"

#include "TestSignal.h"

namespace skyhost
{
BackgroundAudio::BackgroundAudio (HostedPlugin& pluginToRun, double rate, int numChannels, int samplesPerBlock)
    : juce::Thread ("skylorn-host audio")
    , plugin (pluginToRun)
    , sampleRate (rate)
    , blockSize (samplesPerBlock)
    , signal (makeTestSignal (rate, numChannels, 2.0))
{
}

BackgroundAudio::~BackgroundAudio()
{
    stop();
}

void BackgroundAudio::start()
{
    startThread (juce::Thread::Priority::high);
}

void BackgroundAudio::stop()
{
    stopThread (5000);
}

void BackgroundAudio::run()
{
    juce::AudioBuffer<float> block (signal.getNumChannels(), blockSize);
    const auto blockMilliseconds = 1000.0 * blockSize / sampleRate;
    auto position = 0;
    auto next = juce::Time::getMillisecondCounterHiRes();

    while (! threadShouldExit())
    {
        for (int channel = 0; channel < block.getNumChannels(); ++channel)
            for (int i = 0; i < blockSize; ++i)
                block.setSample (channel, i, signal.getSample (channel, (position + i) % signal.getNumSamples()));

        position = (position + blockSize) % signal.getNumSamples();

        plugin.processBlock (block);
        ++blocksProcessed;

        // Real-time pace without drift: each block is due one block's length after the last.
        next += blockMilliseconds;
        const auto wait = next - juce::Time::getMillisecondCounterHiRes();

        if (wait > 0.0)
            juce::Thread::wait (static_cast<int> (wait));
        else
            next = juce::Time::getMillisecondCounterHiRes();
    }
}
} // namespace skyhost
