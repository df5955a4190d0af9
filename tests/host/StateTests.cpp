// The component state as a host stores it in a project: the engine's bytes followed by the VST3
// client's trailer, restored into a fresh instance as a host reopens a project.

#include "HostTestSupport.h"

#include <cstring>

namespace
{
const char trailerMagic[] = "JUCEPrivateData";
constexpr size_t trailerMagicSize = sizeof (trailerMagic) - 1;

juce::int64 readInt64 (const juce::MemoryBlock& block, size_t offset)
{
    juce::int64 value = 0;
    std::memcpy (&value, static_cast<const char*> (block.getData()) + offset, sizeof (value));
    return juce::ByteOrder::swapIfBigEndian (value);
}

// The state split along its framing; `valid` is false wherever a length does not fit.
struct ComponentState
{
    explicit ComponentState (const juce::MemoryBlock& bytes)
    {
        if (bytes.getSize() < 8 + 1 + 8 + 8 + trailerMagicSize || std::memcmp (bytes.getData(), "VC2!", 4) != 0)
            return;

        const auto xmlLength = static_cast<size_t> (
            juce::ByteOrder::littleEndianInt (static_cast<const char*> (bytes.getData()) + 4));
        engineSize = 8 + xmlLength + 1;
        const auto end = bytes.getSize();

        if (engineSize + 8 + 8 + trailerMagicSize > end)
            return;

        magic =
            juce::String (static_cast<const char*> (bytes.getData()) + end - trailerMagicSize, trailerMagicSize);
        privateSize = readInt64 (bytes, end - trailerMagicSize - 8);
        separator = readInt64 (bytes, engineSize);
        terminator = static_cast<const char*> (bytes.getData())[engineSize - 1];

        const auto privateStart = engineSize + 8;
        valid = privateSize >= 0 && privateStart + static_cast<size_t> (privateSize) + 8 + trailerMagicSize == end;

        if (valid)
            privateData = juce::ValueTree::readFromData (static_cast<const char*> (bytes.getData()) + privateStart,
                                                         static_cast<size_t> (privateSize));

        engineXml = juce::AudioProcessor::getXmlFromBinary (bytes.getData(), static_cast<int> (engineSize));
    }

    bool valid = false;
    size_t engineSize = 0;
    char terminator = 1;
    juce::int64 separator = -1;
    juce::int64 privateSize = -1;
    juce::String magic;
    juce::ValueTree privateData;
    std::unique_ptr<juce::XmlElement> engineXml;
};

void setEveryParameterAwayFromItsDefault (skyhost::HostedPlugin& plugin)
{
    setValue (plugin, "topValue", "83.5");
    setValue (plugin, "midValue", "12");
    setValue (plugin, "lowValue", "97");
    setValue (plugin, "gain", "1234.56");
    setValue (plugin, "backColor", "Staccato");
}
} // namespace

TEST (HostState, ComponentStateIsTheEngineStateFollowedByTheClientTrailer)
{
    for (const auto bypassed : { false, true })
    {
        SCOPED_TRACE (bypassed ? "bypassed" : "not bypassed");
        const auto plugin = loadPlugin();
        ASSERT_NE (plugin, nullptr);
        setEveryParameterAwayFromItsDefault (*plugin);
        plugin->setBypassed (bypassed);

        const ComponentState state (plugin->getComponentState());
        ASSERT_TRUE (state.valid);

        // The engine's own block: "VC2!", its length, the XML, a zero byte.
        EXPECT_EQ (state.terminator, 0);
        ASSERT_NE (state.engineXml, nullptr);
        EXPECT_TRUE (state.engineXml->hasTagName ("PARAMETERS"));
        EXPECT_EQ (state.engineXml->getNumChildElements(), 5);
        EXPECT_EQ (state.engineXml->getChildByAttribute ("id", "backColor")->getDoubleAttribute ("value"), 3.0);

        // The client's trailer: a 64-bit zero, the private tree, its size, the magic.
        EXPECT_EQ (state.separator, 0);
        EXPECT_EQ (state.magic, trailerMagic);
        EXPECT_TRUE (state.privateData.hasType ("JUCEPrivateData"));
        ASSERT_TRUE (state.privateData.hasProperty ("Bypass"));
        EXPECT_EQ (static_cast<bool> (state.privateData.getProperty ("Bypass")), bypassed);
    }
}

TEST (HostState, EveryParameterSurvivesTheRoundTripIntoAFreshInstance)
{
    for (const auto bypassed : { false, true })
    {
        SCOPED_TRACE (bypassed ? "bypassed" : "not bypassed");
        const auto original = loadPlugin();
        const auto restored = loadPlugin();
        ASSERT_NE (original, nullptr);
        ASSERT_NE (restored, nullptr);

        setEveryParameterAwayFromItsDefault (*original);
        original->setBypassed (bypassed);
        const auto saved = original->getComponentState();

        restored->setComponentState (saved);

        const auto& before = original->getInstance().getParameters();
        const auto& after = restored->getInstance().getParameters();
        ASSERT_EQ (before.size(), 6);
        ASSERT_EQ (after.size(), before.size());

        for (int i = 0; i < before.size(); ++i)
        {
            SCOPED_TRACE (before[i]->getName (64).toStdString());
            EXPECT_EQ (after[i]->getValue(), before[i]->getValue());
            EXPECT_EQ (after[i]->getCurrentValueAsText(), before[i]->getCurrentValueAsText());
        }

        EXPECT_EQ (restored->getInstance().getBypassParameter()->getValue(), bypassed ? 1.0f : 0.0f);

        // The engine behind the restored instance holds the same values, and saves them again.
        EXPECT_EQ (engineValues (*restored), engineValues (*original));
        EXPECT_EQ (restored->getComponentState(), saved);
    }
}

TEST (HostState, AProjectEntryRestoresTheSameWay)
{
    // What a DAW really stores is JUCE's host wrapper around component and controller state.
    const auto original = loadPlugin();
    const auto restored = loadPlugin();
    ASSERT_NE (original, nullptr);
    ASSERT_NE (restored, nullptr);

    setEveryParameterAwayFromItsDefault (*original);
    original->setBypassed (true);
    restored->restoreState (original->saveState());

    EXPECT_EQ (engineValues (*restored), engineValues (*original));
    EXPECT_EQ (restored->getInstance().getBypassParameter()->getValue(), 1.0f);
    EXPECT_EQ (restored->getComponentState(), original->getComponentState());
}

TEST (HostState, StateThatIsNotTheEnginesLeavesEveryParameterAlone)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    setEveryParameterAwayFromItsDefault (*plugin);
    const auto before = engineValues (*plugin);

    juce::MemoryBlock foreign;
    juce::AudioProcessor::copyXmlToBinary (juce::XmlElement ("SOMETHINGELSE"), foreign);
    plugin->setComponentState (foreign);
    EXPECT_EQ (engineValues (*plugin), before);

    plugin->setComponentState (juce::MemoryBlock ("garbage", 7));
    EXPECT_EQ (engineValues (*plugin), before);
}
