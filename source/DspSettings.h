#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

// Everything the audio path needs from the parameters, as one plain value: the reverb's settings,
// the high-pass coefficients, and the inputs they were designed from. It is small and trivially
// copyable, so it can cross from the message thread to the audio thread by value.
struct DspSettings
{
    struct Inputs
    {
        float roomSize = 50.0f;   // "topValue", 0 to 100
        float damping = 50.0f;    // "lowValue", 0 to 100
        float frequency = 100.0f; // "gain", Hz
        int sampleRate = 44100;

        bool operator== (const Inputs& other) const noexcept
        {
            return roomSize == other.roomSize && damping == other.damping && frequency == other.frequency
                   && sampleRate == other.sampleRate;
        }
        bool operator!= (const Inputs& other) const noexcept { return ! (*this == other); }
    };

    Inputs inputs;
    juce::Reverb::Parameters reverb;
    // b0, b1, b2, a0, a1, a2 as the framework designs a second-order high-pass (a0 is 1).
    std::array<float, 6> highPass {};
};

// Designs the complete set: the reverb at wet level 1 with room size and damping taken from per
// cent (dry level, width and freeze as the framework has them), and a second-order high-pass of
// resonance 10^0.6. At or above half the sample rate the bilinear design would put its poles
// outside the unit circle and the output would run away to NaN (the "gain" range reaches 20000 Hz,
// beyond Nyquist at 44.1 kHz and below), so the filter is designed for at most 0.49 times the
// rate; below that the cut-off is the one asked for. Pure arithmetic: no allocation, safe on any
// thread.
DspSettings designDspSettings (const DspSettings::Inputs& inputs) noexcept;
