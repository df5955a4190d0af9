// The audio path through the bundle, sample for sample against a chain built here from the same
// framework classes: dry copy, second-order high-pass on every channel, juce::Reverb, and the
// dry/wet mix. Any change in order, coefficients, reverb settings or mixing shows up as a
// mismatch, however small.

#include "HostTestSupport.h"
#include "ReferenceChain.h"
#include "TestSignal.h"

namespace
{
struct ParameterSet
{
    const char* label;
    double sampleRate;
    const char* roomSize;  // "topValue"
    const char* mix;       // "midValue"
    const char* damping;   // "lowValue"
    const char* frequency; // "gain"
};

const ParameterSet parameterSets[] = {
    { "defaults", 48000.0, "50", "50", "50", "100" },
    { "big dark room, all wet", 44100.0, "90", "100", "10", "2500" },
    { "small bright room at 96 kHz", 96000.0, "15", "30", "100", "20" },
    // The cut-off far below Nyquist on this rate, and below it on every supported one.
    { "high cut-off", 48000.0, "70", "65", "40", "12000" },
};

constexpr int blockSizes[] = { 1, 64, 511, 4096 };

// The first sample where two renderings part, or -1 if they are identical.
juce::String firstDifference (const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected)
{
    for (int channel = 0; channel < expected.getNumChannels(); ++channel)
        for (int i = 0; i < expected.getNumSamples(); ++i)
            if (actual.getSample (channel, i) != expected.getSample (channel, i))
                return "channel " + juce::String (channel) + ", sample " + juce::String (i) + ": plug-in "
                       + juce::String (actual.getSample (channel, i), 9) + ", reference "
                       + juce::String (expected.getSample (channel, i), 9);

    return {};
}

class ThroughTheBundle : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

TEST_P (ThroughTheBundle, PluginOutputEqualsTheReferenceSampleForSample)
{
    const auto& set = parameterSets[std::get<0> (GetParam())];
    const auto numChannels = std::get<1> (GetParam());

    // Two seconds: the bursts, then the reverb's tail on its own.
    const auto input = skyhost::makeTestSignal (set.sampleRate, numChannels, 2.0);

    for (const auto blockSize : blockSizes)
    {
        SCOPED_TRACE ("block size " + std::to_string (blockSize));

        const auto plugin = loadPlugin();
        ASSERT_NE (plugin, nullptr);
        ASSERT_TRUE (plugin->setChannelCount (numChannels));

        setValue (*plugin, "topValue", set.roomSize);
        setValue (*plugin, "midValue", set.mix);
        setValue (*plugin, "lowValue", set.damping);
        setValue (*plugin, "gain", set.frequency);
        plugin->prepare (set.sampleRate, blockSize);

        // The exact floats the engine holds: a typed value lands on the nearest value the
        // parameter can take, not necessarily on the typed number.
        auto values = engineValues (*plugin);
        const ReferenceChain::Settings settings { values["topValue"], values["midValue"], values["lowValue"],
                                                  values["gain"] };
        ASSERT_NEAR (settings.frequency, juce::String (set.frequency).getFloatValue(), 0.01f);

        auto output = input;
        plugin->render (output, blockSize);
        const auto expected = processWithReference (input, set.sampleRate, settings, blockSize);

        EXPECT_EQ (firstDifference (output, expected), juce::String());

        // The comparison means something only if the plug-in did reverberate: sound remains
        // after the input has gone quiet (unless it is all dry).
        const auto tail = output.getMagnitude (0, static_cast<int> (1.7 * set.sampleRate),
                                               static_cast<int> (0.1 * set.sampleRate));
        EXPECT_GT (tail, 1.0e-5f);
    }
}

INSTANTIATE_TEST_SUITE_P (HostReference, ThroughTheBundle,
                          ::testing::Combine (::testing::Range (0, (int) std::size (parameterSets)),
                                              ::testing::Values (2, 1)),
                          [] (const auto& testInfo)
                          {
                              return juce::String (parameterSets[std::get<0> (testInfo.param)].label)
                                         .retainCharacters (
                                             "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ")
                                         .replaceCharacter (' ', '_')
                                         .toStdString()
                                     + (std::get<1> (testInfo.param) == 2 ? "_stereo" : "_mono");
                          });
} // namespace
