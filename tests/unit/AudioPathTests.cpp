#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace
{
juce::AudioProcessor::BusesLayout layoutOf (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (in);
    layout.outputBuses.add (out);
    return layout;
}

float rms (const juce::AudioBuffer<float>& buffer, int channel, int start, int length)
{
    return buffer.getRMSLevel (channel, start, length);
}
} // namespace

TEST (BusLayouts, AcceptOnlyMatchingMonoOrStereo)
{
    PluginAudioProcessor engine;
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto off = juce::AudioChannelSet::disabled();

    EXPECT_TRUE (engine.checkBusesLayoutSupported (layoutOf (mono, mono)));
    EXPECT_TRUE (engine.checkBusesLayoutSupported (layoutOf (stereo, stereo)));

    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (mono, stereo)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (stereo, mono)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (off, mono)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (off, stereo)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (stereo, off)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (layoutOf (off, off)));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (
        layoutOf (juce::AudioChannelSet::discreteChannels (2), juce::AudioChannelSet::discreteChannels (2))));
    EXPECT_FALSE (engine.checkBusesLayoutSupported (
        layoutOf (juce::AudioChannelSet::create5point1(), juce::AudioChannelSet::create5point1())));

    juce::AudioProcessor::BusesLayout noBuses;
    EXPECT_FALSE (engine.isBusesLayoutSupported (noBuses));
}

TEST (Preparation, SizesBuffersAndFiltersForEachActivation)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);

    prepareEngine (engine, 44100.0, 256, true);
    EXPECT_EQ (access.highPassChannels(), 1);
    EXPECT_EQ (access.dryBuffer().getNumChannels(), 2); // two, whatever the layout
    EXPECT_EQ (access.dryBuffer().getNumSamples(), 256);

    prepareEngine (engine, 48000.0, 512, false);
    EXPECT_EQ (access.highPassChannels(), 2);
    EXPECT_EQ (access.dryBuffer().getNumSamples(), 512);
    EXPECT_EQ (access.blockSampleRate(), 48000);

    prepareEngine (engine, 96000.0, 64, true);
    EXPECT_EQ (access.highPassChannels(), 1);
    EXPECT_EQ (access.dryBuffer().getNumChannels(), 2);
    EXPECT_EQ (access.dryBuffer().getNumSamples(), 64);

    // A mono engine given a stereo block filters what it can and does not crash.
    auto stereoBlock = noise (2, 64);
    juce::MidiBuffer midi;
    engine.processBlock (stereoBlock, midi);
    EXPECT_TRUE (allFinite (stereoBlock));
}

TEST (Preparation, DesignsForTheNewRateAtOnceAndAppliesTheParameters)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    setParameterValue (engine, "topValue", 30.0f);
    setParameterValue (engine, "lowValue", 70.0f);
    setParameterValue (engine, "gain", 250.0f);

    prepareEngine (engine, 48000.0, 128);

    ASSERT_EQ (access.highPassCoefficientCount(), 5u);
    EXPECT_EQ (access.highPassInUse(), highPassDesign (48000.0, 250.0f));

    juce::Reverb::Parameters expectedReverb;
    expectedReverb.roomSize = 0.3f;
    expectedReverb.damping = 0.7f;
    expectedReverb.wetLevel = 1.0f;
    EXPECT_TRUE (access.reverbInUse() == expectedReverb);

    EXPECT_EQ (access.roomSizeValue(), 30.0f);
    EXPECT_EQ (access.dampingValue(), 70.0f);
    EXPECT_EQ (access.frequencyValue(), 250.0f);
    EXPECT_EQ (access.dryWetValue(), 50.0f);
}

TEST (Preparation, DesignBeforeAnyPreparationUses44100)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);

    engine.updateParameters();

    DspSettings published;
    ASSERT_TRUE (access.takePublished (published));
    EXPECT_EQ (published.inputs.sampleRate, 44100);
    const auto expected = highPassDesign (44100.0, 100.0f);
    EXPECT_EQ (published.highPass, expected);
    // Just below 1, just above -2, as a 100 Hz high-pass at this rate must be.
    EXPECT_LT (expected[0], 1.0f);
    EXPECT_GT (expected[1], -2.0f);
    EXPECT_GT (expected[4], -2.0f);
    EXPECT_LT (expected[5], 1.0f);

    // The reverb settings as handed over: wet level 1, room size and damping from the parameters,
    // the rest as the framework has them.
    juce::Reverb::Parameters expectedReverb;
    expectedReverb.wetLevel = 1.0f;
    EXPECT_TRUE (access.reverbParameters() == expectedReverb);
    EXPECT_TRUE (published.reverb == expectedReverb);
    EXPECT_FALSE (access.takePublished (published));
}

TEST (Preparation, ReleaseChangesNothing)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    prepareEngine (engine, 44100.0, 128);
    auto block = noise (2, 128);
    juce::MidiBuffer midi;
    engine.processBlock (block, midi);

    const auto coefficientsBefore = access.highPassInUse();
    engine.releaseResources();

    EXPECT_EQ (access.dryBuffer().getNumSamples(), 128);
    EXPECT_EQ (access.highPassChannels(), 2);
    EXPECT_EQ (access.highPassInUse(), coefficientsBefore);

    // The filter and reverb state carry on: a released-then-continued engine sounds exactly like
    // one that was never released.
    PluginAudioProcessor twin;
    prepareEngine (twin, 44100.0, 128);
    auto twinBlock = noise (2, 128);
    twin.processBlock (twinBlock, midi);

    auto next = noise (2, 128, 99);
    auto twinNext = noise (2, 128, 99);
    engine.processBlock (next, midi);
    twin.processBlock (twinNext, midi);
    EXPECT_EQ (firstDifference (next, twinNext), -1);
}

TEST (BlockProcessing, MatchesTheReferenceChainSampleForSample)
{
    const ReferenceChain::Settings sets[] = {
        {},
        { 80.0f, 35.0f, 20.0f, 1500.0f },
        { 10.0f, 100.0f, 90.0f, 20.0f },
        { 100.0f, 0.01f, 0.0f, 8000.0f },
    };

    const auto input = noise (2, 9000);

    for (const auto mono : { false, true })
    {
        for (const auto& settings : sets)
        {
            for (const auto blockSize : { 1, 64, 511, 4096 })
            {
                PluginAudioProcessor engine;
                applySettings (engine, settings);
                prepareEngine (engine, 44100.0, blockSize, mono);

                juce::AudioBuffer<float> source;
                source.makeCopyOf (input);
                if (mono)
                    source.setSize (1, input.getNumSamples(), true);

                const auto actual = processInBlocks (engine, source, blockSize);
                const auto expected = processWithReference (source, 44100.0, settings, blockSize);

                EXPECT_EQ (firstDifference (actual, expected), -1)
                    << "mono " << mono << " block " << blockSize << " room " << settings.roomSize << " mix "
                    << settings.dryWet << " cut-off " << settings.frequency;
            }
        }
    }
}

TEST (BlockProcessing, DryWetExtremes)
{
    const auto input = noise (2, 4096);

    {
        // Fully dry: the unfiltered input comes back exactly.
        PluginAudioProcessor engine;
        setParameterValue (engine, "midValue", 0.0f);
        setParameterValue (engine, "gain", 5000.0f);
        prepareEngine (engine, 44100.0, 512);
        EXPECT_EQ (firstDifference (processInBlocks (engine, input, 512), input), -1);
    }
    {
        // Fully wet: the filtered, reverberated signal alone, which (dry level 0.4 inside the
        // reverb) still carries the filtered input.
        PluginAudioProcessor engine;
        setParameterValue (engine, "midValue", 100.0f);
        prepareEngine (engine, 44100.0, 512);
        ReferenceChain::Settings settings;
        settings.dryWet = 100.0f;
        EXPECT_EQ (firstDifference (processInBlocks (engine, input, 512),
                                    processWithReference (input, 44100.0, settings, 512)),
                   -1);
    }
}

TEST (BlockProcessing, DryPartKeepsTheLowsThatTheFilterRemoves)
{
    const auto input = sine (2, 44100, 50.0, 44100.0);

    PluginAudioProcessor engine;
    setParameterValue (engine, "gain", 15000.0f);
    setParameterValue (engine, "midValue", 50.0f);
    prepareEngine (engine, 44100.0, 512);
    const auto output = processInBlocks (engine, input, 512);

    // Half of the 50 Hz tone survives through the dry share; the wet path adds almost nothing.
    const auto inputLevel = rms (input, 0, 22050, 22050);
    EXPECT_NEAR (rms (output, 0, 22050, 22050) / inputLevel, 0.5f, 0.02f);
}

TEST (BlockProcessing, DryWetChangeTakesEffectAtTheNextBlock)
{
    PluginAudioProcessor engine;
    prepareEngine (engine, 44100.0, 256);
    juce::MidiBuffer midi;

    auto first = noise (2, 256, 5);
    engine.processBlock (first, midi);

    setParameterValue (engine, "midValue", 0.0f);
    auto second = noise (2, 256, 6);
    const auto secondInput = noise (2, 256, 6);
    engine.processBlock (second, midi);
    EXPECT_EQ (firstDifference (second, secondInput), -1);
    EXPECT_EQ (PluginAudioProcessorTestAccess (engine).dryWetValue(), 0.0f);
}

TEST (BlockProcessing, FollowsTheTreeWithoutAnEditor)
{
    // Host automation or a restored state reaches the reverb and the filter at the next block,
    // whether or not anybody calls updateParameters.
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    prepareEngine (engine, 48000.0, 128);
    juce::MidiBuffer midi;

    setParameterValue (engine, "gain", 3000.0f);
    setParameterValue (engine, "topValue", 90.0f);
    auto block = noise (2, 128);
    engine.processBlock (block, midi);

    EXPECT_EQ (access.highPassInUse(), highPassDesign (48000.0, 3000.0f));
    EXPECT_FLOAT_EQ (access.reverbInUse().roomSize, 0.9f);

    // A window's knob reports its change before the tree holds the new value; the stale set it
    // publishes must not win over the tree.
    engine.updateParameters();
    setParameterValue (engine, "gain", 400.0f);
    engine.processBlock (block, midi);
    EXPECT_EQ (access.highPassInUse(), highPassDesign (48000.0, 400.0f));
}

TEST (BlockProcessing, EmptyBlocks)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    prepareEngine (engine, 48000.0, 128);
    juce::MidiBuffer midi;

    engine.blockProcessed = false;
    setParameterValue (engine, "midValue", 20.0f);
    juce::AudioBuffer<float> noChannels (0, 128);
    engine.processBlock (noChannels, midi);
    EXPECT_TRUE (engine.blockProcessed.load());
    EXPECT_EQ (access.dryWetValue(), 50.0f); // nothing else read
    EXPECT_EQ (access.sampleFifoIndex(), 0);

    juce::AudioBuffer<float> noSamples (2, 0);
    engine.processBlock (noSamples, midi);
    EXPECT_EQ (access.dryWetValue(), 20.0f);
    EXPECT_EQ (access.blockSampleRate(), 48000);
    EXPECT_EQ (access.sampleFifoIndex(), 0);
}

TEST (BlockProcessing, OversizedBlocksAreProcessedWhole)
{
    // Hosts do send more than they announced. The result must equal the same audio sent in
    // announced-size blocks.
    const auto input = noise (2, 4 * 256);

    PluginAudioProcessor big, small;
    prepareEngine (big, 44100.0, 256);
    prepareEngine (small, 44100.0, 256);

    const auto oneBlock = processInBlocks (big, input, 4 * 256);
    const auto inPieces = processInBlocks (small, input, 256);
    EXPECT_EQ (firstDifference (oneBlock, inPieces), -1);
}

TEST (BlockProcessing, StaysFiniteAtEveryRateAndCutOff)
{
    for (const auto rate : { 22050.0, 32000.0, 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        for (const auto cutOff : { 20.0f, 1000.0f, 10000.0f, 15999.0f, 16000.0f, 22050.0f, 20000.0f })
        {
            PluginAudioProcessor engine;
            setParameterValue (engine, "gain", cutOff);
            setParameterValue (engine, "midValue", 100.0f);
            prepareEngine (engine, rate, 512);

            const auto output = processInBlocks (engine, noise (2, (int) rate, 7, 1.0f), 512);
            EXPECT_TRUE (allFinite (output)) << rate << " Hz, cut-off " << cutOff;
            EXPECT_LT (output.getMagnitude (0, output.getNumSamples()), 100.0f)
                << rate << " Hz, cut-off " << cutOff;
        }
    }
}

TEST (BlockProcessing, UnpreparedEngineLeavesTheAudioAlone)
{
    PluginAudioProcessor engine;
    auto block = noise (2, 64);
    const auto copy = noise (2, 64);
    juce::MidiBuffer midi;
    engine.processBlock (block, midi);
    EXPECT_EQ (firstDifference (block, copy), -1);
    EXPECT_TRUE (engine.blockProcessed.load());
}
