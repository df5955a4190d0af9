#include "EditorTestAccess.h"

#include <gtest/gtest.h>

// The whole window painted with the software renderer and compared with committed pictures.
// Text is rasterised by FreeType from the embedded font, so another build of it may move an edge
// by a level or two: the comparison allows that, and nothing more.
// Run with SKYLORN_REGENERATE_GOLDEN=1 to write the pictures anew after an intended change.

namespace
{
juce::File goldenFile (const juce::String& name)
{
    return juce::File (SKYLORN_TEST_DATA_DIR).getChildFile ("golden").getChildFile (name + ".png");
}

juce::Image paintWindow (PluginAudioProcessorEditor& editor, int paints)
{
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true, juce::SoftwareImageType());

    for (int i = 0; i < paints; ++i)
    {
        image.clear (image.getBounds());
        juce::Graphics g (image);
        editor.paintEntireComponent (g, true);
    }

    return image;
}

struct Difference
{
    int largest = 0; // the largest difference of one channel of one pixel, 0 to 255
    int beyond = 0;  // pixels with a channel differing by more than the tolerance
};

Difference compare (const juce::Image& actual, const juce::Image& expected, int tolerance)
{
    Difference difference;
    const juce::Image::BitmapData a (actual, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData e (expected, juce::Image::BitmapData::readOnly);

    for (int y = 0; y < actual.getHeight(); ++y)
    {
        for (int x = 0; x < actual.getWidth(); ++x)
        {
            const auto p = a.getPixelColour (x, y).getARGB();
            const auto q = e.getPixelColour (x, y).getARGB();
            int worst = 0;
            for (int shift = 0; shift < 32; shift += 8)
                worst = std::max (worst, std::abs ((int) ((p >> shift) & 0xFF) - (int) ((q >> shift) & 0xFF)));

            difference.largest = std::max (difference.largest, worst);
            difference.beyond += worst > tolerance ? 1 : 0;
        }
    }

    return difference;
}

void checkAgainstGolden (const juce::Image& actual, const juce::String& name)
{
    const auto file = goldenFile (name);

    if (juce::SystemStats::getEnvironmentVariable ("SKYLORN_REGENERATE_GOLDEN", {}) == "1")
    {
        ASSERT_TRUE (file.getParentDirectory().createDirectory());
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (actual, out));
    }

    const auto expected = juce::ImageFileFormat::loadFrom (file);
    ASSERT_TRUE (expected.isValid()) << "missing " << file.getFullPathName();
    ASSERT_EQ (expected.getBounds(), actual.getBounds());

    const auto difference = compare (actual, expected.convertedToFormat (juce::Image::ARGB), 3);
    EXPECT_LE (difference.beyond, 50) << name << ": largest channel difference " << difference.largest;

    if (difference.beyond > 50)
    {
        const auto failed =
            juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile (name + "-actual.png");
        failed.deleteFile();
        juce::FileOutputStream out (failed);
        juce::PNGImageFormat().writeImageToStream (actual, out);
        ADD_FAILURE() << "the picture as painted: " << failed.getFullPathName();
    }
}
} // namespace

TEST (GoldenImages, DefaultThemeInSilence)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    const auto editor = openEditor (engine);
    checkAgainstGolden (paintWindow (*editor, 1), "default");
}

TEST (GoldenImages, RhapsodyWithASpectrum)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    PluginAudioProcessorTestAccess (engine).tree().getParameter ("backColor")->setValueNotifyingHost (0.4f);
    const auto editor = openEditor (engine);
    ASSERT_EQ (engine.themeIndex, 3);

    // A fixed spectrum: a broad hump with a narrow peak and a run of equal levels at the low end.
    for (int i = 0; i < spectrum::numPoints; ++i)
    {
        const auto hump = 0.7f * std::exp (-std::pow ((float) (i - 200) / 90.0f, 2.0f));
        const auto peak = i == 380 ? 0.95f : 0.0f;
        const auto run = i < 13 ? 0.5f : 0.0f;
        engine.spectrumLevels[(size_t) i] = std::max ({ hump, peak, run });
    }

    checkAgainstGolden (paintWindow (*editor, 3), "rhapsody-spectrum");
}

TEST (GoldenImages, NothingSelected)
{
    SKIP_UNLESS_NETWORK_IS_CUT();

    PluginAudioProcessor engine;
    const auto editor = openEditor (engine);
    engine.themeIndex = 0;
    for (int i = 100; i < 300; ++i)
        engine.spectrumLevels[(size_t) i] = 0.4f;

    checkAgainstGolden (paintWindow (*editor, 2), "nothing-selected");
}
