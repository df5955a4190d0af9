#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace skyhost
{
// The built-in test signal: a second and a half of percussive material (decaying noise bursts of
// several lengths and a train of clicks, the channels decorrelated) followed by silence up to
// `seconds`, so that a reverb's tail is heard on its own. The same every time.
juce::AudioBuffer<float> makeTestSignal (double sampleRate, int numChannels, double seconds = 4.0);
} // namespace skyhost
