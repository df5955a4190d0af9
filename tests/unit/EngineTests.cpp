#include "Support.h"
#include <set>

namespace
{
bool identical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    auto same = a.getNumChannels() == b.getNumChannels() && a.getNumSamples() == b.getNumSamples();
    for (int c = 0; same && c < a.getNumChannels(); ++c)
        same = std::equal (a.getReadPointer (c), a.getReadPointer (c) + a.getNumSamples(), b.getReadPointer (c));
    return same;
}
} // namespace

TEST (AudioPath, AnyBlockSizeSoundsTheSameAndOddHostsDoNoHarm)
{
    // Prepared for 256 (or for nothing, taken as 1): blocks of 1, 7 and an oversized 1024 must sound
    // like blocks of 256, since hosts do send more than they announce.
    const auto input = noise (2, 3072);
    PluginAudioProcessor reference, mono, unprepared;
    prepare (reference, 44100.0, 256);
    const auto expected = process (reference, input, 256);
    for (const auto& [prepared, block] :
         { std::pair (256, 1), std::pair (256, 7), std::pair (256, 1024), std::pair (0, 64) })
    {
        PluginAudioProcessor engine; // after an earlier activation's rate, layout, block size and filter state
        prepare (engine, 96000.0, 32, 1);
        process (engine, noise (1, 100), 32);
        prepare (engine, 44100.0, prepared);
        EXPECT_TRUE (identical (process (engine, input, block), expected)) << prepared << " / " << block;
    }

    // A channel beyond the prepared filters passes them; empty blocks and an unprepared engine change nothing.
    prepare (mono, 48000.0, 64, 1);
    EXPECT_GT (process (mono, noise (2, 256), 64).getRMSLevel (1, 0, 256), 0.1f);
    process (mono, juce::AudioBuffer<float> (0, 64), 64);
    process (mono, juce::AudioBuffer<float> (2, 0), 64);
    EXPECT_TRUE (identical (process (unprepared, input, 64), input));
    EXPECT_TRUE (unprepared.blockProcessed.load());
    EXPECT_EQ (unprepared.themeIndex, 1);      // the window's theme until one opens: the parameter's, Vibrato
    for (auto* p : unprepared.getParameters()) // hosts may automate all, and show no unit of ours
        EXPECT_TRUE (p->isAutomatable() && p->getLabel().isEmpty()) << p->getName (20);

    // What the client asks of the engine but does not pass on to a VST3 host (the host tests see the rest):
    // no MIDI either way, and one program that neither changes nor takes a name.
    unprepared.setCurrentProgram (3), unprepared.changeProgramName (0, "x");
    EXPECT_FALSE (unprepared.acceptsMidi() || unprepared.producesMidi() || unprepared.isMidiEffect());
    EXPECT_TRUE (unprepared.getCurrentProgram() == 0 && unprepared.getProgramName (0).isEmpty());

    // Only mono or stereo, in as out (the host tests try the mismatches).
    for (const auto& [set, accepted] : { std::pair (juce::AudioChannelSet::mono(), true),
                                         std::pair (juce::AudioChannelSet::create5point1(), false),
                                         std::pair (juce::AudioChannelSet::disabled(), false) })
        EXPECT_EQ (mono.checkBusesLayoutSupported ({ { set }, { set } }), accepted) << set.getDescription();

    // Dry/wet is read at every block, and the dry share is the unfiltered input.
    set (reference, "midValue", 0.0f);
    EXPECT_TRUE (identical (process (reference, input, 256), input));
}

TEST (Spectrum, FramesOfTheMixedOutputAreHandedOverEvery2048SamplesAndAnalysed)
{
    // Fully dry, so the analyser sees the input: a sine between bins 81 (display point 256) and 82 on
    // the left only, whose mean with the silent right is a full-scale sine. Only the window keeps
    // its leakage from reaching far bins.
    PluginAudioProcessor engine;
    set (engine, "midValue", 0.0f);
    prepare (engine, 48000.0, 4096);
    auto sine = noise (2, 2049, 0);
    for (int i = 0; i < 2049; ++i)
        sine.setSample (0, i, 2.0f * (float) std::sin (juce::MathConstants<double>::twoPi * 81.5 * i / 2048.0));
    process (engine, juce::AudioBuffer<float> (sine.getArrayOfWritePointers(), 2, 2048), 4096);
    EXPECT_FALSE (engine.fftInputReady.load());
    process (engine, juce::AudioBuffer<float> (sine.getArrayOfWritePointers(), 2, 2048, 1), 4096);
    ASSERT_TRUE (engine.fftInputReady.load());

    // While it waits, later frames are dropped: the silence that follows is not what gets analysed.
    process (engine, noise (2, 5000, 0), 4096);
    engine.drawNextFrameOfSpectrum();
    EXPECT_NEAR (engine.spectrumLevels[256], 0.9256f, 1.0e-3f);
    EXPECT_EQ (engine.spectrumLevels[128], 0.0f);

    // Mono feeds its one channel: the sine at twice the mean's amplitude, 6 dB up.
    PluginAudioProcessor mono;
    set (mono, "midValue", 0.0f);
    prepare (mono, 48000.0, 4096, 1);
    process (mono, juce::AudioBuffer<float> (sine.getArrayOfWritePointers(), 1, 2049), 4096);
    mono.drawNextFrameOfSpectrum();
    EXPECT_NEAR (mono.spectrumLevels[256], 0.9858f, 1.0e-3f);

    // Released, the next full FIFO is handed over: silence.
    engine.fftInputReady = false;
    process (engine, noise (2, 2048, 0), 4096);
    engine.drawNextFrameOfSpectrum();
    EXPECT_EQ (*std::max_element (engine.spectrumLevels.begin(), engine.spectrumLevels.end()), 0.0f);

    // With no frame waiting, the analysis leaves the display and the audio thread's work buffer alone.
    engine.spectrumLevels.fill (0.5f);
    engine.fftInputReady = false;
    engine.drawNextFrameOfSpectrum();
    EXPECT_EQ (engine.spectrumLevels[256], 0.5f);

    // A block marks the engine busy for the window, a save marks it idle, a preparation clears the display.
    EXPECT_TRUE (engine.blockProcessed.load());
    juce::MemoryBlock state;
    engine.getStateInformation (state);
    EXPECT_FALSE (engine.blockProcessed.load());
    prepare (engine, 44100.0, 64);
    EXPECT_EQ (*std::max_element (engine.spectrumLevels.begin(), engine.spectrumLevels.end()), 0.0f);
}

TEST (Spectrum, PointsReadALogarithmicRunOfBinsAndMagnitudesBecomeLevels)
{
    std::set<int> bins;
    for (int point = 0; point < spectrum::numPoints; ++point)
        bins.insert (spectrum::binForPoint (point));
    EXPECT_EQ (bins.size(), 325u);
    EXPECT_EQ (
        std::vector ({ spectrum::binForPoint (12), spectrum::binForPoint (13), spectrum::binForPoint (511) }),
        std::vector ({ 8, 9, 824 }));
    // The -100 dB floor below 2048 * 10^-5, full scale from 2048 up.
    const std::pair<float, float> levels[] = { { 1.0e9f, 1.0f },      { 2048.0f, 1.0f }, { 2.048f, 0.4f },
                                               { 0.0207f, 0.00092f }, { 0.0202f, 0.0f }, { NAN, 0.0f } };
    for (const auto& [magnitude, level] : levels)
        EXPECT_NEAR (spectrum::levelForMagnitude (magnitude), level, 1.0e-4f) << magnitude;
}
