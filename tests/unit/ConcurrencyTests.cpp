#include "EngineHarness.h"
#include "LatestValueMailbox.h"

#include <gtest/gtest.h>

#include <thread>

// These run in every build and, in CI, under ThreadSanitizer, which fails the run on any data
// race between the two threads.

namespace
{
struct Stamped
{
    long values[16];
};

} // namespace

TEST (Mailbox, HandsOverWholeValuesNewestLast)
{
    LatestValueMailbox<Stamped> mailbox;
    constexpr long count = 200000;

    std::thread producer (
        [&]
        {
            for (long n = 1; n <= count; ++n)
            {
                Stamped s;
                std::fill (std::begin (s.values), std::end (s.values), n);
                mailbox.publish (s);
            }
        });

    long last = 0;
    long torn = 0, backwards = 0;

    while (last < count)
    {
        Stamped s;
        if (! mailbox.take (s))
            continue;

        for (auto v : s.values)
            torn += v != s.values[0] ? 1 : 0;

        backwards += s.values[0] <= last ? 1 : 0;
        last = s.values[0];
    }

    producer.join();
    EXPECT_EQ (torn, 0);
    EXPECT_EQ (backwards, 0);

    Stamped s;
    EXPECT_FALSE (mailbox.take (s)); // nothing new after the last value was taken
}

TEST (Concurrency, BlocksRunWithWholeSettingsWhileTheMessageThreadUpdates)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    prepareEngine (engine, 48000.0, 64);

    std::atomic<bool> running { true };
    long blocks = 0, partial = 0, nonFinite = 0;

    std::thread audio (
        [&]
        {
            juce::AudioBuffer<float> block (2, 64);
            juce::MidiBuffer midi;
            juce::Random random (11);

            for (; blocks < 30000; ++blocks)
            {
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < 64; ++i)
                        block.setSample (c, i, random.nextFloat() - 0.5f);

                engine.processBlock (block, midi);

                // What the block ran with must be one complete design, never parts of two.
                const auto& applied = access.appliedSettings();
                const auto redesigned = designDspSettings (applied.inputs);
                const bool whole = redesigned.highPass == applied.highPass && redesigned.reverb == applied.reverb
                                   && access.reverbInUse() == applied.reverb
                                   && access.highPassInUse() == applied.highPass;
                partial += whole ? 0 : 1;
                nonFinite += allFinite (block) ? 0 : 1;
            }

            running = false;
        });

    for (int i = 0; running.load(); ++i)
    {
        setParameterValue (engine, "topValue", (float) (i % 100));
        setParameterValue (engine, "lowValue", (float) ((i * 7) % 100));
        setParameterValue (engine, "gain", 20.0f + (float) ((i * 131) % 19980));
        setParameterValue (engine, "midValue", (float) ((i * 3) % 101));
        engine.updateParameters();

        if (engine.fftInputReady.load (std::memory_order_acquire))
        {
            engine.drawNextFrameOfSpectrum();
            engine.fftInputReady.store (false, std::memory_order_release);
        }

        if (i % 50 == 0)
        {
            juce::MemoryBlock state;
            engine.getStateInformation (state);
            engine.setStateInformation (state.getData(), (int) state.getSize());
        }
    }

    audio.join();
    EXPECT_EQ (blocks, 30000);
    EXPECT_EQ (partial, 0);
    EXPECT_EQ (nonFinite, 0);
}
