#include "EditorTestAccess.h"
#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace juce
{
// The Linux message loop's own pump; the plug-in is built without modal loops, so tests drive the
// queue through it as the host's loop would.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
using spectrum_curve::Levels;

void runMessageLoop (int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;

    while (juce::Time::getMillisecondCounter() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
}

// Counts the editor's requests to repaint itself as a whole. A component hands each repaint of
// its own to its cached image before anything else, so a stand-in cache sees every request at the
// moment it is made, with no window and no waiting for the screen. (A child's repaint reaches the
// editor as a partial one and is not counted.)
struct RepaintCounter : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override
    {
        ++requests;
        return true;
    }
    bool invalidate (const juce::Rectangle<int>&) override { return true; }
    void releaseResources() override {}

    int requests = 0;
};

// An editor as the host shows it, with its repaint requests counted.
struct CountedEditor
{
    explicit CountedEditor (PluginAudioProcessor& engine)
        : editor (openEditor (engine))
        , access (*editor)
    {
        auto owned = std::make_unique<RepaintCounter>();
        counter = owned.get();
        editor->setCachedComponentImage (owned.release());
        editor->setVisible (true); // showing it repaints it once: counted from here on
        shown = counter->requests;
    }

    int repaints() const { return counter->requests - shown; }

    std::unique_ptr<PluginAudioProcessorEditor> editor;
    PluginAudioProcessorEditorTestAccess access;
    RepaintCounter* counter = nullptr;
    int shown = 0;
};

// An editor in a real window on the display, painting for real.
struct WindowedEditor
{
    explicit WindowedEditor (PluginAudioProcessor& engine)
        : editor (openEditor (engine))
        , access (*editor)
    {
        editor->addToDesktop (0);
        editor->setVisible (true);
    }

    std::unique_ptr<PluginAudioProcessorEditor> editor;
    PluginAudioProcessorEditorTestAccess access;
};

bool hasDisplay()
{
    return juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isNotEmpty();
}

#define SKIP_UNLESS_WINDOWS_CAN_OPEN() \
    SKIP_UNLESS_NETWORK_IS_CUT();      \
    if (! hasDisplay())                \
    GTEST_SKIP() << "needs an X display: run under scripts/offline.sh --display"

Levels levelsFrom (std::initializer_list<std::pair<int, float>> values)
{
    Levels levels {};
    for (const auto& [index, value] : values)
        levels[(size_t) index] = value;
    return levels;
}

struct Curve
{
    void paint (const Levels& levels) { spectrum_curve::advance (levels, current, displayed, previous); }
    Levels current {}, displayed {}, previous {};
};
} // namespace

TEST (SpectrumCurve, FollowsTheWorkedExampleOverTwoPaints)
{
    const auto levels = levelsFrom ({ { 1, 0.5f },
                                      { 2, 0.5f },
                                      { 3, 0.5f },
                                      { 4, 0.5f },
                                      { 5, 0.0f },
                                      { 6, 0.8f },
                                      { 7, 0.8f },
                                      { 8, 0.2f } });
    Curve curve;

    curve.paint (levels);
    const float firstCurrent[] = { 0.5f, 0.25f, 0.5f, 0.25f, 0.525f, 0.8f, 0.4f, 0.2f };
    const float firstY[] = { 150.0f, 220.0f, 150.0f, 220.0f, 143.0f, 66.0f, 178.0f, 234.0f };
    for (int i = 1; i <= 8; ++i)
    {
        EXPECT_FLOAT_EQ (curve.current[(size_t) i], firstCurrent[i - 1]) << i;
        EXPECT_EQ (curve.displayed[(size_t) i], curve.current[(size_t) i]) << i;
        EXPECT_FLOAT_EQ (spectrum_curve::yFor (curve.displayed[(size_t) i]), firstY[i - 1]) << i;
    }

    curve.paint (levels);
    const float secondCurrent[] = { 0.5f, 0.4375f, 0.375f, 0.5f, 0.65f, 0.8f, 0.5f, 0.2f };
    const float secondDisplayed[] = { 0.5f, 0.4375f, 0.46875f, 0.5f, 0.65f, 0.8f, 0.5f, 0.2f };
    for (int i = 1; i <= 8; ++i)
    {
        EXPECT_FLOAT_EQ (curve.current[(size_t) i], secondCurrent[i - 1]) << i;
        EXPECT_FLOAT_EQ (curve.displayed[(size_t) i], secondDisplayed[i - 1]) << i;
        EXPECT_EQ (curve.previous[(size_t) i], curve.displayed[(size_t) i]) << i;
    }

    // Index 0 is never written: the curve starts on the baseline.
    EXPECT_EQ (curve.current[0], 0.0f);
    EXPECT_EQ (curve.displayed[0], 0.0f);
}

TEST (SpectrumCurve, DrawsLevelsOutsideTheRangeAsZero)
{
    const auto nan = std::numeric_limits<float>::quiet_NaN();
    Curve curve;
    curve.paint (levelsFrom ({ { 10, -0.5f }, { 20, 1.5f }, { 30, nan }, { 40, 1.0f } }));

    EXPECT_EQ (curve.displayed[10], 0.0f);
    EXPECT_EQ (curve.displayed[20], 0.0f);
    EXPECT_EQ (curve.displayed[30], 0.0f);
    EXPECT_EQ (curve.previous[30], 0.0f);
    EXPECT_TRUE (std::isnan (curve.current[30])); // kept as it came; only the drawing clamps
    EXPECT_EQ (curve.displayed[40], 1.0f);
    EXPECT_EQ (spectrum_curve::yFor (1.0f), 10.0f);
    EXPECT_EQ (spectrum_curve::yFor (0.0f), 290.0f);

    for (int paint = 0; paint < 5; ++paint)
    {
        curve.paint (levelsFrom ({ { 30, nan } }));
        for (auto value : curve.displayed)
            ASSERT_TRUE (value >= 0.0f && value <= 1.0f);
    }
}

TEST (SpectrumCurve, ARunOfEqualLevelsStartsAsACombThatCloses)
{
    Levels run {};
    for (int i = 100; i < 140; ++i)
        run[(size_t) i] = 0.6f;

    Curve curve;
    curve.paint (run);

    // First paint: every second index of the run at half the level.
    for (int i = 101; i < 139; i += 2)
    {
        EXPECT_FLOAT_EQ (curve.displayed[(size_t) i], 0.3f) << i;
        EXPECT_FLOAT_EQ (curve.displayed[(size_t) i - 1], 0.6f) << i;
    }

    auto combDepth = [&]
    {
        float depth = 0.0f;
        for (int i = 102; i < 136; ++i)
            depth = std::max (depth, 0.6f - curve.displayed[(size_t) i]);
        return depth;
    };

    // The following paints close it toward the run's level, to within a few thousandths, where
    // the two smoothing passes settle.
    EXPECT_FLOAT_EQ (combDepth(), 0.3f);
    for (int paint = 1; paint <= 40; ++paint)
    {
        curve.paint (run);
        if (paint >= 12)
        {
            EXPECT_LT (combDepth(), 0.01f) << paint;
        }
    }
}

TEST (SpectrumCurve, SilenceAfterSoundFallsByAQuarterOfTheGapPerPaint)
{
    Curve curve;
    curve.paint (levelsFrom ({ { 200, 0.8f } }));
    EXPECT_FLOAT_EQ (curve.displayed[200], 0.8f);

    const Levels silence {};
    auto expected = 0.8f;
    for (int paint = 0; paint < 6; ++paint)
    {
        curve.paint (silence);
        expected -= 0.25f * expected;
        EXPECT_FLOAT_EQ (curve.displayed[200], expected) << paint;
    }

    // A rise shows at once.
    curve.paint (levelsFrom ({ { 200, 0.9f } }));
    EXPECT_FLOAT_EQ (curve.displayed[200], 0.9f);
}

TEST (SpectrumCurve, PathRunsFromBaselineToBaseline)
{
    Levels displayed {};
    displayed[1] = 1.0f;
    displayed[511] = 0.5f;
    const auto path = spectrum_curve::path (displayed, 34);

    const auto bounds = path.getBounds();
    EXPECT_EQ (bounds.getX(), 34.0f);
    EXPECT_EQ (bounds.getRight(), 546.0f);
    EXPECT_EQ (bounds.getY(), 10.0f);
    EXPECT_EQ (bounds.getBottom(), 290.0f);

    juce::Path::Iterator points (path);
    int count = 0;
    juce::Point<float> first, last;
    while (points.next())
    {
        const juce::Point<float> p (points.x1, points.y1);
        if (count++ == 0)
            first = p;
        last = p;
    }
    EXPECT_EQ (count, 513); // start, 511 points, end
    EXPECT_EQ (first, juce::Point<float> (34.0f, 290.0f));
    EXPECT_EQ (last, juce::Point<float> (546.0f, 290.0f));
}

TEST (Editor, OpensWithoutReapplyingTheParametersAndTakesItsThemeFromTheEngine)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess engineAccess (engine);
    setParameterValue (engine, "backColor", 2.0f);

    const auto editor = openEditor (engine);
    PluginAudioProcessorEditorTestAccess access (*editor);

    DspSettings published;
    EXPECT_FALSE (engineAccess.takePublished (published)) << "opening the window must not call updateParameters";

    EXPECT_EQ (editor->getWidth(), 580);
    EXPECT_EQ (editor->getHeight(), 520);
    EXPECT_FALSE (editor->isResizable());
    EXPECT_EQ (access.layoutOffset(), 80);

    EXPECT_EQ (engine.themeIndex, 3);
    EXPECT_EQ (access.themeSelector().getSelectedId(), 3);
    EXPECT_EQ (access.lookAndFeel().currentBackgroundColour, juce::Colours::brown);
    EXPECT_EQ (access.themeSelector().getItemText (0), "Vibrato Background");
    EXPECT_EQ (access.themeSelector().getItemText (5), "Arpeggio Background");

    // The knobs follow their parameters and show their units in the value pop-up.
    EXPECT_EQ (access.frequency().getValue(), 100.0);
    EXPECT_EQ (access.roomSize().getTextFromValue (42.0), "42.00 ft");
    EXPECT_EQ (access.frequency().getTextFromValue (440.0), "440.00 hz");
    EXPECT_EQ (access.dryWet().getTextFromValue (10.0), "10.00 %");
    EXPECT_EQ (access.roomSize().getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    EXPECT_EQ (access.linkButton().getButtonText(), "www.drelm-audio.example");

    // With the network cut the check fails, and the window names the running version.
    EXPECT_EQ (access.versionText(), "Version 2.5.0 Linux");
}

TEST (Editor, HostChangesMoveTheSelectorAndASecondEditorKeepsTheTheme)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    {
        const auto editor = openEditor (engine);
        PluginAudioProcessorEditorTestAccess access (*editor);

        setParameterValue (engine, "backColor", 4.0f); // the host automates the theme
        EXPECT_EQ (access.themeSelector().getSelectedId(), 5);
        EXPECT_EQ (engine.themeIndex, 5);
        EXPECT_EQ (access.lookAndFeel().currentBackgroundColour, juce::Colours::deeppink);

        access.themeSelector().setSelectedId (6, juce::sendNotificationSync); // the user picks one
        EXPECT_EQ (engine.themeIndex, 6);
        EXPECT_EQ (PluginAudioProcessorTestAccess (engine).raw ("backColor")->load(), 5.0f);
    }

    const auto second = openEditor (engine);
    EXPECT_EQ (PluginAudioProcessorEditorTestAccess (*second).themeSelector().getSelectedId(), 6);
    EXPECT_EQ (engine.themeIndex, 6);
    EXPECT_EQ (PluginAudioProcessorEditorTestAccess (*second).lookAndFeel().currentBackgroundColour,
               juce::Colours::cadetblue);
}

TEST (Editor, TicksRepaintOnlyAfterProcessedBlocksWithARealMessageLoop)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    CountedEditor window (engine);

    // No block processed: the timer ticks, nothing is repainted.
    runMessageLoop (300);
    EXPECT_EQ (window.repaints(), 0);
    EXPECT_EQ (window.access.idleTicks(), 2);

    // A processed block: the next tick repaints and clears the flag.
    engine.blockProcessed = true;
    const auto deadline = juce::Time::getMillisecondCounter() + 2000;
    while (window.repaints() == 0 && juce::Time::getMillisecondCounter() < deadline)
        runMessageLoop (5);
    EXPECT_EQ (window.repaints(), 1);
    EXPECT_FALSE (engine.blockProcessed.load());
}

TEST (Editor, KnobChangesApplyTheParametersAndRepaintOnlyWhenIdle)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess engineAccess (engine);
    CountedEditor window (engine);
    window.editor->stopTimer(); // ticks by hand
    DspSettings published;

    // Just after a processed block the timer does the repainting, not the knob.
    engine.blockProcessed = true;
    window.editor->timerCallback();
    EXPECT_EQ (window.repaints(), 1);
    window.access.roomSize().setValue (70.0, juce::sendNotificationSync);
    EXPECT_EQ (window.repaints(), 1);
    EXPECT_TRUE (engineAccess.takePublished (published));

    // One idle tick is not enough.
    window.editor->timerCallback();
    window.access.roomSize().setValue (60.0, juce::sendNotificationSync);
    EXPECT_EQ (window.repaints(), 1);
    EXPECT_TRUE (engineAccess.takePublished (published));

    // Two idle ticks: the knob repaints the editor itself, every time.
    window.editor->timerCallback();
    EXPECT_EQ (window.repaints(), 1);
    window.access.frequency().setValue (5000.0, juce::sendNotificationSync);
    EXPECT_EQ (window.repaints(), 2);
    EXPECT_TRUE (engineAccess.takePublished (published));
    window.access.damping().setValue (10.0, juce::sendNotificationSync);
    EXPECT_EQ (window.repaints(), 3);

    // The knobs' values reached the tree, and the next preparation applies them.
    prepareEngine (engine, 48000.0, 64);
    EXPECT_EQ (engineAccess.raw ("gain")->load(), 5000.0f);
    EXPECT_EQ (engineAccess.raw ("topValue")->load(), 60.0f);
    EXPECT_EQ (engineAccess.highPassInUse(), highPassDesign (48000.0, 5000.0f));
}

TEST (Editor, ThemeChoiceAndAnalysisRequestNoRepaint)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess engineAccess (engine);
    CountedEditor window (engine);
    window.editor->stopTimer();

    window.access.themeSelector().setSelectedId (4, juce::sendNotificationSync);
    EXPECT_EQ (engine.themeIndex, 4);
    EXPECT_EQ (window.access.lookAndFeel().currentBackgroundColour, juce::Colours::goldenrod);
    EXPECT_EQ (window.repaints(), 0);

    // A frame waits but no block was processed since the last tick (a state save cleared the
    // flag): the tick analyses it and releases the work buffer, without a repaint.
    for (int i = 0; i < spectrum::workBufferSize; ++i)
        engineAccess.fftWorkBuffer()[(size_t) i] =
            i < spectrum::frameSize ? (float) std::sin (juce::MathConstants<double>::twoPi * 81.0 * i / 2048.0)
                                    : 0.0f;
    engine.fftInputReady = true;
    engine.blockProcessed = true;
    juce::MemoryBlock state;
    engine.getStateInformation (state);

    window.editor->timerCallback();
    EXPECT_FALSE (engine.fftInputReady.load());
    EXPECT_GT (engine.spectrumLevels[256], 0.9f);
    EXPECT_EQ (window.repaints(), 0);
}

TEST (Editor, WindowSurvivesAudioOnAnotherThread)
{
    SKIP_UNLESS_WINDOWS_CAN_OPEN();

    PluginAudioProcessor engine;
    prepareEngine (engine, 48000.0, 256);
    std::atomic<bool> running { true };

    std::thread audio (
        [&]
        {
            juce::AudioBuffer<float> block (2, 256);
            juce::MidiBuffer midi;
            juce::Random random (1);
            while (running)
            {
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i < 256; ++i)
                        block.setSample (c, i, random.nextFloat() - 0.5f);
                engine.processBlock (block, midi);
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        });

    for (int opening = 0; opening < 2; ++opening)
    {
        WindowedEditor window (engine);

        // The window ticks, has frames analysed and paints the curve; on a busy machine the first
        // paint can take a while.
        auto drawn = [&]
        {
            const auto& levels = window.access.displayedLevels();
            return std::any_of (levels.begin(), levels.end(), [] (float level) { return level > 0.0f; });
        };
        const auto deadline = juce::Time::getMillisecondCounter() + 10000;
        while (! drawn() && juce::Time::getMillisecondCounter() < deadline)
            runMessageLoop (20);

        EXPECT_TRUE (drawn()) << "the spectrum of the running audio is drawn";
        EXPECT_EQ (window.editor->getWidth(), 580);
    }

    running = false;
    audio.join();
}
