#include "PluginWindow.h"

#include "XDisplay.h"

namespace skyhost
{
PluginWindow::PluginWindow (juce::AudioPluginInstance& plugin)
    : juce::DocumentWindow (plugin.getName(), juce::Colours::black, juce::DocumentWindow::closeButton)
{
    // The native title bar leaves the window's client area to the editor alone.
    setUsingNativeTitleBar (true);
    setResizable (false, false);

    if (auto* editor = plugin.createEditorIfNeeded())
        setContentOwned (editor, true);

    setTopLeftPosition (40, 40);
    setVisible (true);
}

PluginWindow::~PluginWindow()
{
    // Deletes the editor, which detaches the plug-in's view, while the instance is still alive.
    clearContentComponent();
}

juce::AudioProcessorEditor* PluginWindow::getEditor() const noexcept
{
    return dynamic_cast<juce::AudioProcessorEditor*> (getContentComponent());
}

juce::Image PluginWindow::capture() const
{
    auto* peer = getPeer();

    if (peer == nullptr)
        return {};

    x11::Pixels pixels;

    if (! x11::grabWindow (
            static_cast<unsigned long> (reinterpret_cast<juce::pointer_sized_uint> (peer->getNativeHandle())),
            pixels))
        return {};

    juce::Image image (juce::Image::ARGB, pixels.width, pixels.height, false);
    juce::Image::BitmapData data (image, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            data.setPixelColour (
                x, y,
                juce::Colour (pixels.argb[static_cast<size_t> (y) * static_cast<size_t> (pixels.width)
                                          + static_cast<size_t> (x)]));

    return image;
}

void PluginWindow::closeButtonPressed()
{
    // The owner decides when the window goes; a host keeps it until it closes the view itself.
    setVisible (false);
}

void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
} // namespace skyhost
