// Everything here goes through the built VST3 bundle, loaded as a DAW loads it.
#include "BackgroundAudio.h"
#include "PluginWindow.h"
#include "ReferenceChain.h"
#include "TestSignal.h"
#include "XDisplay.h"
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivstunits.h>

namespace
{
std::unique_ptr<skyhost::HostedPlugin> loadPlugin()
{
    juce::String error;
    auto plugin = skyhost::HostedPlugin::load (juce::File (SKYLORN_VST3_BUNDLE), error);
    EXPECT_NE (plugin, nullptr) << error;
    return plugin;
}

// As a user types them into the host's fields, in the parameters' order.
void setValues (skyhost::HostedPlugin& plugin, const std::vector<const char*>& values)
{
    const char* const ids[] = { "topValue", "midValue", "lowValue", "gain", "backColor" };
    juce::String error;
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_TRUE (plugin.setParameterValue (ids[i], values[i], error)) << error;
}

// The component itself, for what JUCE's host does not pass on.
struct Vst3Component : juce::ExtensionsVisitor
{
    void visitVST3Client (const VST3Client& client) override { component = client.getIComponentPtr(); }
    Steinberg::Vst::IComponent* component = nullptr;
};
} // namespace

// The module as every VST3 host reads it first: dlopen, ModuleEntry (Linux's bundleEntry), GetPluginFactory;
// ModuleExit it calls before unloading.
TEST (Factory, MakerAndBothClassesThroughTheRawFactory)
{
    using namespace Steinberg;
    const auto libraries = juce::File (SKYLORN_VST3_BUNDLE).findChildFiles (juce::File::findFiles, true, "*.so");
    ASSERT_EQ (libraries.size(), 1);
    auto* library = dlopen (libraries[0].getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE (library, nullptr) << dlerror();
    const auto entry = reinterpret_cast<bool (*) (void*)> (dlsym (library, "ModuleEntry"));
    const auto getFactory = reinterpret_cast<IPluginFactory* (*) ()> (dlsym (library, "GetPluginFactory"));
    ASSERT_TRUE (entry && getFactory && dlsym (library, "ModuleExit") && entry (library));
    auto* factory = getFactory();
    IPluginFactory3* factory3 = nullptr;
    ASSERT_EQ (factory->queryInterface (IPluginFactory3::iid, (void**) &factory3), kResultOk);

    PFactoryInfo info;
    ASSERT_EQ (factory->getFactoryInfo (&info), kResultOk);
    EXPECT_STREQ (info.vendor, "Drelm Audio");
    EXPECT_STREQ (info.url, "https://www.drelm-audio.example");
    EXPECT_STREQ (info.email, "support@drelm-audio.example");
    EXPECT_EQ (info.flags, 16); // unicode

    // Projects find the plug-in by its class IDs: two 32-bit words in hex, then "DRLM" "SKLN".
    const char* const classes[][2] = { { "abcdef019182faebDRLMSKLN", "Audio Module Class" },
                                       { "abcdef011234abcdDRLMSKLN", "Component Controller Class" } };
    const auto text = [] (const auto& s) { return std::string (s, std::find (s, std::end (s), 0)); };
    ASSERT_EQ (factory->countClasses(), 2);
    for (int32 i = 0; i < 2; ++i)
    {
        PClassInfo2 info2;
        PClassInfoW infoW;
        ASSERT_EQ (factory3->getClassInfo2 (i, &info2), kResultOk);
        ASSERT_EQ (factory3->getClassInfoUnicode (i, &infoW), kResultOk);
        const auto check = [&] (const auto& c)
        {
            EXPECT_EQ (juce::String::toHexString (c.cid, 8, 0) + juce::String (c.cid + 8, 8), classes[i][0]);
            EXPECT_EQ (c.cardinality, 0x7FFFFFFF); // many instances
            EXPECT_EQ (text (c.category), classes[i][1]);
            EXPECT_EQ (text (c.name), "Skylorn");
            EXPECT_EQ (c.classFlags, 0u);
            EXPECT_EQ (text (c.subCategories), "Fx|Dynamics");
            EXPECT_EQ (text (c.vendor), "Drelm Audio");
            EXPECT_EQ (text (c.version), "2.5.0");
            EXPECT_EQ (text (c.sdkVersion), "VST 3.7.2");
        };
        check (info2);
        check (infoW);
    }
    factory3->release();
    factory->release();
}

// Saved projects hold automation under these numbers and normalised values.
TEST (HostInstance, ParametersAndBusLayouts)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    const std::tuple<juce::uint32, const char*, float, const char*> published[] = {
        { 0x45E46D1C, "RoomSize", 0.5f, "50.00" },    { 0x1CDCA809, "Dry/Wet", 0.5f, "50.00" },
        { 0x12CCF27D, "Damping", 0.5f, "50.00" },     { 0x00304B7F, "Frequency", 0.33354229f, "100.00" },
        { 0x4E0832BC, "BackColor", 0.0f, "Vibrato" }, { 0x62797073, "Bypass", 0.0f, "Off" }
    };
    const auto summary = plugin->describe();
    const auto& parameters = summary.parameters;
    ASSERT_EQ (parameters.size(), std::size (published));
    for (size_t i = 0; i < parameters.size(); ++i)
    {
        const auto& [hostId, name, normalised, text] = published[i];
        EXPECT_EQ (parameters[i].hostId, hostId) << name;
        EXPECT_EQ (parameters[i].name, name);
        EXPECT_EQ (parameters[i].isBypass, i == 5) << name;
        EXPECT_NEAR (parameters[i].defaultValue, normalised, 1.0e-8) << name;
        EXPECT_EQ (parameters[i].defaultText, text) << name;
    }

    // 20 Hz to 20 kHz on a 0.01 Hz grid, the centre on the geometric mean; the themes a host lists and
    // automates at index / 5. Back from the text within its rounding.
    auto& instance = plugin->getInstance();
    const std::tuple<int, float, const char*> mapping[] = {
        { 3, 0.0f, "20.00" },    { 3, 0.25f, "38.77" },  { 3, 0.5f, "632.46" },    { 3, 0.75f, "4723.57" },
        { 3, 1.0f, "20000.00" }, { 4, 0.0f, "Vibrato" }, { 4, 0.2f, "Crescendo" }, { 4, 0.4f, "Rhapsody" },
        { 4, 0.6f, "Staccato" }, { 4, 0.8f, "Tremolo" }, { 4, 1.0f, "Arpeggio" }
    };
    for (const auto& [index, normalised, text] : mapping)
    {
        EXPECT_EQ (instance.getParameters()[index]->getText (normalised, 64), text);
        EXPECT_NEAR (instance.getParameters()[index]->getValueForText (text), normalised, 2.0e-5) << text;
    }
    // A list of six; automation between two themes lands on the nearest, halves to the even index.
    auto* theme = instance.getParameters()[4];
    EXPECT_EQ (theme->getNumSteps(), 6);
    const std::pair<float, const char*> between[] = {
        { 0.1f, "Vibrato" }, { 0.3f, "Rhapsody" }, { 0.5f, "Rhapsody" }, { 0.9f, "Tremolo" }
    };
    for (const auto& [normalised, name] : between)
        EXPECT_EQ (theme->getText (normalised, 64), name) << normalised;

    // Stereo by default, mono or stereo throughout, but not mono into stereo.
    ASSERT_EQ (summary.inputs.size() + summary.outputs.size(), 2u);
    for (const auto& [bus, name] :
         { std::pair (summary.inputs[0], "Input"), std::pair (summary.outputs[0], "Output") })
        EXPECT_TRUE (bus.name == name && bus.layout == "Stereo" && bus.enabledByDefault) << bus.name;
    EXPECT_TRUE (plugin->setChannelCount (1));
    EXPECT_TRUE (plugin->setChannelCount (2));
    auto layout = instance.getBusesLayout();
    layout.inputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_FALSE (instance.checkBusesLayoutSupported (layout));

    // No tail for the host to play out, no MIDI buses, and one program without a name in the root unit's list.
    plugin->prepare (48000.0, 512);
    EXPECT_EQ (instance.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (instance.acceptsMidi() || instance.producesMidi());
    Vst3Component client;
    instance.getExtensions (client);
    const Steinberg::FUnknownPtr<Steinberg::Vst::IUnitInfo> units (client.component);
    Steinberg::Vst::ProgramListInfo list {};
    Steinberg::Vst::String128 name { 1 };
    ASSERT_TRUE (units && units->getProgramListCount() == 1
                 && units->getProgramListInfo (0, list) == Steinberg::kResultOk && list.programCount == 1);
    EXPECT_TRUE (units->getProgramName (list.id, 0, name) == Steinberg::kResultOk && name[0] == 0);
}

// Sample for sample against the reference chain: order, coefficients, settings, mix and timing all show.
TEST (HostAudio, EqualsTheReferenceChainSampleForSample)
{
    // values: room size, mix, damping and cut-off, as typed into the host.
    const auto check = [] (int rate, const std::vector<const char*>& values, int channels, int block, bool late)
    {
        SCOPED_TRACE (testing::Message() << values[3] << " Hz, " << rate << "/s, " << channels << "ch, " << block);
        // Half a second of the test signal, then silence in which the tail is heard alone.
        auto output = skyhost::makeTestSignal (rate, channels, 1.0);
        const auto n = output.getNumSamples();
        output.clear (n / 2, n - n / 2);
        const auto input = output;

        const auto plugin = loadPlugin();
        ASSERT_TRUE (plugin != nullptr && plugin->setChannelCount (channels));
        if (! late)
            setValues (*plugin, values);
        plugin->prepare (rate, block);
        if (late) // host automation between prepare and the first block is heard at that block
            setValues (*plugin, values);
        plugin->render (output, block);

        // Typed values land on the nearest the parameters take: the reference takes the engine's, from its state.
        const auto state = juce::ValueTree::fromXml ((const char*) plugin->getComponentState().getData() + 8);
        const auto v = [&] (const char* id) { return (float) state.getChildWithProperty ("id", id)["value"]; };
        const auto expected =
            renderReference (input, rate, v ("topValue"), v ("midValue"), v ("lowValue"), v ("gain"), block);

        for (int c = 0; c < channels; ++c)
        {
            const auto* actual = output.getReadPointer (c);
            const auto [differs, reference] = std::mismatch (actual, actual + n, expected.getReadPointer (c));
            EXPECT_EQ (differs, actual + n) << *differs << " at " << differs - actual << " vs " << *reference;
            const auto rms = output.getRMSLevel (c, 0, n);
            EXPECT_TRUE (std::isfinite (rms) && rms > 1.0e-3f) << "RMS " << rms;
            // The comparison means something only if the plug-in reverberates.
            EXPECT_GT (output.getMagnitude (c, n * 4 / 5, n / 5), 1.0e-5f) << "no tail";
        }
    };

    const std::pair<int, std::vector<const char*>> sets[] = { { 44100, { "90", "100", "10", "2500" } },
                                                              { 96000, { "15", "30", "100", "20" } },
                                                              { 48000, { "70", "65", "40", "12000" } } };
    for (const auto& [rate, values] : sets)
        for (const auto channels : { 2, 1 })
            for (const auto blockSize : { 1, 64, 511, 4096 })
                check (rate, values, channels, blockSize, blockSize == 511);

    // Fully wet, a cut-off at or past the limit (past Nyquist at low rates) is neither silent nor NaN.
    const std::pair<int, const char*> cutOffs[] = { { 22050, "20000" }, { 22050, "10800" }, { 32000, "20000" },
                                                    { 32000, "15670" }, { 44100, "20000" }, { 48000, "20000" },
                                                    { 96000, "20000" }, { 192000, "20000" } };
    for (const auto& [rate, frequency] : cutOffs)
        check (rate, { "70", "100", "40", frequency }, 2, 512, false);
}

// The component state as a host stores it, restored into a fresh instance as a host reopens a project.
TEST (HostState, EngineBytesThenClientTrailerRestoredWholeForeignStateIgnored)
{
    for (const auto bypassed : { false, true })
    {
        SCOPED_TRACE (bypassed ? "bypassed" : "active");
        const auto original = loadPlugin();
        ASSERT_NE (original, nullptr);
        setValues (*original, { "83.5", "12", "97", "1234.56", "Staccato" });
        original->setBypassed (bypassed);
        const auto state = original->getComponentState();

        // The engine's own bytes, then the client's trailer with the bypass.
        const auto* bytes = static_cast<const char*> (state.getData());
        EXPECT_EQ (std::string (bytes, 4) + std::string (bytes + state.getSize() - 15, 15), "VC2!JUCEPrivateData");

        // Every parameter and the bypass, through the component state and the whole entry a DAW keeps.
        for (const auto wholeEntry : { false, true })
        {
            const auto restored = loadPlugin();
            ASSERT_NE (restored, nullptr);
            wholeEntry ? restored->restoreState (original->saveState()) : restored->setComponentState (state);
            EXPECT_EQ (restored->getComponentState().toBase64Encoding(), state.toBase64Encoding())
                << (wholeEntry ? "project entry" : "component state");
        }

        // A state with another root, or garbage, leaves every parameter alone.
        juce::MemoryBlock foreign;
        juce::AudioProcessor::copyXmlToBinary (juce::XmlElement ("SOMETHINGELSE"), foreign);
        for (const auto& junk : { foreign, juce::MemoryBlock ("garbage", 7) })
        {
            original->setComponentState (junk);
            EXPECT_EQ (original->getComponentState().toBase64Encoding(), state.toBase64Encoding());
        }
    }
}

// The editor in a real window while an audio thread keeps processing.
TEST (EditorWindow, FixedSizeWhileAudioRunsClosesAndOpensAgain)
{
    // Its version check names the maker's web host: it opens only where scripts/offline.sh cut the network.
    if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_OFFLINE", {}) != "1"
        || ! skyhost::x11::displayAvailable())
        GTEST_SKIP() << "needs an X display and the network cut: run under scripts/offline.sh --display";

    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    plugin->prepare (48000.0, 512);
    skyhost::BackgroundAudio audio (*plugin, 48000.0, 2, 512);
    audio.start();

    for (const auto opening : { 1, 2 })
    {
        SCOPED_TRACE (opening);
        auto window = std::make_unique<skyhost::PluginWindow> (plugin->getInstance());
        auto* editor = window->getEditor();
        ASSERT_NE (editor, nullptr);
        const auto blocksBefore = audio.getBlocksProcessed();
        skyhost::pumpMessages (300);
        EXPECT_GT (audio.getBlocksProcessed() - blocksBefore, 10) << "the audio thread stalled";

        // The view's size as the plug-in reports it and as the X server shows the window.
        EXPECT_EQ (editor->getBounds().toString(), "0 0 580 520");
        EXPECT_EQ (window->capture().getBounds().toString(), "0 0 580 520");

        // Not resizable: when the host makes its side bigger, the plug-in's view keeps its size.
        editor->setSize (800, 600);
        skyhost::pumpMessages (100);
        ASSERT_EQ (editor->getNumChildComponents(), 1);
        EXPECT_EQ (editor->getChildComponent (0)->getBounds().toString(), "0 0 580 520");

        window.reset();
        skyhost::pumpMessages (100);
        EXPECT_EQ (plugin->getInstance().getActiveEditor(), nullptr);
    }
}
