#include "XDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

namespace skyhost::x11
{
namespace
{
int ignoreError (Display*, XErrorEvent*)
{
    return 0;
}

// An X server without -noreset regenerates itself whenever its last client disconnects, as
// happens between two test processes. A client that connects during the regeneration can be
// accepted and then never served, and xcb_connect waits for its answer forever. So the first
// connection is made on a helper thread with a deadline and tried again if the server stays
// silent; once one connection is established and kept, the server cannot regenerate under the
// connections that follow (the host's JUCE, the plug-in's JUCE on its own thread).
xcb_connection_t* connectToServer()
{
    using namespace std::chrono_literals;

    for (int attempt = 0; attempt < 5; ++attempt)
    {
        auto promise = std::make_shared<std::promise<xcb_connection_t*>>();
        auto answer = promise->get_future();

        // Abandoned if it never returns: it waits on a connection the server has forgotten.
        std::thread ([promise] { promise->set_value (xcb_connect (nullptr, nullptr)); }).detach();

        if (answer.wait_for (2s) != std::future_status::ready)
            continue;

        auto* connection = answer.get();

        if (xcb_connection_has_error (connection) == 0)
            return connection;

        // Refused or unreachable: there is no server to wait for.
        xcb_disconnect (connection);
        return nullptr;
    }

    return nullptr;
}

// The host's own connections, opened on first use and kept for the life of the process.
Display* hostDisplay()
{
    static Display* const display = []() -> Display*
    {
        const auto* name = std::getenv ("DISPLAY");

        if (name == nullptr || *name == '\0' || connectToServer() == nullptr)
            return nullptr;

        return XOpenDisplay (name);
    }();

    return display;
}

// Scales a masked colour channel to 8 bits, whatever the visual's channel width.
std::uint32_t channel (unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;

    int shift = 0;
    while (((mask >> shift) & 1UL) == 0)
        ++shift;

    const auto maximum = mask >> shift;
    const auto value = (pixel & mask) >> shift;
    return static_cast<std::uint32_t> ((value * 255UL + maximum / 2) / maximum);
}
} // namespace

void prepareForHosting()
{
    XInitThreads();
    XSetErrorHandler (ignoreError);
    hostDisplay();
}

bool displayAvailable()
{
    return hostDisplay() != nullptr;
}

bool grabWindow (unsigned long window, Pixels& result)
{
    auto* display = hostDisplay();

    if (display == nullptr || window == 0)
        return false;

    XWindowAttributes attributes {};

    if (XGetWindowAttributes (display, window, &attributes) == 0 || attributes.width <= 0
        || attributes.height <= 0)
        return false;

    auto* image = XGetImage (display, window, 0, 0, static_cast<unsigned int> (attributes.width),
                             static_cast<unsigned int> (attributes.height), AllPlanes, ZPixmap);

    if (image == nullptr)
        return false;

    result.width = attributes.width;
    result.height = attributes.height;
    result.argb.resize (static_cast<size_t> (result.width) * static_cast<size_t> (result.height));

    for (int y = 0; y < result.height; ++y)
    {
        for (int x = 0; x < result.width; ++x)
        {
            const auto pixel = XGetPixel (image, x, y);
            result.argb[static_cast<size_t> (y) * static_cast<size_t> (result.width) + static_cast<size_t> (x)] =
                0xFF000000u | (channel (pixel, image->red_mask) << 16) | (channel (pixel, image->green_mask) << 8)
                | channel (pixel, image->blue_mask);
        }
    }

    XDestroyImage (image);
    return true;
}
} // namespace skyhost::x11
