#pragma once

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <map>

// The bundle this build made.
inline juce::File bundleUnderTest()
{
    return juce::File (SKYLORN_VST3_BUNDLE);
}

// A fresh instance from the bundle; fails the test (and returns nullptr) if it cannot be loaded.
inline std::unique_ptr<skyhost::HostedPlugin> loadPlugin()
{
    juce::String error;
    auto plugin = skyhost::HostedPlugin::load (bundleUnderTest(), error);
    EXPECT_NE (plugin, nullptr) << error;
    return plugin;
}

// The parameter values the engine holds, by string ID, as its saved state reports them. The
// state writes each float in full, so these are exactly the values the audio path uses.
inline std::map<juce::String, float> engineValues (skyhost::HostedPlugin& plugin)
{
    std::map<juce::String, float> values;
    const auto state = plugin.getComponentState();

    if (const auto xml =
            juce::AudioProcessor::getXmlFromBinary (state.getData(), static_cast<int> (state.getSize())))
        for (const auto* param : xml->getChildWithTagNameIterator ("PARAM"))
            values[param->getStringAttribute ("id")] = static_cast<float> (param->getDoubleAttribute ("value"));

    return values;
}

// Sets a parameter through the host as a user types its value; fails the test if refused.
inline void setValue (skyhost::HostedPlugin& plugin, const juce::String& id, const juce::String& value)
{
    juce::String error;
    EXPECT_TRUE (plugin.setParameterValue (id, value, error)) << error;
}
