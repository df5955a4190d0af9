#include "TestSignal.h"

#include <cmath>

namespace skyhost
{
namespace
{
void addBurst (juce::AudioBuffer<float>& audio, double sampleRate, double startSeconds, double decaySeconds,
               float peak)
{
    const auto start = static_cast<int> (startSeconds * sampleRate);
    // Eight time constants down the burst is below -69 dB; it ends there.
    const auto length = static_cast<int> (8.0 * decaySeconds * sampleRate);

    for (int channel = 0; channel < audio.getNumChannels(); ++channel)
    {
        juce::Random noise (0x5EED + 977 * channel + start);
        auto* samples = audio.getWritePointer (channel);

        for (int i = 0; i < length && start + i < audio.getNumSamples(); ++i)
        {
            const auto envelope = std::exp (-static_cast<double> (i) / (decaySeconds * sampleRate));
            samples[start + i] += peak * static_cast<float> (envelope) * (2.0f * noise.nextFloat() - 1.0f);
        }
    }
}

void addClick (juce::AudioBuffer<float>& audio, double sampleRate, double atSeconds, float peak)
{
    const auto at = static_cast<int> (atSeconds * sampleRate);

    if (at < audio.getNumSamples())
        for (int channel = 0; channel < audio.getNumChannels(); ++channel)
            audio.addSample (channel, at, channel % 2 == 0 ? peak : -peak);
}
} // namespace

juce::AudioBuffer<float> makeTestSignal (double sampleRate, int numChannels, double seconds)
{
    juce::AudioBuffer<float> audio (numChannels, static_cast<int> (seconds * sampleRate));
    audio.clear();

    addBurst (audio, sampleRate, 0.00, 0.040, 0.8f);
    addBurst (audio, sampleRate, 0.30, 0.010, 0.7f);
    addBurst (audio, sampleRate, 0.45, 0.010, 0.7f);
    addBurst (audio, sampleRate, 0.60, 0.080, 0.6f);

    for (int i = 0; i < 4; ++i)
        addClick (audio, sampleRate, 1.0 + 0.1 * i, 0.9f);

    addBurst (audio, sampleRate, 1.45, 0.012, 0.8f);

    return audio;
}
} // namespace skyhost
