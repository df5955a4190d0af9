#pragma once

#include <cstdint>
#include <vector>

// The few Xlib calls the host makes itself, kept apart from JUCE: Xlib's macros (None, Bool,
// Status, Window...) collide with JUCE's names.
namespace skyhost::x11
{
// Makes Xlib safe for a process in which several threads and several display connections (the
// host's and every plug-in's own copy of JUCE) talk to the server, and keeps an X error in a
// request that a plug-in sent from killing the whole host: Xlib's default handler exits. Also
// opens the host's own connection (when DISPLAY is set) and keeps it until the process ends, so
// that the server cannot regenerate under the connections that follow. Call it first in main(),
// before JUCE or any plug-in opens a display.
void prepareForHosting();

// True when a display can be opened (DISPLAY names a reachable X server).
bool displayAvailable();

// What a window shows on screen, its child windows included, as 0xAARRGGBB pixels row by row.
struct Pixels
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// Reads a window's contents from the X server. The plug-in's editor draws into a child window of
// its own, so only the server has the composed picture. False if the window cannot be read.
bool grabWindow (unsigned long window, Pixels& result);
} // namespace skyhost::x11
