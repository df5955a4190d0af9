#include "HostedPlugin.h"

#include <cmath>

namespace skyhost
{
namespace
{
// JUCE's host keeps both states of a VST3 plug-in in one XML element under these names.
const char* const hostStateTag = "VST3PluginState";
const char* const componentStateTag = "IComponent";

// The bypass parameter is published under a fixed number, the bytes "byps", not under a hash.
constexpr juce::uint32 bypassHostId = 0x62797073;

juce::uint32 hostIdOf (const juce::AudioProcessorParameter& parameter)
{
    if (const auto* hosted = dynamic_cast<const juce::HostedAudioProcessorParameter*> (&parameter))
        return static_cast<juce::uint32> (hosted->getParameterID().getLargeIntValue());

    return 0;
}

std::vector<BusSummary> busesOf (const juce::AudioProcessor& processor, bool isInput)
{
    std::vector<BusSummary> buses;

    for (int i = 0; i < processor.getBusCount (isInput); ++i)
    {
        const auto* bus = processor.getBus (isInput, i);
        const auto layout = bus->getDefaultLayout();
        buses.push_back ({ bus->getName(), layout.getDescription(), layout.size(), bus->isEnabledByDefault() });
    }

    return buses;
}

// A value typed for a parameter reads back as itself: the same text (a choice name), or the
// same number within the rounding of the parameter's text.
bool readsBackAs (const juce::AudioProcessorParameter& parameter, float normalised, const juce::String& typed)
{
    const auto shown = parameter.getText (normalised, 256).trim();

    if (shown.equalsIgnoreCase (typed.trim()))
        return true;

    if (! typed.trim().containsOnly ("0123456789.-+eE") || ! shown.containsAnyOf ("0123456789"))
        return false;

    const auto wanted = typed.getDoubleValue();
    const auto got = shown.getDoubleValue();
    return std::abs (got - wanted) <= 1.0e-3 * std::max (1.0, std::abs (wanted));
}
} // namespace

juce::uint32 hostIdForParameterId (const juce::String& parameterId) noexcept
{
    juce::uint32 hash = 0;

    for (auto p = parameterId.getCharPointer(); ! p.isEmpty(); ++p)
        hash = 31u * hash + static_cast<juce::uint32> (*p);

    return hash & 0x7FFFFFFFu;
}

juce::File defaultBundle()
{
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Skylorn.vst3");
}

//==============================================================================
std::unique_ptr<HostedPlugin> HostedPlugin::load (const juce::File& bundle, juce::String& error)
{
    if (! bundle.exists())
    {
        error = "no bundle at " + bundle.getFullPathName();
        return {};
    }

    auto format = std::make_unique<juce::VST3PluginFormat>();
    juce::OwnedArray<juce::PluginDescription> found;
    format->findAllTypesForFile (found, bundle.getFullPathName());

    if (found.isEmpty())
    {
        error = "no VST3 plug-in in " + bundle.getFullPathName();
        return {};
    }

    // The rate and block size given here are placeholders until prepare().
    auto instance = format->createInstanceFromDescription (*found.getFirst(), 44100.0, 512, error);

    if (instance == nullptr)
    {
        if (error.isEmpty())
            error = "the plug-in in " + bundle.getFullPathName() + " could not be instantiated";

        return {};
    }

    return std::make_unique<HostedPlugin> (std::move (format), *found.getFirst(), std::move (instance));
}

HostedPlugin::HostedPlugin (std::unique_ptr<juce::VST3PluginFormat> formatToUse,
                            const juce::PluginDescription& descriptionToUse,
                            std::unique_ptr<juce::AudioPluginInstance> instanceToUse)
    : format (std::move (formatToUse))
    , description (descriptionToUse)
    , instance (std::move (instanceToUse))
{
    midi.ensureSize (256);
}

HostedPlugin::~HostedPlugin()
{
    // JUCE's host asserts that every editor is gone before its instance.
    jassert (instance->getActiveEditor() == nullptr);
    instance->releaseResources();
}

PluginSummary HostedPlugin::describe() const
{
    PluginSummary summary;
    summary.name = description.name;
    summary.vendor = description.manufacturerName;
    summary.version = description.version;
    summary.category = description.category;
    summary.file = description.fileOrIdentifier;
    summary.inputs = busesOf (*instance, true);
    summary.outputs = busesOf (*instance, false);

    const auto* bypass = instance->getBypassParameter();

    for (const auto* parameter : instance->getParameters())
    {
        const auto defaultValue = parameter->getDefaultValue();
        summary.parameters.push_back ({ parameter->getParameterIndex(), hostIdOf (*parameter),
                                        parameter->getName (256), defaultValue,
                                        parameter->getText (defaultValue, 256), parameter == bypass });
    }

    return summary;
}

juce::AudioProcessorParameter* HostedPlugin::findParameter (const juce::String& parameterId) const
{
    const auto wanted = parameterId == "byps" ? bypassHostId : hostIdForParameterId (parameterId);

    for (auto* parameter : instance->getParameters())
        if (hostIdOf (*parameter) == wanted)
            return parameter;

    return nullptr;
}

bool HostedPlugin::setParameterValue (const juce::String& parameterId, const juce::String& valueText,
                                      juce::String& error)
{
    auto* parameter = findParameter (parameterId);

    if (parameter == nullptr)
    {
        error = "no parameter \"" + parameterId + "\"";
        return false;
    }

    // The plug-in converts the text itself, so the value lands where its own range puts it.
    auto normalised = parameter->getValueForText (valueText);

    // A choice reads its names, not numbers. A number given for it is the choice's index, which
    // VST3 maps onto the normalised range as index / step count.
    if (! readsBackAs (*parameter, normalised, valueText))
    {
        const auto typed = valueText.trim();
        const auto steps = parameter->getNumSteps();
        const auto isIndex = parameter->isDiscrete() && steps > 1 && steps <= 1024 && typed.isNotEmpty()
                             && typed.containsOnly ("0123456789") && typed.getIntValue() < steps;

        if (! isIndex)
        {
            error = "\"" + valueText + "\" is not a value of \"" + parameterId + "\" (the nearest is \""
                    + parameter->getText (normalised, 256) + "\")";
            return false;
        }

        normalised = static_cast<float> (typed.getIntValue()) / static_cast<float> (steps - 1);
    }

    parameter->setValue (normalised);
    return true;
}

void HostedPlugin::setBypassed (bool shouldBeBypassed)
{
    if (auto* bypass = instance->getBypassParameter())
        bypass->setValue (shouldBeBypassed ? 1.0f : 0.0f);
}

bool HostedPlugin::setChannelCount (int numChannels)
{
    const auto set = juce::AudioChannelSet::canonicalChannelSet (numChannels);
    auto layout = instance->getBusesLayout();

    if (layout.inputBuses.isEmpty() || layout.outputBuses.isEmpty())
        return false;

    layout.inputBuses.getReference (0) = set;
    layout.outputBuses.getReference (0) = set;
    return instance->setBusesLayout (layout);
}

void HostedPlugin::prepare (double sampleRate, int maximumBlockSize)
{
    instance->prepareToPlay (sampleRate, maximumBlockSize);
}

void HostedPlugin::release()
{
    instance->releaseResources();
}

void HostedPlugin::processBlock (juce::AudioBuffer<float>& block)
{
    midi.clear();
    instance->processBlock (block, midi);
}

double HostedPlugin::render (juce::AudioBuffer<float>& audio, int blockSize)
{
    juce::int64 ticks = 0;

    for (int start = 0; start < audio.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, audio.getNumSamples() - start);
        juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start, length);

        const auto before = juce::Time::getHighResolutionTicks();
        processBlock (block);
        ticks += juce::Time::getHighResolutionTicks() - before;
    }

    return juce::Time::highResolutionTicksToSeconds (ticks);
}

//==============================================================================
juce::MemoryBlock HostedPlugin::saveState()
{
    juce::MemoryBlock state;
    instance->getStateInformation (state);
    return state;
}

void HostedPlugin::restoreState (const juce::MemoryBlock& state)
{
    instance->setStateInformation (state.getData(), static_cast<int> (state.getSize()));
}

juce::MemoryBlock HostedPlugin::getComponentState()
{
    const auto state = saveState();
    juce::MemoryBlock component;

    if (const auto xml =
            juce::AudioProcessor::getXmlFromBinary (state.getData(), static_cast<int> (state.getSize())))
        if (const auto* element = xml->getChildByName (componentStateTag))
            component.fromBase64Encoding (element->getAllSubText());

    return component;
}

void HostedPlugin::setComponentState (const juce::MemoryBlock& componentState)
{
    // The host restores a component state the way it restores a whole project entry: in its own
    // wrapper, which also hands the state to the controller.
    juce::XmlElement wrapper (hostStateTag);
    wrapper.createNewChildElement (componentStateTag)->addTextElement (componentState.toBase64Encoding());

    juce::MemoryBlock state;
    juce::AudioProcessor::copyXmlToBinary (wrapper, state);
    restoreState (state);
}
} // namespace skyhost
