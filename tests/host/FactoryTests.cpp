// The bundle's module read the way every VST3 host reads it before creating anything: loaded
// with dlopen, entered through ModuleEntry (Linux's counterpart of macOS's bundleEntry), and
// asked for its factory through the SDK's own interfaces.

#include "HostTestSupport.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include <pluginterfaces/base/ipluginbase.h>
#pragma GCC diagnostic pop

#include <dlfcn.h>

#include <array>
#include <cstring>

namespace
{
using ModuleEntryFunction = bool (*) (void*);
using ModuleExitFunction = bool (*)();
using GetFactoryFunction = Steinberg::IPluginFactory* (*) ();

// The module as a host holds it: open, entered, its factory taken; all undone in reverse.
class BundleModule
{
public:
    explicit BundleModule (const juce::File& bundle)
    {
        // Contents/<architecture>-linux/<name>.so
        const auto libraries =
            bundle.getChildFile ("Contents").findChildFiles (juce::File::findFiles, true, "*.so");

        if (libraries.size() != 1)
            return;

        handle = dlopen (libraries.getFirst().getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

        if (handle == nullptr)
            return;

        entry = reinterpret_cast<ModuleEntryFunction> (dlsym (handle, "ModuleEntry"));
        exit = reinterpret_cast<ModuleExitFunction> (dlsym (handle, "ModuleExit"));
        getFactory = reinterpret_cast<GetFactoryFunction> (dlsym (handle, "GetPluginFactory"));

        if (entry != nullptr)
            entered = entry (handle);

        if (getFactory != nullptr)
            factory = getFactory();
    }

    ~BundleModule()
    {
        if (factory != nullptr)
            factory->release();

        if (entered && exit != nullptr)
            exit();

        if (handle != nullptr)
            dlclose (handle);
    }

    void* handle = nullptr;
    ModuleEntryFunction entry = nullptr;
    ModuleExitFunction exit = nullptr;
    GetFactoryFunction getFactory = nullptr;
    bool entered = false;
    Steinberg::IPluginFactory* factory = nullptr;

    JUCE_DECLARE_NON_COPYABLE (BundleModule)
};

template <typename Interface>
Interface* query (Steinberg::FUnknown& object)
{
    void* result = nullptr;

    if (object.queryInterface (Interface::iid, &result) != Steinberg::kResultOk)
        return nullptr;

    return static_cast<Interface*> (result);
}

juce::String fromUtf16 (const Steinberg::char16* text)
{
    return juce::String (
        juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (text)));
}

std::array<unsigned char, 16> bytesOf (const Steinberg::TUID cid)
{
    std::array<unsigned char, 16> bytes {};
    std::memcpy (bytes.data(), cid, bytes.size());
    return bytes;
}

// Four 32-bit words, most significant byte first; the last two are "DRLM" and "SKLN".
constexpr std::array<unsigned char, 16> componentId { 0xAB, 0xCD, 0xEF, 0x01, 0x91, 0x82, 0xFA, 0xEB,
                                                      'D',  'R',  'L',  'M',  'S',  'K',  'L',  'N' };
constexpr std::array<unsigned char, 16> controllerId { 0xAB, 0xCD, 0xEF, 0x01, 0x12, 0x34, 0xAB, 0xCD,
                                                       'D',  'R',  'L',  'M',  'S',  'K',  'L',  'N' };

struct ExpectedClass
{
    const std::array<unsigned char, 16>& cid;
    const char* category;
};

const ExpectedClass expectedClasses[] = { { componentId, "Audio Module Class" },
                                          { controllerId, "Component Controller Class" } };
} // namespace

TEST (Factory, ModuleExportsTheLinuxEntryPoints)
{
    const BundleModule module (bundleUnderTest());
    ASSERT_NE (module.handle, nullptr) << dlerror();

    EXPECT_NE (module.getFactory, nullptr);
    EXPECT_NE (module.entry, nullptr);
    EXPECT_NE (module.exit, nullptr);
    EXPECT_TRUE (module.entered);
    EXPECT_NE (module.factory, nullptr);
}

TEST (Factory, FactoryInfoNamesTheMaker)
{
    const BundleModule module (bundleUnderTest());
    ASSERT_NE (module.factory, nullptr);

    Steinberg::PFactoryInfo info;
    ASSERT_EQ (module.factory->getFactoryInfo (&info), Steinberg::kResultOk);

    EXPECT_STREQ (info.vendor, "Drelm Audio");
    EXPECT_STREQ (info.url, "https://www.drelm-audio.example");
    EXPECT_STREQ (info.email, "support@drelm-audio.example");
    EXPECT_EQ (info.flags, Steinberg::PFactoryInfo::kUnicode);
    EXPECT_EQ (info.flags, 16);
}

TEST (Factory, TwoClassesInOrderThroughEveryFactoryVersion)
{
    const BundleModule module (bundleUnderTest());
    ASSERT_NE (module.factory, nullptr);
    auto& factory = *module.factory;

    auto* factory2 = query<Steinberg::IPluginFactory2> (factory);
    auto* factory3 = query<Steinberg::IPluginFactory3> (factory);
    ASSERT_NE (factory2, nullptr);
    ASSERT_NE (factory3, nullptr);

    ASSERT_EQ (factory.countClasses(), 2);

    for (Steinberg::int32 i = 0; i < 2; ++i)
    {
        SCOPED_TRACE (i);
        const auto& expected = expectedClasses[i];

        Steinberg::PClassInfo info;
        ASSERT_EQ (factory.getClassInfo (i, &info), Steinberg::kResultOk);
        EXPECT_EQ (bytesOf (info.cid), expected.cid);
        EXPECT_EQ (info.cardinality, Steinberg::PClassInfo::kManyInstances);
        EXPECT_EQ (info.cardinality, 0x7FFFFFFF);
        EXPECT_STREQ (info.category, expected.category);
        EXPECT_STREQ (info.name, "Skylorn");

        Steinberg::PClassInfo2 info2;
        ASSERT_EQ (factory2->getClassInfo2 (i, &info2), Steinberg::kResultOk);
        EXPECT_EQ (bytesOf (info2.cid), expected.cid);
        EXPECT_EQ (info2.cardinality, 0x7FFFFFFF);
        EXPECT_STREQ (info2.category, expected.category);
        EXPECT_STREQ (info2.name, "Skylorn");
        EXPECT_EQ (info2.classFlags, 0u);
        EXPECT_STREQ (info2.subCategories, "Fx|Dynamics");
        EXPECT_STREQ (info2.vendor, "Drelm Audio");
        EXPECT_STREQ (info2.version, "2.5.0");
        EXPECT_STREQ (info2.sdkVersion, "VST 3.7.2");

        Steinberg::PClassInfoW infoW;
        ASSERT_EQ (factory3->getClassInfoUnicode (i, &infoW), Steinberg::kResultOk);
        EXPECT_EQ (bytesOf (infoW.cid), expected.cid);
        EXPECT_EQ (infoW.cardinality, 0x7FFFFFFF);
        EXPECT_STREQ (infoW.category, expected.category);
        EXPECT_EQ (fromUtf16 (infoW.name), "Skylorn");
        EXPECT_EQ (infoW.classFlags, 0u);
        EXPECT_STREQ (infoW.subCategories, "Fx|Dynamics");
        EXPECT_EQ (fromUtf16 (infoW.vendor), "Drelm Audio");
        EXPECT_EQ (fromUtf16 (infoW.version), "2.5.0");
        EXPECT_EQ (fromUtf16 (infoW.sdkVersion), "VST 3.7.2");
    }

    factory3->release();
    factory2->release();
}

TEST (Factory, JuceHostSeesTheSameIdentity)
{
    const auto plugin = loadPlugin();
    ASSERT_NE (plugin, nullptr);
    const auto& description = plugin->getDescription();

    EXPECT_EQ (description.name, "Skylorn");
    EXPECT_EQ (description.manufacturerName, "Drelm Audio");
    EXPECT_EQ (description.version, "2.5.0");
    EXPECT_EQ (description.category, "Fx|Dynamics");
    EXPECT_FALSE (description.isInstrument);

    const auto summary = plugin->describe();
    ASSERT_EQ (summary.inputs.size(), 1u);
    ASSERT_EQ (summary.outputs.size(), 1u);
    EXPECT_EQ (summary.inputs[0].name, "Input");
    EXPECT_EQ (summary.outputs[0].name, "Output");
    EXPECT_EQ (summary.inputs[0].numChannels, 2);
    EXPECT_EQ (summary.outputs[0].numChannels, 2);
    EXPECT_TRUE (summary.inputs[0].enabledByDefault);
    EXPECT_TRUE (summary.outputs[0].enabledByDefault);

    // Mono in and out is the other layout the plug-in takes; mono in, stereo out it refuses.
    EXPECT_TRUE (plugin->setChannelCount (1));
    EXPECT_TRUE (plugin->setChannelCount (2));
    auto& instance = plugin->getInstance();
    auto layout = instance.getBusesLayout();
    layout.inputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_FALSE (instance.checkBusesLayoutSupported (layout));
}
