#pragma once

#include "PluginEditor.h"
#include "TestAccess.h"

// The editor's private members, reached from tests only (the editor befriends this struct).
struct PluginAudioProcessorEditorTestAccess
{
    explicit PluginAudioProcessorEditorTestAccess (PluginAudioProcessorEditor& e)
        : editor (e)
    {
    }

    OtherLookAndFeel& lookAndFeel() { return editor.otherLookAndFeel; }
    juce::Slider& roomSize() { return editor.roomSizeSlider; }
    juce::Slider& dryWet() { return editor.dryWetSlider; }
    juce::Slider& damping() { return editor.dampingSlider; }
    juce::Slider& frequency() { return editor.frequencySlider; }
    juce::ComboBox& themeSelector() { return editor.themeSelector; }
    juce::TextButton& linkButton() { return editor.linkButton; }
    int idleTicks() const { return editor.idleTicks; }
    const juce::String& versionText() const { return editor.versionText; }
    int layoutOffset() const { return editor.layoutOffset; }
    const spectrum_curve::Levels& displayedLevels() const { return editor.displayedLevels; }

    PluginAudioProcessorEditor& editor;
};

// The real editor's constructor asks the maker's web host for the version file. Tests that build
// it must not send anything beyond this machine, so they run only inside scripts/offline.sh,
// which cuts the network and says so.
inline bool networkIsCut()
{
    return juce::SystemStats::getEnvironmentVariable ("SKYLORN_OFFLINE", {}) == "1";
}

#define SKIP_UNLESS_NETWORK_IS_CUT()                                                                \
    if (! networkIsCut())                                                                           \
    GTEST_SKIP() << "builds the real editor, whose version check needs the network cut: run under " \
                    "scripts/offline.sh"

inline std::unique_ptr<PluginAudioProcessorEditor> openEditor (PluginAudioProcessor& engine)
{
    return std::unique_ptr<PluginAudioProcessorEditor> (
        dynamic_cast<PluginAudioProcessorEditor*> (engine.createEditor()));
}
