#include "XDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace skyhost::x11
{
namespace
{
int ignoreError (Display*, XErrorEvent*)
{
    return 0;
}

// The host's own connection, opened on first use and kept for the life of the process. An X
// server without -noreset regenerates itself when its last client disconnects, and a client
// connecting meanwhile (a plug-in opening its display on its own thread) can hang for good; a
// connection that stays open keeps the server from ever seeing its last client go.
Display* hostDisplay()
{
    static Display* const display = []() -> Display*
    {
        const auto* name = std::getenv ("DISPLAY");
        return name != nullptr && *name != '\0' ? XOpenDisplay (name) : nullptr;
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

    XWindowAttributes attributes{};

    if (XGetWindowAttributes (display, window, &attributes) == 0 || attributes.width <= 0 ||
        attributes.height <= 0)
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
            result.argb[static_cast<size_t> (y) * static_cast<size_t> (result.width) +
                        static_cast<size_t> (x)] = 0xFF000000u | (channel (pixel, image->red_mask) << 16) |
                                                   (channel (pixel, image->green_mask) << 8) |
                                                   channel (pixel, image->blue_mask);
        }
    }

    XDestroyImage (image);
    return true;
}
} // namespace skyhost::x11
