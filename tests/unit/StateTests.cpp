#include "TestAccess.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
const char* const ids[] = { "topValue", "midValue", "lowValue", "gain", "backColor" };

std::map<juce::String, float> valuesOf (PluginAudioProcessor& engine)
{
    std::map<juce::String, float> values;
    for (auto* id : ids)
        values[id] = PluginAudioProcessorTestAccess (engine).raw (id)->load();
    return values;
}

void setAll (PluginAudioProcessor& engine, float room, float mix, float damping, float frequency, float theme)
{
    setParameterValue (engine, "topValue", room);
    setParameterValue (engine, "midValue", mix);
    setParameterValue (engine, "lowValue", damping);
    setParameterValue (engine, "gain", frequency);
    setParameterValue (engine, "backColor", theme);
}

juce::MemoryBlock frame (const juce::String& text)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.write ("VC2!", 4);
    out.writeInt ((int) text.getNumBytesAsUTF8());
    out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
    out.writeByte (0);
    return block;
}

void restore (PluginAudioProcessor& engine, const juce::MemoryBlock& block)
{
    engine.setStateInformation (block.getData(), (int) block.getSize());
}

juce::String savedText (PluginAudioProcessor& engine)
{
    juce::MemoryBlock block;
    engine.getStateInformation (block);
    return juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8, (int) block.getSize() - 9);
}

juce::File fixtureDirectory()
{
    return juce::File (SKYLORN_TEST_DATA_DIR).getChildFile ("state");
}

const juce::String declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";
} // namespace

TEST (State, FreshEngineSavesTheExactBytes)
{
    PluginAudioProcessor engine;
    engine.blockProcessed = true;

    juce::MemoryBlock block;
    block.setSize (1000, true); // whatever the block held is replaced, not appended to
    engine.getStateInformation (block);

    const juce::String text = declaration
                              + "<PARAMETERS>"
                                "<PARAM id=\"backColor\" value=\"0.0\"/>"
                                "<PARAM id=\"gain\" value=\"100.0\"/>"
                                "<PARAM id=\"lowValue\" value=\"50.0\"/>"
                                "<PARAM id=\"midValue\" value=\"50.0\"/>"
                                "<PARAM id=\"topValue\" value=\"50.0\"/>"
                                "</PARAMETERS>";

    EXPECT_EQ (block, frame (text));
    const auto* bytes = static_cast<const juce::uint8*> (block.getData());
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    // A save clears the processed-block flag, so the window's next tick counts as idle.
    EXPECT_FALSE (engine.blockProcessed.load());
}

TEST (State, RoundTripsEveryParameter)
{
    PluginAudioProcessor source;
    setAll (source, 12.34f, 80.0f, 0.0f, 5000.0f, 3.0f);
    juce::MemoryBlock block;
    source.getStateInformation (block);

    PluginAudioProcessor target;
    restore (target, block);
    EXPECT_EQ (valuesOf (target), valuesOf (source));
    EXPECT_FLOAT_EQ (valuesOf (target)["topValue"], 12.34f);

    // Restoring the engine's own bytes into itself changes nothing.
    restore (source, block);
    EXPECT_EQ (valuesOf (source), valuesOf (target));
}

TEST (State, InvalidInputLeavesEveryParameterAsItWas)
{
    PluginAudioProcessor engine;
    setAll (engine, 10.0f, 20.0f, 30.0f, 440.0f, 4.0f);
    const auto before = valuesOf (engine);

    PluginAudioProcessor other;
    setAll (other, 90.0f, 90.0f, 90.0f, 9000.0f, 1.0f);
    juce::MemoryBlock valid;
    other.getStateInformation (valid);

    std::vector<std::pair<std::string, juce::MemoryBlock>> cases;

    for (size_t size = 0; size <= 8; ++size)
        cases.emplace_back ("short block of " + std::to_string (size), juce::MemoryBlock (valid.getData(), size));

    auto wrongMagic = valid;
    static_cast<char*> (wrongMagic.getData())[3] = '?';
    cases.emplace_back ("wrong magic", wrongMagic);

    auto zeroLength = valid;
    zeroLength.copyFrom ("\0\0\0\0", 4, 4);
    cases.emplace_back ("zero length", zeroLength);

    auto negativeLength = valid;
    static_cast<juce::uint8*> (negativeLength.getData())[7] = 0x80;
    cases.emplace_back ("length with its top bit set", negativeLength);

    cases.emplace_back ("not XML", frame ("this is not a state"));
    cases.emplace_back ("another root",
                        frame (declaration + "<PRESET><PARAM id=\"gain\" value=\"5.0\"/></PRESET>"));
    cases.emplace_back ("cut inside the root",
                        frame (declaration + "<PARAMETERS><PARAM id=\"gain\" value=\"500.0\"/>"));
    cases.emplace_back ("empty text", frame (""));
    // A value that reads as not a number would silence the audio for good.
    cases.emplace_back ("a value that is not a number",
                        frame (declaration + "<PARAMETERS><PARAM id=\"topValue\" value=\"60.0\"/>"
                               + "<PARAM id=\"gain\" value=\"nan\"/></PARAMETERS>"));
    // Found by fuzzing: two values on one element. The parameter would take the first and the
    // next save write the last, so the state would not come back as it was.
    cases.emplace_back ("a repeated attribute",
                        frame (declaration + "<PARAMETERS><PARAM id=\"backColor\" value=\"1.0\" value=\"5.0\"/>"
                               + "</PARAMETERS>"));

    // Deep enough to exhaust the reader's stack if it were parsed: turned away before parsing.
    cases.emplace_back ("nested far too deep",
                        frame (declaration + "<PARAMETERS>" + juce::String::repeatedString ("<a>", 200000)));

    // Found by fuzzing: the framework's reader loops for ever on a processing instruction followed
    // by text inside an element, which would hang the host.
    cases.emplace_back (
        "an instruction inside the root",
        frame (declaration + "<PARAMETERS><?x?>text<PARAM id=\"gain\" value=\"9.0\"/></PARAMETERS>"));
    // Entities that expand into themselves.
    cases.emplace_back ("a document type",
                        frame (declaration + "<!DOCTYPE PARAMETERS [<!ENTITY a \"<b>&a;</b>\">]>"
                               + "<PARAMETERS>&a;<PARAM id=\"gain\" value=\"9.0\"/></PARAMETERS>"));

    // Found by fuzzing: a multi-byte lead byte without its continuation bytes made the framework's
    // reader run past the end of its buffer.
    juce::MemoryBlock brokenUtf8;
    ASSERT_TRUE (fixtureDirectory().getChildFile ("invalid-utf8.bin").loadFileAsData (brokenUtf8));
    cases.emplace_back ("invalid UTF-8", brokenUtf8);

    for (const auto& [name, block] : cases)
    {
        restore (engine, block);
        EXPECT_EQ (valuesOf (engine), before) << name;
    }

    engine.setStateInformation (nullptr, 100);
    EXPECT_EQ (valuesOf (engine), before);
}

TEST (State, ReadsTheTextUpToTheDataOrItsFirstZeroByte)
{
    PluginAudioProcessor other;
    setAll (other, 70.0f, 60.0f, 40.0f, 2500.0f, 5.0f);
    juce::MemoryBlock valid;
    other.getStateInformation (valid);

    {
        // An announced length beyond the data: the text ends where the data ends.
        auto longer = valid;
        const auto announced = (juce::uint32) valid.getSize() + 1000;
        longer.copyFrom (&announced, 4, 4);
        PluginAudioProcessor engine;
        restore (engine, longer);
        EXPECT_EQ (valuesOf (engine), valuesOf (other));
    }
    {
        // A zero byte right after the root ends the text; what follows is never looked at.
        const auto text = savedText (other);
        auto withTrailer = frame (text + "junk that is not XML");
        static_cast<char*> (withTrailer.getData())[8 + text.getNumBytesAsUTF8()] = 0;
        PluginAudioProcessor engine;
        restore (engine, withTrailer);
        EXPECT_EQ (valuesOf (engine), valuesOf (other));
    }
}

TEST (State, MissingValuesTakeTheirDefaults)
{
    PluginAudioProcessor engine;
    setAll (engine, 10.0f, 20.0f, 30.0f, 440.0f, 4.0f);

    restore (engine, frame (declaration
                            + "<PARAMETERS>"
                              "<PARAM id=\"backColor\" value=\"2.0\"/>"
                              "<PARAM id=\"lowValue\"/>"
                              "<PARAM id=\"midValue\" value=\"75.0\"/>"
                              "<PARAM id=\"topValue\" value=\"25.0\"/>"
                              "<PARAM id=\"unknown\" value=\"1.0\"/>"
                              "</PARAMETERS>"));

    const auto values = valuesOf (engine);
    EXPECT_EQ (values.at ("gain"), 100.0f);    // no element at all
    EXPECT_EQ (values.at ("lowValue"), 50.0f); // an element without a value
    EXPECT_EQ (values.at ("midValue"), 75.0f);
    EXPECT_EQ (values.at ("topValue"), 25.0f);
    EXPECT_EQ (values.at ("backColor"), 2.0f);

    // What the restored tree carried, the unknown element included, is written out again.
    EXPECT_TRUE (savedText (engine).contains ("<PARAM id=\"unknown\" value=\"1.0\"/>"));
}

TEST (State, AcceptsTheRootTagInAnyCaseAndKeepsIt)
{
    PluginAudioProcessor engine;

    restore (engine, frame (declaration + "<parameters><PARAM id=\"gain\" value=\"1234.0\"/></parameters>"));
    EXPECT_EQ (valuesOf (engine).at ("gain"), 1234.0f);
    EXPECT_TRUE (savedText (engine).startsWith (declaration + "<parameters>"));

    // The next restore compares against the kept tag, again ignoring case.
    restore (engine, frame (declaration + "<Parameters><PARAM id=\"gain\" value=\"50.0\"/></Parameters>"));
    EXPECT_EQ (valuesOf (engine).at ("gain"), 50.0f);
    restore (engine, frame (declaration + "<PARAMETER><PARAM id=\"gain\" value=\"60.0\"/></PARAMETER>"));
    EXPECT_EQ (valuesOf (engine).at ("gain"), 50.0f);
}

// Saved states of earlier sessions, committed as files: whatever changes later, they must still
// open with the values they were saved with, and today's engine must save them byte for byte.
// Run with SKYLORN_REGENERATE_FIXTURES=1 to write them anew (only when the format is meant to change).
TEST (State, OpensTheCommittedFixtures)
{
    struct Fixture
    {
        const char* name;
        float room, mix, damping, frequency, theme;
    };

    const Fixture fixtures[] = {
        { "defaults", 50.0f, 50.0f, 50.0f, 100.0f, 0.0f },
        { "cathedral", 95.5f, 72.25f, 12.0f, 180.0f, 2.0f },
        { "extremes-low", 0.0f, 0.0f, 0.0f, 20.0f, 5.0f },
        { "extremes-high", 100.0f, 100.0f, 100.0f, 20000.0f, 3.0f },
    };

    const auto regenerate = juce::SystemStats::getEnvironmentVariable ("SKYLORN_REGENERATE_FIXTURES", {}) == "1";

    for (const auto& fixture : fixtures)
    {
        const auto file = fixtureDirectory().getChildFile (juce::String (fixture.name) + ".state");

        if (regenerate)
        {
            PluginAudioProcessor source;
            setAll (source, fixture.room, fixture.mix, fixture.damping, fixture.frequency, fixture.theme);
            juce::MemoryBlock block;
            source.getStateInformation (block);
            ASSERT_TRUE (file.getParentDirectory().createDirectory());
            ASSERT_TRUE (file.replaceWithData (block.getData(), block.getSize()));
        }

        juce::MemoryBlock stored;
        ASSERT_TRUE (file.loadFileAsData (stored)) << file.getFullPathName();

        PluginAudioProcessor engine;
        setAll (engine, 33.0f, 33.0f, 33.0f, 333.0f, 1.0f);
        restore (engine, stored);

        const auto values = valuesOf (engine);
        EXPECT_FLOAT_EQ (values.at ("topValue"), fixture.room) << fixture.name;
        EXPECT_FLOAT_EQ (values.at ("midValue"), fixture.mix) << fixture.name;
        EXPECT_FLOAT_EQ (values.at ("lowValue"), fixture.damping) << fixture.name;
        EXPECT_FLOAT_EQ (values.at ("gain"), fixture.frequency) << fixture.name;
        EXPECT_FLOAT_EQ (values.at ("backColor"), fixture.theme) << fixture.name;

        juce::MemoryBlock saved;
        engine.getStateInformation (saved);
        EXPECT_EQ (saved, stored) << fixture.name;
    }
}
