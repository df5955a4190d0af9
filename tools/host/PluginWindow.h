#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace skyhost
{
// A plug-in's editor in a top-level window of its own, as a DAW shows it. On Linux JUCE's host
// embeds the plug-in's view as an X child window and hands the plug-in its run loop, so the
// plug-in's timers and repaints are driven by this process's message loop: pump it
// (pumpMessages) while the window is open.
class PluginWindow final : public juce::DocumentWindow
{
public:
    // Creates the plug-in's editor and shows it. The instance must outlive the window.
    explicit PluginWindow (juce::AudioPluginInstance& plugin);
    ~PluginWindow() override;

    // Nullptr when the plug-in has no editor.
    juce::AudioProcessorEditor* getEditor() const noexcept;

    // What the window shows on screen, the plug-in's own child window included (a component
    // snapshot would only see the host's side). An invalid image if the server cannot be read.
    juce::Image capture() const;

    void closeButtonPressed() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginWindow)
};

// Runs this thread's message loop for the given time: window events, timers, and the events of
// every plug-in view attached to it.
void pumpMessages (int milliseconds);
} // namespace skyhost
