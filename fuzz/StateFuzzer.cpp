#include "PluginProcessor.h"

// Feeds arbitrary bytes to the engine's state restore, as a host does with whatever a project file
// holds. Beyond crashes, leaks and undefined behaviour, it checks that only a state the framework's
// own reader takes as one of ours changes the engine, that what it takes stays in range, and that
// it saves and restores to the very same bytes.
static void check (bool invariant, const char* what)
{
    if (! invariant)
        std::fprintf (stderr, "invariant broken: %s\n", what), std::abort();
}

// The framework, an engine and the state it saves when fresh, built and torn down together in this order.
struct Harness
{
    Harness() { engine.getStateInformation (baseline); }
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    PluginAudioProcessor engine;
    juce::MemoryBlock baseline;
};

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Harness harness;
    auto& engine = harness.engine;
    engine.setStateInformation (harness.baseline.getData(), (int) harness.baseline.getSize());
    engine.setStateInformation (data, (int) std::min (size, (size_t) std::numeric_limits<int>::max()));
    juce::MemoryBlock after, again;
    engine.getStateInformation (after);
    if (after == harness.baseline)
        return 0;

    // The reader runs here only on input the engine took, which it has bounded first.
    const auto xml = juce::AudioProcessor::getXmlFromBinary (data, (int) size);
    check (xml != nullptr && xml->getTagName().equalsIgnoreCase ("PARAMETERS"),
           "a state not ours changed the engine");
    for (auto* parameter : engine.getParameters())
        check (parameter->getValue() >= 0.0f && parameter->getValue() <= 1.0f, "a restored value is out of range");
    engine.setStateInformation (after.getData(), (int) after.getSize());
    engine.getStateInformation (again);
    check (again == after, "a restored state does not round-trip");
    return 0;
}
