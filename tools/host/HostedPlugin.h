#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <vector>

namespace skyhost
{
// One audio bus as the host sees it.
struct BusSummary
{
    juce::String name;
    juce::String layout; // the channel set's description, e.g. "Stereo"
    int numChannels = 0;
    bool enabledByDefault = false;
};

// One parameter as the host sees it: by its numeric VST3 ID, never by the plug-in's string ID.
struct ParameterSummary
{
    int index = 0;
    juce::uint32 hostId = 0;
    juce::String name;
    float defaultValue = 0.0f; // normalised
    juce::String defaultText;
    bool isBypass = false;
};

struct PluginSummary
{
    juce::String name;
    juce::String vendor;
    juce::String version;
    juce::String category;
    juce::String file;
    std::vector<BusSummary> inputs;
    std::vector<BusSummary> outputs;
    std::vector<ParameterSummary> parameters;
};

// The numeric ID under which a JUCE plug-in publishes a parameter with this string ID: the
// string's hash (h = 31 h + code point), masked to 31 bits. Host projects store automation under
// these numbers.
juce::uint32 hostIdForParameterId (const juce::String& parameterId) noexcept;

// Where a user's VST3 plug-ins live on Linux: ~/.vst3/Skylorn.vst3.
juce::File defaultBundle();

// One plug-in instance, loaded from its bundle as a DAW loads it: scanned with JUCE's VST3 format,
// created from the description the scan produced. Every call except processBlock belongs on the
// message thread; processBlock may run on an audio thread of the caller's.
class HostedPlugin
{
public:
    // Nullptr, with the reason in `error`, when the bundle holds no loadable VST3 plug-in.
    static std::unique_ptr<HostedPlugin> load (const juce::File& bundle, juce::String& error);

    HostedPlugin (std::unique_ptr<juce::VST3PluginFormat> format, const juce::PluginDescription& description,
                  std::unique_ptr<juce::AudioPluginInstance> instance);
    ~HostedPlugin();

    juce::AudioPluginInstance& getInstance() noexcept { return *instance; }
    const juce::PluginDescription& getDescription() const noexcept { return description; }
    PluginSummary describe() const;

    // The parameter published under this string ID (by the hash rule; "byps" names the bypass).
    juce::AudioProcessorParameter* findParameter (const juce::String& parameterId) const;

    // Sets a parameter to a value in its own range, written as a user types it into a host's
    // value field ("5000" for 5 kHz, "Rhapsody" or its index "2" for a choice). False, with the
    // reason in `error`, for an unknown ID or a value the parameter cannot take.
    bool setParameterValue (const juce::String& parameterId, const juce::String& valueText, juce::String& error);

    void setBypassed (bool shouldBeBypassed);

    // Main input and output both mono (1) or both stereo (2). Before prepare; false if refused.
    bool setChannelCount (int numChannels);

    void prepare (double sampleRate, int maximumBlockSize);
    void release();

    // One block, in place. Blocks must not exceed the prepared maximum.
    void processBlock (juce::AudioBuffer<float>& block);

    // The whole buffer in place, in consecutive blocks of `blockSize` (the last may be shorter).
    // Returns the seconds spent inside the plug-in.
    double render (juce::AudioBuffer<float>& audio, int blockSize);

    // What a DAW keeps in its project: JUCE's host wraps the component's and the controller's
    // states in one block.
    juce::MemoryBlock saveState();
    void restoreState (const juce::MemoryBlock& state);

    // The component state alone, the bytes the plug-in's IComponent::getState wrote.
    juce::MemoryBlock getComponentState();
    void setComponentState (const juce::MemoryBlock& componentState);

private:
    std::unique_ptr<juce::VST3PluginFormat> format;
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::MidiBuffer midi;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostedPlugin)
};
} // namespace skyhost
