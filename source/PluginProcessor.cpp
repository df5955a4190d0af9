#include "PluginProcessor.h"

#include "PluginEditor.h"
#include "StateGuard.h"

#include <algorithm>
#include <cstring>

namespace
{
// The skew that puts the knob's centre on the geometric mean of 20 Hz to 20 kHz, about 632 Hz:
// ln 0.5 / ln ((sqrt (20 * 20000) - 20) / 19980), as the 32-bit float with these bits.
float frequencySkew() noexcept
{
    constexpr juce::uint32 bits = 0x3E4BAAD4;
    float skew;
    std::memcpy (&skew, &bits, sizeof (skew));
    return skew;
}
// Two things the framework's reader lets through that a sound state never holds, both of which
// would reach the parameters:
// - a parameter's "value" that is not a plain decimal number: the framework's number reader
//   overflows on a long exponent, and "nan" would pass the range limits unchanged, reach the
//   audio thread as a NaN room size or cut-off and silence the output for good; the text is
//   checked before anything reads a number out of it;
// - an element with two attributes of one name (not well-formed XML): the parameter takes the
//   first, the next save writes the last, so the state would not come back as it was.
// A state carrying either is corrupt and is turned away whole.
bool attributesAreUnique (const juce::XmlElement& element)
{
    for (int i = 0; i < element.getNumAttributes(); ++i)
        for (int j = i + 1; j < element.getNumAttributes(); ++j)
            if (element.getAttributeName (i) == element.getAttributeName (j))
                return false;

    for (const auto* child : element.getChildIterator())
        if (! attributesAreUnique (*child))
            return false;

    return true;
}

bool isSoundState (const juce::XmlElement& root, const juce::AudioProcessorValueTreeState& tree)
{
    for (const auto* child : root.getChildIterator())
        if (child->hasAttribute ("value") && tree.getParameter (child->getStringAttribute ("id")) != nullptr
            && ! state_guard::isPlainDecimal (child->getStringAttribute ("value").toRawUTF8()))
            return false;

    return attributesAreUnique (root);
}

// What a host hands over as text, a value a user typed into its field, reaches the same number
// reader: the leading number is read only when it is a plain decimal, and anything else reads as
// no number, 0, as the framework reads text without digits.
float valueFromText (const juce::String& text)
{
    const auto number = text.trimStart().initialSectionContainingOnly ("+-.0123456789eE");
    return state_guard::isPlainDecimal (number.toRawUTF8()) ? number.getFloatValue() : 0.0f;
}
} // namespace

PluginAudioProcessor::PluginAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , parameterTree (*this, nullptr, juce::Identifier ("PARAMETERS"), createParameterLayout())
{
    rawRoomSize = parameterTree.getRawParameterValue ("topValue");
    rawDryWet = parameterTree.getRawParameterValue ("midValue");
    rawDamping = parameterTree.getRawParameterValue ("lowValue");
    rawFrequency = parameterTree.getRawParameterValue ("gain");
    rawBackColor = parameterTree.getRawParameterValue ("backColor");

    themeIndex = static_cast<int> (1.0f + rawBackColor->load());
}

PluginAudioProcessor::~PluginAudioProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout PluginAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    const auto fromText = juce::AudioParameterFloatAttributes().withValueFromStringFunction (valueFromText);
    const juce::NormalisableRange<float> percent (0.0f, 100.0f, 0.01f);

    layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { "topValue", 0 }, "RoomSize",
                                                             percent, 50.0f, fromText));
    layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { "midValue", 0 }, "Dry/Wet",
                                                             percent, 50.0f, fromText));
    layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { "lowValue", 0 }, "Damping",
                                                             percent, 50.0f, fromText));
    layout.add (std::make_unique<juce::AudioParameterFloat> (
        juce::ParameterID { "gain", 0 }, "Frequency",
        juce::NormalisableRange<float> (20.0f, 20000.0f, 0.01f, frequencySkew(), false), 100.0f, fromText));
    layout.add (std::make_unique<juce::AudioParameterChoice> (
        juce::ParameterID { "backColor", 0 }, "BackColor",
        juce::StringArray { "Vibrato", "Crescendo", "Rhapsody", "Staccato", "Tremolo", "Arpeggio" }, 0));

    return layout;
}

//==============================================================================
const juce::String PluginAudioProcessor::getName() const
{
    return JucePlugin_Name;
}

double PluginAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool PluginAudioProcessor::acceptsMidi() const
{
    return false;
}

bool PluginAudioProcessor::producesMidi() const
{
    return false;
}

bool PluginAudioProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* PluginAudioProcessor::createEditor()
{
    return new PluginAudioProcessorEditor (*this, parameterTree);
}

bool PluginAudioProcessor::hasEditor() const
{
    return true;
}

int PluginAudioProcessor::getNumPrograms()
{
    return 1;
}

int PluginAudioProcessor::getCurrentProgram()
{
    return 0;
}

void PluginAudioProcessor::setCurrentProgram (int) {}

const juce::String PluginAudioProcessor::getProgramName (int)
{
    return {};
}

void PluginAudioProcessor::changeProgramName (int, const juce::String&) {}

//==============================================================================
bool PluginAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();

    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == output;
}

void PluginAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    // A host that announces no block size still gets a working engine: blocks are then
    // processed in sections of one sample.
    preparedBlockSize = std::max (1, samplesPerBlock);
    dryBuffer.setSize (2, preparedBlockSize);

    highPassChannels = getTotalNumOutputChannels();
    highPassFilter.prepare ({ sampleRate, (juce::uint32) preparedBlockSize, (juce::uint32) highPassChannels });
    highPassFilter.reset();

    reverb.setSampleRate (sampleRate);
    std::fill (spectrumLevels.begin(), spectrumLevels.end(), 0.0f);
    blockSampleRate.store (static_cast<int> (sampleRate));

    roomSizeValue.store (rawRoomSize->load());
    dryWetValue.store (rawDryWet->load());
    dampingValue.store (rawDamping->load());
    frequencyValue.store (rawFrequency->load());

    updateParameters();

    // No block runs while the host prepares, so the new design is taken at once: the first
    // block already runs with the filter designed for this sample rate.
    DspSettings settings;
    if (settingsMailbox.take (settings))
        applyDspSettings (settings);
}

void PluginAudioProcessor::releaseResources() {}

//==============================================================================
void PluginAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    blockProcessed.store (true);

    const auto numChannels = buffer.getNumChannels();

    if (numChannels == 0)
        return;

    // Nothing is sized before the first prepareToPlay; hosts prepare before they process, and
    // one that does not gets its audio back unchanged rather than a crash.
    if (preparedBlockSize == 0)
        return;

    juce::ScopedNoDenormals noDenormals;

    dryWetValue.store (rawDryWet->load());
    const auto mixPercent = dryWetValue.load();

    const auto numSamples = buffer.getNumSamples();

    for (auto channel = getTotalNumInputChannels(); channel < std::min (getTotalNumOutputChannels(), numChannels);
         ++channel)
        buffer.clear (channel, 0, numSamples);

    const auto sampleRate = static_cast<int> (getSampleRate());
    blockSampleRate.store (sampleRate);
    adoptDspSettings (sampleRate);

    const auto wet = mixPercent / 100.0f;
    const auto dry = 1.0f - wet;

    // A host may send more samples than it announced: the block is processed whole, in sections
    // no longer than the prepared size.
    for (int start = 0; start < numSamples; start += preparedBlockSize)
        processSection (buffer, start, std::min (preparedBlockSize, numSamples - start), wet, dry);
}

void PluginAudioProcessor::processSection (juce::AudioBuffer<float>& buffer, int startSample, int numSamples,
                                           float wet, float dry) noexcept
{
    const auto numChannels = buffer.getNumChannels();
    const auto stereo = numChannels > 1;

    dryBuffer.copyFrom (0, 0, buffer, 0, startSample, numSamples);
    dryBuffer.copyFrom (1, 0, buffer, stereo ? 1 : 0, startSample, numSamples);

    // One filter per prepared output channel; a channel beyond them has no filter state and
    // passes the filter unchanged.
    const auto filteredChannels = std::min (numChannels, highPassChannels);

    if (filteredChannels > 0)
    {
        juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), (size_t) filteredChannels,
                                            (size_t) startSample, (size_t) numSamples);
        highPassFilter.process (juce::dsp::ProcessContextReplacing<float> (block));
    }

    auto* left = buffer.getWritePointer (0, startSample);
    auto* right = stereo ? buffer.getWritePointer (1, startSample) : left;
    reverb.processStereo (left, right, numSamples);

    const auto* dryLeft = dryBuffer.getReadPointer (0);
    const auto* dryRight = dryBuffer.getReadPointer (1);

    if (stereo)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            left[i] = left[i] * wet + dryLeft[i] * dry;
            right[i] = right[i] * wet + dryRight[i] * dry;
            pushSpectrumSample ((left[i] + right[i]) * 0.5f);
        }
    }
    else
    {
        for (int i = 0; i < numSamples; ++i)
        {
            left[i] = left[i] * wet + dryLeft[i] * dry;
            pushSpectrumSample (left[i]);
        }
    }
}

//==============================================================================
void PluginAudioProcessor::updateParameters()
{
    roomSizeValue.store (rawRoomSize->load());
    dryWetValue.store (rawDryWet->load());
    dampingValue.store (rawDamping->load());
    frequencyValue.store (rawFrequency->load());

    const auto settings = designDspSettings (
        { roomSizeValue.load(), dampingValue.load(), frequencyValue.load(), blockSampleRate.load() });

    reverbParameters = settings.reverb;
    settingsMailbox.publish (settings);
}

void PluginAudioProcessor::parameterChanged (const juce::String&, float)
{
    updateParameters();
}

void PluginAudioProcessor::adoptDspSettings (int sampleRate) noexcept
{
    const DspSettings::Inputs current { rawRoomSize->load(), rawDamping->load(), rawFrequency->load(),
                                        sampleRate };

    DspSettings published;
    const auto arrived = settingsMailbox.take (published);

    if (arrived && published.inputs == current)
    {
        applyDspSettings (published);
        return;
    }

    // Host automation, a restored state, or a window's knob whose change reached updateParameters
    // before the tree took the new value: the engine follows its parameters at the next block.
    if (arrived || appliedSettings.inputs != current)
        applyDspSettings (designDspSettings (current));
}

void PluginAudioProcessor::applyDspSettings (const DspSettings& settings) noexcept
{
    reverb.setParameters (settings.reverb);
    // Assigning a fixed-size array into the shared set reuses its storage: no allocation.
    *highPassFilter.state = settings.highPass;
    appliedSettings = settings;
}

//==============================================================================
void PluginAudioProcessor::pushSpectrumSample (float sample) noexcept
{
    if (sampleFifoIndex == spectrum::frameSize)
    {
        if (! fftInputReady.load (std::memory_order_acquire))
        {
            std::fill (fftWorkBuffer.begin() + spectrum::frameSize, fftWorkBuffer.end(), 0.0f);
            std::copy (sampleFifo.begin(), sampleFifo.end(), fftWorkBuffer.begin());
            fftInputReady.store (true, std::memory_order_release);
        }

        sampleFifoIndex = 0;
    }

    sampleFifo[(size_t) sampleFifoIndex++] = sample;
}

void PluginAudioProcessor::drawNextFrameOfSpectrum()
{
    // The work buffer belongs to the audio thread while no frame waits; touching it then would
    // race with the next hand-over.
    if (! fftInputReady.load (std::memory_order_acquire))
        return;

    spectrumWindow.multiplyWithWindowingTable (fftWorkBuffer.data(), (size_t) spectrum::frameSize);
    spectrumFft.performFrequencyOnlyForwardTransform (fftWorkBuffer.data());

    for (int point = 0; point < spectrum::numPoints; ++point)
        spectrumLevels[(size_t) point] =
            spectrum::levelForMagnitude (fftWorkBuffer[(size_t) spectrum::binForPoint (point)]);
}

//==============================================================================
void PluginAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    blockProcessed.store (false);

    if (const auto xml = parameterTree.copyState().createXml())
        copyXmlToBinary (*xml, destData);
}

void PluginAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (! state_guard::savedTextIsSafeToParse (data, sizeInBytes))
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName (parameterTree.state.getType()))
        return;

    if (! isSoundState (*xml, parameterTree))
        return;

    parameterTree.replaceState (juce::ValueTree::fromXml (*xml));
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new PluginAudioProcessor();
}
