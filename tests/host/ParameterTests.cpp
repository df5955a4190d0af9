#include "HostTestSupport.h"

namespace
{
struct Expected
{
    const char* stringId;
    juce::uint32 hostId;
    const char* name;
};

// Saved projects hold automation under these numbers: they must never change.
const Expected published[] = {
    { "topValue", 0x45E46D1C, "RoomSize" },   { "midValue", 0x1CDCA809, "Dry/Wet" },
    { "lowValue", 0x12CCF27D, "Damping" },    { "gain", 0x00304B7F, "Frequency" },
    { "backColor", 0x4E0832BC, "BackColor" }, { "byps", 0x62797073, "Bypass" },
};
} // namespace

TEST (HostParameters, SixParametersInOrderUnderTheirFixedNumbers)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    const auto summary = plugin->describe();

    ASSERT_EQ (summary.parameters.size(), std::size (published));

    for (size_t i = 0; i < summary.parameters.size(); ++i)
    {
        SCOPED_TRACE (published[i].stringId);
        const auto& parameter = summary.parameters[i];
        EXPECT_EQ (parameter.index, static_cast<int> (i));
        EXPECT_EQ (parameter.hostId, published[i].hostId);
        EXPECT_EQ (parameter.name, published[i].name);
        // Only the client's own bypass is flagged as the bypass.
        EXPECT_EQ (parameter.isBypass, i == 5);
        // The host finds each one from its string ID, as `render --set` does.
        EXPECT_EQ (plugin->findParameter (published[i].stringId), plugin->getInstance().getParameters()[(int) i]);
    }
}

TEST (HostParameters, NormalisedDefaults)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    const auto summary = plugin->describe();
    ASSERT_EQ (summary.parameters.size(), 6u);

    EXPECT_FLOAT_EQ (summary.parameters[0].defaultValue, 0.5f);
    EXPECT_FLOAT_EQ (summary.parameters[1].defaultValue, 0.5f);
    EXPECT_FLOAT_EQ (summary.parameters[2].defaultValue, 0.5f);
    // 100 Hz on the skewed 20 Hz to 20 kHz range.
    EXPECT_NEAR (summary.parameters[3].defaultValue, 0.3335f, 0.0005f);
    EXPECT_EQ (summary.parameters[4].defaultValue, 0.0f);
    EXPECT_EQ (summary.parameters[5].defaultValue, 0.0f);

    EXPECT_DOUBLE_EQ (summary.parameters[3].defaultText.getDoubleValue(), 100.0);
    EXPECT_EQ (summary.parameters[4].defaultText, "Vibrato");
}

TEST (HostParameters, FrequencyKnobIsSkewedToTheGeometricMean)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    auto* gain = plugin->findParameter ("gain");
    ASSERT_NE (gain, nullptr);

    // 20 + 19980 x^(1 / 0.198893845), rounded to the 0.01 Hz step: the centre is
    // sqrt (20 x 20000), about 632 Hz.
    const std::pair<float, double> mapping[] = {
        { 0.0f, 20.0 }, { 0.25f, 38.77 }, { 0.5f, 632.46 }, { 0.75f, 4723.57 }, { 1.0f, 20000.0 },
    };

    for (const auto& [normalised, hertz] : mapping)
    {
        SCOPED_TRACE (normalised);
        EXPECT_NEAR (gain->getText (normalised, 64).getDoubleValue(), hertz, 0.02);
        EXPECT_NEAR (gain->getValueForText (juce::String (hertz, 2)), normalised, 1.0e-4);
    }

    // And the engine runs at the value the host set.
    gain->setValue (0.5f);
    EXPECT_NEAR (engineValues (*plugin)["gain"], 632.46f, 0.02f);
}

TEST (HostParameters, ThemeChoiceRoundsToTheNearestIndexHalvesToEven)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    auto* theme = plugin->findParameter ("backColor");
    ASSERT_NE (theme, nullptr);

    const char* const names[] = { "Vibrato", "Crescendo", "Rhapsody", "Staccato", "Tremolo", "Arpeggio" };
    const std::pair<float, int> table[] = {
        { 0.1f, 0 }, { 0.2f, 1 }, { 0.3f, 2 }, { 0.5f, 2 }, { 0.7f, 4 }, { 0.9f, 4 }, { 1.0f, 5 },
    };

    for (const auto& [normalised, index] : table)
    {
        SCOPED_TRACE (normalised);
        EXPECT_EQ (theme->getText (normalised, 64), names[index]);

        theme->setValue (normalised);
        EXPECT_EQ (engineValues (*plugin)["backColor"], static_cast<float> (index));
    }
}

TEST (HostParameters, ValuesTypedInTheirOwnRangeLandThere)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);

    setValue (*plugin, "gain", "5000");
    setValue (*plugin, "topValue", "80");
    setValue (*plugin, "midValue", "12.5");
    setValue (*plugin, "lowValue", "0");
    setValue (*plugin, "backColor", "3");

    auto values = engineValues (*plugin);
    EXPECT_NEAR (values["gain"], 5000.0f, 0.01f);
    EXPECT_NEAR (values["topValue"], 80.0f, 1.0e-4f);
    EXPECT_NEAR (values["midValue"], 12.5f, 1.0e-4f);
    EXPECT_EQ (values["lowValue"], 0.0f);
    EXPECT_EQ (values["backColor"], 3.0f);

    // A choice also takes its name.
    setValue (*plugin, "backColor", "Tremolo");
    EXPECT_EQ (engineValues (*plugin)["backColor"], 4.0f);

    // Out of range, unknown choice, unknown ID: refused, nothing changes.
    juce::String error;
    EXPECT_FALSE (plugin->setParameterValue ("gain", "25000", error));
    EXPECT_FALSE (plugin->setParameterValue ("backColor", "Legato", error));
    EXPECT_FALSE (plugin->setParameterValue ("backColor", "6", error));
    EXPECT_FALSE (plugin->setParameterValue ("volume", "1", error));
    EXPECT_NEAR (engineValues (*plugin)["gain"], 5000.0f, 0.01f);
    EXPECT_EQ (engineValues (*plugin)["backColor"], 4.0f);
}
