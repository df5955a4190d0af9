#include "PluginProcessor.h"

#include <juce_events/juce_events.h>

#include <cstdlib>
#include <memory>

// Feeds arbitrary bytes to the engine's state restore, as a host does with whatever a project
// file holds. Beyond crashes, leaks and undefined behaviour, it checks that the restore only ever
// changes the engine for a state the framework's own reader accepts as one of ours, and that
// whatever it accepted saves and restores stably.

namespace
{
struct Harness
{
    Harness() { engine->getStateInformation (baseline); }

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    std::unique_ptr<PluginAudioProcessor> engine = std::make_unique<PluginAudioProcessor>();
    juce::MemoryBlock baseline;
};

Harness* harness = nullptr;

[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "invariant broken: %s\n", what);
    std::abort();
}

bool acceptedAsOurs (const uint8_t* data, size_t size)
{
    const auto xml = juce::AudioProcessor::getXmlFromBinary (data, (int) size);
    return xml != nullptr && xml->getTagName().equalsIgnoreCase ("PARAMETERS");
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (size_t) std::numeric_limits<int>::max())
        return 0;

    auto& engine = *harness->engine;
    engine.setStateInformation (harness->baseline.getData(), (int) harness->baseline.getSize());

    engine.setStateInformation (data, (int) size);

    juce::MemoryBlock after;
    engine.getStateInformation (after);

    if (after == harness->baseline)
        return 0;

    // Something changed: only a well-formed state with our root may do that. (The reader runs
    // here only on input the engine took, which it has bounded first.)
    if (! acceptedAsOurs (data, size))
        fail ("an input that is not a valid state changed the engine");

    for (auto* parameter : engine.getParameters())
    {
        const auto value = parameter->getValue();
        if (! (value >= 0.0f && value <= 1.0f))
            fail ("a restored parameter lies outside its range");
    }

    // What was accepted saves and restores to the very same bytes.
    engine.setStateInformation (after.getData(), (int) after.getSize());
    juce::MemoryBlock again;
    engine.getStateInformation (again);
    if (again != after)
        fail ("a restored state does not round-trip");

    return 0;
}
