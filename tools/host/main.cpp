#include "BackgroundAudio.h"
#include "HostedPlugin.h"
#include "PluginWindow.h"
#include "TestSignal.h"
#include "XDisplay.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iomanip>
#include <iostream>

namespace
{
const char* const usage = R"(usage:
  skylorn-host info [BUNDLE]
  skylorn-host render [IN.wav] OUT.wav [--bundle PATH] [--set ID=VALUE ...] [--rate HZ]
                      [--block N] [--mono]
  skylorn-host screenshot OUT.png [--bundle PATH]

BUNDLE defaults to ~/.vst3/Skylorn.vst3.
render: processes IN.wav (or, without it, a built-in burst-and-silence test signal) block by
  block and writes OUT.wav as 32-bit float. --set takes a parameter's string ID and a value in
  the parameter's own range (e.g. --set gain=5000, --set backColor=Rhapsody or backColor=2);
  values are applied before the plug-in is prepared. --rate (default 48000) applies to the test
  signal; a file renders at its own rate. --block defaults to 512. --mono renders one channel.
screenshot: opens the editor in a window (needs an X display), processes audio on another
  thread for a moment, and saves a PNG of the window.
)";

int fail (const juce::String& message)
{
    std::cerr << "skylorn-host: " << message << std::endl;
    return 1;
}

juce::String hex (juce::uint32 value)
{
    return "0x" + juce::String::toHexString (static_cast<juce::int64> (value)).toUpperCase().paddedLeft ('0', 8);
}

// The command line after the command word: options with their values, and positional words.
struct Arguments
{
    juce::StringArray positional;
    juce::StringArray settings;
    juce::File bundle = skyhost::defaultBundle();
    double sampleRate = 0.0;
    int blockSize = 512;
    bool mono = false;
    juce::String error;
};

Arguments parse (const juce::StringArray& words)
{
    Arguments arguments;

    for (int i = 0; i < words.size() && arguments.error.isEmpty(); ++i)
    {
        const auto& word = words[i];
        const auto takesValue = word == "--bundle" || word == "--set" || word == "--rate" || word == "--block";

        if (takesValue && i + 1 >= words.size())
        {
            arguments.error = word + " needs a value";
            break;
        }

        if (word == "--bundle")
            arguments.bundle = juce::File::getCurrentWorkingDirectory().getChildFile (words[++i]);
        else if (word == "--set")
            arguments.settings.add (words[++i]);
        else if (word == "--rate")
            arguments.sampleRate = words[++i].getDoubleValue();
        else if (word == "--block")
            arguments.blockSize = words[++i].getIntValue();
        else if (word == "--mono")
            arguments.mono = true;
        else if (word.startsWith ("--"))
            arguments.error = "unknown option " + word;
        else
            arguments.positional.add (word);
    }

    return arguments;
}

std::unique_ptr<skyhost::HostedPlugin> loadOrReport (const juce::File& bundle)
{
    juce::String error;
    auto plugin = skyhost::HostedPlugin::load (bundle, error);

    if (plugin == nullptr)
        fail (error);

    return plugin;
}

//==============================================================================
int info (const juce::StringArray& words)
{
    const auto arguments = parse (words);

    if (arguments.error.isNotEmpty() || arguments.positional.size() > 1)
        return fail (arguments.error.isNotEmpty() ? arguments.error : juce::String ("info takes one bundle"));

    const auto bundle = arguments.positional.isEmpty()
                            ? arguments.bundle
                            : juce::File::getCurrentWorkingDirectory().getChildFile (arguments.positional[0]);
    const auto plugin = loadOrReport (bundle);

    if (plugin == nullptr)
        return 1;

    const auto summary = plugin->describe();

    std::cout << summary.name << "\n"
              << "  vendor:   " << summary.vendor << "\n"
              << "  version:  " << summary.version << "\n"
              << "  category: " << summary.category << "\n"
              << "  file:     " << summary.file << "\n";

    const auto printBuses = [] (const char* direction, const std::vector<skyhost::BusSummary>& buses)
    {
        for (size_t i = 0; i < buses.size(); ++i)
            std::cout << "  " << direction << " bus " << i << ": \"" << buses[i].name << "\", " << buses[i].layout
                      << " (" << buses[i].numChannels << " channels)"
                      << (buses[i].enabledByDefault ? ", enabled by default" : ", disabled by default") << "\n";
    };

    printBuses ("input", summary.inputs);
    printBuses ("output", summary.outputs);

    std::cout << "parameters:\n"
              << "  index  id          name                 default   text\n";

    for (const auto& parameter : summary.parameters)
        std::cout << "  " << std::left << std::setw (5) << parameter.index << "  " << hex (parameter.hostId)
                  << "  " << std::setw (20) << parameter.name.toStdString() << " " << std::fixed
                  << std::setprecision (6) << parameter.defaultValue << "  \"" << parameter.defaultText << "\""
                  << (parameter.isBypass ? "  bypass" : "") << "\n";

    return 0;
}

//==============================================================================
bool readWav (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate, juce::String& error)
{
    juce::WavAudioFormat wav;
    const std::unique_ptr<juce::AudioFormatReader> reader (
        wav.createReaderFor (file.createInputStream().release(), true));

    if (reader == nullptr)
    {
        error = "cannot read " + file.getFullPathName() + " as WAV";
        return false;
    }

    audio.setSize (static_cast<int> (reader->numChannels), static_cast<int> (reader->lengthInSamples));
    reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
    sampleRate = reader->sampleRate;
    return true;
}

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate,
               juce::String& error)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (stream != nullptr)
        writer.reset (wav.createWriterFor (stream.get(), sampleRate,
                                           static_cast<unsigned int> (audio.getNumChannels()), 32, {}, 0));

    if (writer == nullptr)
    {
        error = "cannot write " + file.getFullPathName();
        return false;
    }

    stream.release(); // the writer owns it now

    if (! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
    {
        error = "failed writing " + file.getFullPathName();
        return false;
    }

    return true;
}

// The file's channels fitted to the rendering layout: a mono file feeds both sides, and a mono
// rendering takes the mean of the file's channels.
juce::AudioBuffer<float> fitChannels (const juce::AudioBuffer<float>& input, int numChannels)
{
    juce::AudioBuffer<float> fitted (numChannels, input.getNumSamples());
    fitted.clear();

    if (numChannels == 1)
    {
        for (int channel = 0; channel < input.getNumChannels(); ++channel)
            fitted.addFrom (0, 0, input, channel, 0, input.getNumSamples(),
                            1.0f / static_cast<float> (input.getNumChannels()));
    }
    else
    {
        for (int channel = 0; channel < numChannels; ++channel)
            fitted.copyFrom (channel, 0, input, std::min (channel, input.getNumChannels() - 1), 0,
                             input.getNumSamples());
    }

    return fitted;
}

int render (const juce::StringArray& words)
{
    const auto arguments = parse (words);

    if (arguments.error.isNotEmpty())
        return fail (arguments.error);

    if (arguments.positional.isEmpty() || arguments.positional.size() > 2)
        return fail ("render takes [IN.wav] OUT.wav");

    if (arguments.blockSize < 1)
        return fail ("--block must be at least 1");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    const auto output = cwd.getChildFile (arguments.positional[arguments.positional.size() - 1]);
    const auto numChannels = arguments.mono ? 1 : 2;
    auto sampleRate = arguments.sampleRate > 0.0 ? arguments.sampleRate : 48000.0;
    juce::AudioBuffer<float> audio;
    juce::String error;

    if (arguments.positional.size() == 2)
    {
        juce::AudioBuffer<float> input;
        double fileRate = 0.0;

        if (! readWav (cwd.getChildFile (arguments.positional[0]), input, fileRate, error))
            return fail (error);

        if (arguments.sampleRate > 0.0 && arguments.sampleRate != fileRate)
            return fail ("the input is at " + juce::String (fileRate) + " Hz; this host does not resample");

        sampleRate = fileRate;
        audio = fitChannels (input, numChannels);
    }
    else
    {
        audio = skyhost::makeTestSignal (sampleRate, numChannels);
    }

    const auto plugin = loadOrReport (arguments.bundle);

    if (plugin == nullptr)
        return 1;

    if (! plugin->setChannelCount (numChannels))
        return fail ("the plug-in refuses a " + juce::String (numChannels) + "-channel layout");

    for (const auto& setting : arguments.settings)
    {
        if (! setting.containsChar ('='))
            return fail ("--set takes ID=VALUE, not " + setting);

        if (! plugin->setParameterValue (setting.upToFirstOccurrenceOf ("=", false, false),
                                         setting.fromFirstOccurrenceOf ("=", false, false), error))
            return fail (error);
    }

    plugin->prepare (sampleRate, arguments.blockSize);
    const auto seconds = plugin->render (audio, arguments.blockSize);
    plugin->release();

    if (! writeWav (output, audio, sampleRate, error))
        return fail (error);

    const auto audioSeconds = audio.getNumSamples() / sampleRate;
    std::cout << "rendered " << std::fixed << std::setprecision (3) << audioSeconds << " s of audio ("
              << numChannels << " ch, " << sampleRate << " Hz, blocks of " << arguments.blockSize << ") in "
              << seconds << " s: " << std::setprecision (1) << (seconds > 0.0 ? audioSeconds / seconds : 0.0)
              << "x real time\n"
              << "wrote " << output.getFullPathName() << "\n";
    return 0;
}

//==============================================================================
int screenshot (const juce::StringArray& words)
{
    const auto arguments = parse (words);

    if (arguments.error.isNotEmpty())
        return fail (arguments.error);

    if (arguments.positional.size() != 1)
        return fail ("screenshot takes OUT.png");

    if (! skyhost::x11::displayAvailable())
        return fail ("no X display (set DISPLAY, e.g. run Xvfb)");

    const auto output = juce::File::getCurrentWorkingDirectory().getChildFile (arguments.positional[0]);
    const auto plugin = loadOrReport (arguments.bundle);

    if (plugin == nullptr)
        return 1;

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    plugin->prepare (sampleRate, blockSize);

    juce::Image image;
    {
        skyhost::BackgroundAudio audio (*plugin, sampleRate, 2, blockSize);
        audio.start();

        skyhost::PluginWindow window (plugin->getInstance());

        if (window.getEditor() == nullptr)
            return fail ("the plug-in has no editor");

        // Long enough for the view to attach, map and paint, and for its timers to tick.
        skyhost::pumpMessages (1500);
        image = window.capture();
        audio.stop();
    }
    skyhost::pumpMessages (50);
    plugin->release();

    if (! image.isValid())
        return fail ("could not read the window from the X server");

    output.deleteFile();
    juce::FileOutputStream stream (output);
    juce::PNGImageFormat png;

    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
        return fail ("cannot write " + output.getFullPathName());

    std::cout << "wrote " << output.getFullPathName() << " (" << image.getWidth() << "x" << image.getHeight()
              << ")\n";
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    skyhost::x11::prepareForHosting();
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    juce::StringArray words;
    for (int i = 1; i < argc; ++i)
        words.add (juce::CharPointer_UTF8 (argv[i]));

    if (words.isEmpty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help")
    {
        (words.isEmpty() ? std::cerr : std::cout) << usage;
        return words.isEmpty() ? 2 : 0;
    }

    const auto command = words[0];
    words.remove (0);

    if (command == "info")
        return info (words);

    if (command == "render")
        return render (words);

    if (command == "screenshot")
        return screenshot (words);

    std::cerr << usage;
    return fail ("unknown command " + command);
}
