#include "StateGuard.h"
#include "Support.h"

namespace
{
const char* const ids[] = { "topValue", "midValue", "lowValue", "gain", "backColor" };
const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ";

std::vector<float> values (PluginAudioProcessor& engine)
{
    std::vector<float> result;
    for (auto* id : ids)
        result.push_back (valueOf (engine, id));
    return result;
}

void setAll (PluginAudioProcessor& engine, std::vector<float> v)
{
    for (size_t i = 0; i < v.size(); ++i)
        set (engine, ids[i], v[i]);
}

juce::MemoryBlock frame (const std::string& text)
{
    juce::MemoryBlock block ("VC2!", 4);
    const auto length = juce::ByteOrder::swapIfBigEndian ((juce::uint32) text.size());
    block.append (&length, 4);
    block.append (text.c_str(), text.size() + 1);
    return block;
}

// A state setting "gain" to 500 after `inside`.
juce::MemoryBlock withGain (const std::string& inside, const std::string& root = "PARAMETERS",
                            const char* prolog = "")
{
    return frame (declaration + prolog + "<" + root + ">" + inside + "<PARAM id=\"gain\" value=\"500.0\"/></"
                  + root + ">");
}

void restore (PluginAudioProcessor& engine, const juce::MemoryBlock& block)
{
    engine.setStateInformation (block.getData(), (int) block.getSize());
}

juce::MemoryBlock save (PluginAudioProcessor& engine)
{
    juce::MemoryBlock block (1000, true); // replaced, not appended to
    engine.getStateInformation (block);
    return block;
}
} // namespace

TEST (State, EveryValueItCanHoldComesBack)
{
    PluginAudioProcessor engine, copy;
    // Whatever the parameters hold, the framework writes as a number the engine reads back.
    for (int step = 0; step <= 1000; ++step)
    {
        for (auto* p : engine.getParameters())
            p->setValueNotifyingHost ((float) (step * 7919 % 1001) / 1000.0f);
        restore (copy, save (engine));
        ASSERT_EQ (values (copy), values (engine)) << step;
    }
    for (const auto number : { 0.0, -0.0, 1.0e-7, 1.0e-300, 1.0e300, 123456789.0, -5.5, (double) 12.34f })
        EXPECT_TRUE (state_guard::isPlainDecimal (juce::var (number).toString().toRawUTF8())) << number;
    for (const auto* text : { "", "-", ".", "1e", "1e1234", "1.2.3", " 1", "1 ", "nan", "inf", "0x10", "1e+-2" })
        EXPECT_FALSE (state_guard::isPlainDecimal (text)) << text;

    // A host's typed value reaches the same number reader; one it cannot read safely reads as no number.
    EXPECT_NEAR (parameter (engine, "gain").getValueForText ("632.46 Hz"), 0.5f, 1.0e-4f);
    EXPECT_EQ (parameter (engine, "gain").getValueForText ("1e99999999999"), 0.0f);
}

// Saved states of earlier versions must keep opening with their values and save byte for byte.
// SKYLORN_REGENERATE_FIXTURES=1 writes them anew, only for an intended change of format.
TEST (State, OpensTheCommittedFixtures)
{
    const std::pair<const char*, std::vector<float>> fixtures[] = {
        { "defaults", { 50.0f, 50.0f, 50.0f, 100.0f, 0.0f } },
        { "cathedral", { 95.5f, 72.25f, 12.0f, 180.0f, 2.0f } },
        { "extremes-low", { 0.0f, 0.0f, 0.0f, 20.0f, 5.0f } },
        { "extremes-high", { 100.0f, 100.0f, 100.0f, 20000.0f, 3.0f } }
    };
    for (const auto& [name, expected] : fixtures)
    {
        const auto file =
            juce::File (SKYLORN_TEST_DATA_DIR "/state").getChildFile (juce::String (name) + ".state");
        PluginAudioProcessor engine; // as it is made, it saves exactly the defaults
        if (std::string (name) != "defaults")
            setAll (engine, expected);
        if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_REGENERATE_FIXTURES", {}) == "1")
            file.replaceWithData (save (engine).getData(), save (engine).getSize());
        juce::MemoryBlock stored;
        ASSERT_TRUE (file.loadFileAsData (stored)) << name;
        EXPECT_EQ (save (engine), stored) << name;
        setAll (engine, { 33.0f, 33.0f, 33.0f, 333.0f, 1.0f });
        restore (engine, stored);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR (values (engine)[i], expected[i], 1.0e-3f) << name << " " << ids[i];
        EXPECT_EQ (save (engine), stored) << name;
    }
}

TEST (State, InvalidOrUnsafeInputLeavesEveryParameterAsItWas)
{
    PluginAudioProcessor engine, other;
    setAll (engine, { 10.0f, 20.0f, 30.0f, 440.0f, 4.0f });
    setAll (other, { 90.0f, 90.0f, 90.0f, 9000.0f, 1.0f });
    const auto before = values (engine);
    const auto valid = save (other);
    // What the framework refuses itself, then what it would read to the harm of the host or the sound:
    // a document type, a second instruction or one after other markup, markup beyond the bound, UTF-8 cut
    // short, overlong, a surrogate or beyond U+10FFFF, not a number, a long exponent, a repeated attribute.
    std::vector<juce::MemoryBlock> cases { frame ("not a state"), frame (""), withGain ("", "PRESET"),
                                           withGain ("", "PARAMETERS", "<!DOCTYPE p>"),
                                           withGain (juce::String::repeatedString ("<a/>", 1100).toStdString()) };
    cases.insert (cases.end(), { frame ("<PARAMETERS><?x?><PARAM id=\"gain\" value=\"500.0\"/></PARAMETERS>"),
                                 withGain ("", "PARAMETERS", "<?x?>") });
    for (const auto* inside :
         { "<!-- \xc3 -->", "<!-- \xe0\x80\xad -->", "<!-- \xed\xa0\x80 -->", "<!-- \xf0\x8f\xbf\xbf -->",
           "<!-- \xf4\x90\x80\x80 -->", "<!-- \xf5\x80\x80\x80 -->", "<!-- \xf0\x9f\x8e -->", "<?x?>",
           "<PARAM id=\"topValue\" value=\"nan\"/>", "<PARAM id=\"topValue\" value=\"1e99999999999\"/>",
           "<PARAM id=\"topValue\" value=\"1.0\" value=\"5.0\"/>" })
        cases.push_back (withGain (inside));
    for (auto* reproducer : { "invalid-utf8.bin", "long-exponent.bin", "overlong-utf8.bin" }) // found by fuzzing
        ASSERT_TRUE (juce::File (SKYLORN_TEST_DATA_DIR "/state")
                         .getChildFile (reproducer)
                         .loadFileAsData (cases.emplace_back()));
    for (size_t size = 0; size <= 8; ++size)
        cases.emplace_back (valid.getData(), size);
    for (const auto& [offset, bytes] :
         { std::pair (0, "VC3!"), std::pair (4, "\0\0\0\0"), std::pair (4, "\x10\0\0\x80") })
        cases.emplace_back (valid).copyFrom (bytes, offset, 4); // wrong magic, no length, negative length

    for (size_t i = 0; i < cases.size(); ++i)
    {
        restore (engine, cases[i]);
        EXPECT_EQ (values (engine), before) << "case " << i << ": " << cases[i].toString();
    }
    engine.setStateInformation (nullptr, 100);
    EXPECT_EQ (values (engine), before);
}

TEST (State, ReadsWhatTheFrameworkWouldAndKeepsWhatItDoesNotKnow)
{
    // The text ends with the data or a zero byte; a root in any case is kept (and compared ignoring case);
    // parameters missing or without a value take their defaults; what it does not know, in characters of any
    // length, is kept.
    PluginAudioProcessor engine;
    auto longer = withGain ("", "parameters");
    longer.copyFrom ("\xff\xff", 4, 2);
    longer.setSize (longer.getSize() - 1); // no zero byte after the text either
    restore (engine, longer);
    EXPECT_EQ (valueOf (engine, "gain"), 500.0f);
    setAll (engine, { 10.0f, 20.0f, 30.0f, 440.0f, 4.0f });
    // U+1F3B5, then the edges of what is well-formed: U+10000, U+10FFFF, U+D7FF (before the surrogates), U+0800.
    const std::string note = "\xf0\x9f\x8e\xb5\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\xed\x9f\xbf\xe0\xa0\x80";
    restore (engine, frame (declaration + "<Parameters><PARAM id=\"x\" value=\"1\" note=\"" + note
                            + "\"/><PARAM id=\"lowValue\"/><PARAM id=\"gain\" value=\"600.0\"/></Parameters>"
                            + std::string ("\0\xc3<!x", 5)));
    EXPECT_EQ (values (engine), (std::vector<float> { 50.0f, 50.0f, 50.0f, 600.0f, 0.0f }));
    const auto saved = save (engine);
    const auto text = juce::String::fromUTF8 ((const char*) saved.getData() + 8, (int) saved.getSize() - 9);
    EXPECT_TRUE (text.contains (
        "> <Parameters><PARAM id=\"x\" value=\"1\" note=\"&#127925;&#65536;&#1114111;&#55295;&#2048;\"/>"))
        << text;
}
