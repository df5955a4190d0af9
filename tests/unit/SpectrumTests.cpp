#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
void push (PluginAudioProcessorTestAccess& access, int count, float& counter)
{
    for (int i = 0; i < count; ++i)
        access.pushSpectrumSample (counter += 1.0f);
}

void tick (PluginAudioProcessor& engine)
{
    if (engine.fftInputReady.load (std::memory_order_acquire))
    {
        engine.drawNextFrameOfSpectrum();
        engine.fftInputReady.store (false, std::memory_order_release);
    }
}

// Puts a frame into the work buffer as the audio thread's hand-over would, then analyses it.
void analyse (PluginAudioProcessor& engine, const std::function<float (int)>& sample)
{
    PluginAudioProcessorTestAccess access (engine);
    for (int i = 0; i < spectrum::workBufferSize; ++i)
        access.fftWorkBuffer()[(size_t) i] = i < spectrum::frameSize ? sample (i) : 0.0f;
    engine.fftInputReady.store (true);
    tick (engine);
}
} // namespace

TEST (SpectrumHandOver, FramesAreHandedOverEvery2048SamplesAndDroppedWhileOneWaits)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    float counter = 0.0f;

    push (access, 2048, counter);
    EXPECT_FALSE (engine.fftInputReady.load());
    EXPECT_EQ (access.sampleFifoIndex(), 2048);

    // The 2049th sample hands over samples 1 to 2048, oldest first, and starts the next frame.
    push (access, 1, counter);
    ASSERT_TRUE (engine.fftInputReady.load());
    EXPECT_EQ (access.sampleFifoIndex(), 1);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ (access.fftWorkBuffer()[(size_t) i], (float) (i + 1)) << i;
    for (int i = 2048; i < 4096; ++i)
        ASSERT_EQ (access.fftWorkBuffer()[(size_t) i], 0.0f) << i;

    // No editor looks: the next full FIFO is dropped and the waiting frame stays as it was.
    const auto waiting = access.fftWorkBuffer();
    push (access, 2048, counter);
    EXPECT_TRUE (engine.fftInputReady.load());
    EXPECT_EQ (access.sampleFifoIndex(), 1);
    EXPECT_EQ (access.fftWorkBuffer(), waiting);

    // A preparation clears the display but keeps the waiting frame and the FIFO's position.
    engine.spectrumLevels.fill (0.5f);
    prepareEngine (engine, 48000.0, 64);
    for (auto level : engine.spectrumLevels)
        ASSERT_EQ (level, 0.0f);
    EXPECT_TRUE (engine.fftInputReady.load());
    EXPECT_EQ (access.sampleFifoIndex(), 1);
    EXPECT_EQ (access.fftWorkBuffer(), waiting);

    // Once analysed, the next hand-over point (2048 samples after the last) delivers a new frame.
    tick (engine);
    EXPECT_FALSE (engine.fftInputReady.load());
    push (access, 2047, counter);
    EXPECT_FALSE (engine.fftInputReady.load());
    push (access, 1, counter);
    ASSERT_TRUE (engine.fftInputReady.load());
    EXPECT_EQ (access.fftWorkBuffer()[0], counter - 2048.0f);
    EXPECT_EQ (access.fftWorkBuffer()[2047], counter - 1.0f);
}

TEST (SpectrumHandOver, ReceivesTheMixedOutputOncePerSampleFrame)
{
    juce::MidiBuffer midi;

    {
        // Fully dry, so the output is the input: the analyser gets the mean of left and right.
        PluginAudioProcessor engine;
        PluginAudioProcessorTestAccess access (engine);
        setParameterValue (engine, "midValue", 0.0f);
        prepareEngine (engine, 44100.0, 2049);
        juce::AudioBuffer<float> block (2, 2049);
        for (int i = 0; i < 2049; ++i)
        {
            block.setSample (0, i, (float) i);
            block.setSample (1, i, (float) (3 * i));
        }
        engine.processBlock (block, midi);
        ASSERT_TRUE (engine.fftInputReady.load());
        EXPECT_EQ (access.fftWorkBuffer()[10], 20.0f);
        EXPECT_EQ (access.fftWorkBuffer()[2047], 2.0f * 2047.0f);
    }
    {
        PluginAudioProcessor engine;
        PluginAudioProcessorTestAccess access (engine);
        setParameterValue (engine, "midValue", 0.0f);
        prepareEngine (engine, 44100.0, 100, true);
        juce::AudioBuffer<float> block (1, 100);
        for (int i = 0; i < 100; ++i)
            block.setSample (0, i, (float) i);
        engine.processBlock (block, midi);
        EXPECT_EQ (access.sampleFifoIndex(), 100);
        EXPECT_EQ (access.sampleFifo()[42], 42.0f);

        juce::AudioBuffer<float> empty (1, 0), channelless (0, 100);
        engine.processBlock (empty, midi);
        engine.processBlock (channelless, midi);
        EXPECT_EQ (access.sampleFifoIndex(), 100);
    }
}

TEST (SpectrumMapping, PointsReadALogarithmicRunOfBins)
{
    for (int point = 0; point <= 12; ++point)
        EXPECT_EQ (spectrum::binForPoint (point), 8) << point;

    EXPECT_EQ (spectrum::binForPoint (13), 9);
    EXPECT_EQ (spectrum::binForPoint (128), 25);
    EXPECT_EQ (spectrum::binForPoint (256), 81);
    EXPECT_EQ (spectrum::binForPoint (384), 260);
    EXPECT_EQ (spectrum::binForPoint (448), 465);
    EXPECT_EQ (spectrum::binForPoint (511), 824);

    std::set<int> distinct;
    int previous = 0;
    for (int point = 0; point < spectrum::numPoints; ++point)
    {
        const auto bin = spectrum::binForPoint (point);
        EXPECT_GE (bin, previous) << point;
        previous = bin;
        distinct.insert (bin);
    }
    EXPECT_EQ (distinct.size(), 325u);
}

TEST (SpectrumMapping, MagnitudesBecomeLevelsBetweenTheThresholds)
{
    EXPECT_EQ (spectrum::levelForMagnitude (2048.0f), 1.0f);
    EXPECT_EQ (spectrum::levelForMagnitude (1.0e9f), 1.0f);
    EXPECT_EQ (spectrum::levelForMagnitude (std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_NEAR (spectrum::levelForMagnitude (1024.0f), 1.0f + std::log10 (0.5f) / 5.0f, 1.0e-5f);
    EXPECT_NEAR (spectrum::levelForMagnitude (2.048f), 0.4f, 1.0e-4f);

    EXPECT_EQ (spectrum::levelForMagnitude (2048.0e-5f * 0.99f), 0.0f);
    EXPECT_LT (spectrum::levelForMagnitude (2048.0e-5f * 1.01f), 1.0e-3f);
    EXPECT_GT (spectrum::levelForMagnitude (2048.0e-5f * 1.01f), 0.0f);

    EXPECT_EQ (spectrum::levelForMagnitude (0.0f), 0.0f);
    EXPECT_EQ (spectrum::levelForMagnitude (-5.0f), 0.0f);
    EXPECT_EQ (spectrum::levelForMagnitude (std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST (SpectrumAnalysis, TurnsFramesIntoDisplayLevels)
{
    PluginAudioProcessor engine;

    analyse (engine, [] (int) { return 0.0f; });
    for (auto level : engine.spectrumLevels)
        ASSERT_EQ (level, 0.0f);

    // A sine centred on bin 81, point 256's bin: the normalised window leaves a magnitude of
    // half the frame length for a full-scale sine, and twice that amplitude reaches the top.
    for (const auto& [amplitude, expected] :
         { std::pair { 1.0f, 1.0f + std::log10 (0.5f) / 5.0f }, std::pair { 2.0f, 1.0f } })
    {
        analyse (engine,
                 [amplitude = amplitude] (int i) {
                     return amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * 81.0 * i / 2048.0);
                 });
        EXPECT_NEAR (engine.spectrumLevels[256], expected, 1.0e-3f) << amplitude;
        EXPECT_EQ (engine.spectrumLevels[128], 0.0f); // bin 25: nothing there
        for (auto level : engine.spectrumLevels)
        {
            EXPECT_GE (level, 0.0f);
            EXPECT_LE (level, 1.0f);
        }
    }

    // Not-a-number audio never produces a level outside 0 to 1.
    analyse (engine, [] (int) { return std::numeric_limits<float>::quiet_NaN(); });
    for (auto level : engine.spectrumLevels)
        ASSERT_EQ (level, 0.0f);
}

TEST (SpectrumAnalysis, LeavesTheWorkBufferAloneWhileNoFrameWaits)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    access.fftWorkBuffer().fill (1.0f);
    engine.spectrumLevels.fill (0.25f);

    engine.drawNextFrameOfSpectrum();

    EXPECT_EQ (access.fftWorkBuffer()[100], 1.0f);
    EXPECT_EQ (engine.spectrumLevels[100], 0.25f);
}
