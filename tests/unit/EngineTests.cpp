#include "TestAccess.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
juce::RangedAudioParameter& parameter (PluginAudioProcessor& engine, const char* id)
{
    auto* p = PluginAudioProcessorTestAccess (engine).tree().getParameter (id);
    EXPECT_NE (p, nullptr) << id;
    return *p;
}
} // namespace

TEST (Engine, AnswersTheHostsFixedQuestions)
{
    PluginAudioProcessor engine;

    EXPECT_EQ (engine.getName(), "Skylorn");
    EXPECT_EQ (engine.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (engine.acceptsMidi());
    EXPECT_FALSE (engine.producesMidi());
    EXPECT_FALSE (engine.isMidiEffect());
    EXPECT_TRUE (engine.hasEditor());
    EXPECT_FALSE (engine.supportsDoublePrecisionProcessing());

    EXPECT_EQ (engine.getNumPrograms(), 1);
    EXPECT_EQ (engine.getCurrentProgram(), 0);
    engine.setCurrentProgram (3);
    EXPECT_EQ (engine.getCurrentProgram(), 0);
    engine.changeProgramName (0, "Cathedral");
    EXPECT_EQ (engine.getProgramName (0), "");
    EXPECT_EQ (engine.getProgramName (-1), "");
    EXPECT_EQ (engine.getProgramName (7), "");
}

TEST (Engine, DeclaresOneStereoInputAndOutput)
{
    PluginAudioProcessor engine;

    ASSERT_EQ (engine.getBusCount (true), 1);
    ASSERT_EQ (engine.getBusCount (false), 1);

    const auto* input = engine.getBus (true, 0);
    const auto* output = engine.getBus (false, 0);
    EXPECT_EQ (input->getName(), "Input");
    EXPECT_EQ (output->getName(), "Output");
    EXPECT_EQ (input->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (output->getCurrentLayout(), juce::AudioChannelSet::stereo());
    EXPECT_TRUE (input->isEnabled());
    EXPECT_TRUE (output->isEnabled());
}

TEST (Engine, StartsWithTheDeclaredMemberValues)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);

    EXPECT_FALSE (engine.fftInputReady.load());
    EXPECT_FALSE (engine.blockProcessed.load());
    for (auto level : engine.spectrumLevels)
        EXPECT_EQ (level, 0.0f);
    EXPECT_EQ (access.sampleFifoIndex(), 0);
    EXPECT_EQ (access.blockSampleRate(), 44100);
    EXPECT_EQ (engine.themeIndex, 1);
    EXPECT_EQ (engine.editorWidth, 580);
    EXPECT_EQ (engine.editorHeight, 520);
    EXPECT_EQ (engine.titleText, "S k y l o r n");
    EXPECT_EQ (access.dryBuffer().getNumChannels(), 0);
    EXPECT_EQ (access.dryBuffer().getNumSamples(), 0);
    EXPECT_EQ (access.highPassChannels(), 0);

    // The framework's reverb defaults (wet level 0.33), untouched until the parameters are first
    // applied, and an all-zero second-order coefficient set.
    EXPECT_TRUE (access.reverbParameters() == juce::Reverb::Parameters());
    EXPECT_EQ (access.reverbParameters().wetLevel, 0.33f);
    ASSERT_EQ (access.highPassCoefficientCount(), 5u);
    EXPECT_EQ (access.highPassInUse(), (std::array<float, 6> { 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f }));
}

TEST (Engine, HannWindowIsSymmetricWithZeroEndsAndSumsToItsLength)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);

    std::array<float, spectrum::frameSize> table;
    table.fill (1.0f);
    access.window().multiplyWithWindowingTable (table.data(), table.size());

    EXPECT_EQ (table.front(), 0.0f);
    EXPECT_EQ (table.back(), 0.0f);

    double sum = 0.0;
    for (size_t i = 0; i < table.size(); ++i)
    {
        EXPECT_NEAR (table[i], table[table.size() - 1 - i], 1.0e-5f) << i;
        sum += table[i];
    }
    EXPECT_NEAR (sum, 2048.0, 1.0e-2);

    // The peak of a normalised Hann window of this length sits just above 2.
    EXPECT_GT (table[1023], 2.0f);
    EXPECT_LT (table[1023], 2.01f);
    EXPECT_EQ (table[1023], table[1024]);
}

TEST (Parameters, AreTheFiveInTheirFixedOrder)
{
    PluginAudioProcessor engine;
    const auto& parameters = engine.getParameters();

    ASSERT_EQ (parameters.size(), 5);

    const char* ids[] = { "topValue", "midValue", "lowValue", "gain", "backColor" };
    const char* names[] = { "RoomSize", "Dry/Wet", "Damping", "Frequency", "BackColor" };

    for (int i = 0; i < 5; ++i)
    {
        auto* withId = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (withId, nullptr);
        EXPECT_EQ (withId->getParameterID(), ids[i]);
        EXPECT_EQ (withId->getName (100), names[i]);
        EXPECT_EQ (withId->getVersionHint(), 0);
        EXPECT_EQ (withId->getLabel(), "");
        EXPECT_TRUE (withId->isAutomatable());
        EXPECT_FALSE (withId->isMetaParameter());
        EXPECT_EQ (withId->getCategory(), juce::AudioProcessorParameter::genericParameter);
    }

    for (int i = 0; i < 4; ++i)
        EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (parameters[i]), nullptr);

    auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameters[4]);
    ASSERT_NE (choice, nullptr);
    EXPECT_EQ (choice->choices,
               juce::StringArray ({ "Vibrato", "Crescendo", "Rhapsody", "Staccato", "Tremolo", "Arpeggio" }));
    EXPECT_EQ (choice->getIndex(), 0);
}

TEST (Parameters, HaveTheirRangesAndDefaults)
{
    PluginAudioProcessor engine;

    for (auto* id : { "topValue", "midValue", "lowValue" })
    {
        const auto& range = parameter (engine, id).getNormalisableRange();
        EXPECT_EQ (range.start, 0.0f) << id;
        EXPECT_EQ (range.end, 100.0f) << id;
        EXPECT_EQ (range.interval, 0.01f) << id;
        EXPECT_EQ (range.skew, 1.0f) << id;
        EXPECT_FLOAT_EQ (parameter (engine, id).getDefaultValue(), 0.5f) << id;
        EXPECT_EQ (PluginAudioProcessorTestAccess (engine).raw (id)->load(), 50.0f) << id;
    }

    const auto& gain = parameter (engine, "gain").getNormalisableRange();
    EXPECT_EQ (gain.start, 20.0f);
    EXPECT_EQ (gain.end, 20000.0f);
    EXPECT_EQ (gain.interval, 0.01f);
    EXPECT_FALSE (gain.symmetricSkew);
    juce::uint32 skewBits;
    std::memcpy (&skewBits, &gain.skew, sizeof (skewBits));
    EXPECT_EQ (skewBits, 0x3E4BAAD4u);
    EXPECT_NEAR (parameter (engine, "gain").getDefaultValue(), 0.3335f, 5.0e-4f);
    EXPECT_EQ (PluginAudioProcessorTestAccess (engine).raw ("gain")->load(), 100.0f);

    EXPECT_EQ (parameter (engine, "backColor").getDefaultValue(), 0.0f);
    EXPECT_EQ (PluginAudioProcessorTestAccess (engine).raw ("backColor")->load(), 0.0f);
}

// The mapping at its telling points and the theme's rounding table are checked through the bundle,
// as a host sees them; here, what only the engine's own values show.
TEST (Parameters, SetValuesSnapToTheirGridAndStayInRange)
{
    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess access (engine);
    auto& gain = parameter (engine, "gain");

    // Through the normalised form a frequency lands on the 0.01 grid above 20 Hz.
    for (auto x : { 0.1f, 0.25f, 0.5f, 0.75f, 0.9f })
    {
        gain.setValueNotifyingHost (x);
        const auto steps = (access.raw ("gain")->load() - 20.0f) / 0.01f;
        EXPECT_NEAR (steps, std::round (steps), 0.05f) << x;
    }

    EXPECT_EQ (gain.convertFrom0to1 (gain.convertTo0to1 (5.0f)), 20.0f);
    EXPECT_EQ (gain.convertFrom0to1 (gain.convertTo0to1 (30000.0f)), 20000.0f);

    auto& room = parameter (engine, "topValue");
    room.setValueNotifyingHost (0.123456f);
    EXPECT_FLOAT_EQ (access.raw ("topValue")->load(), 12.35f);

    // The theme's value is always a whole index, and the engine never recomputes its theme from
    // it: the next editor brings it in line.
    parameter (engine, "backColor").setValueNotifyingHost (0.5f);
    EXPECT_EQ (access.raw ("backColor")->load(), 2.0f);
    EXPECT_EQ (engine.themeIndex, 1);
}
