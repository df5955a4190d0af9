#include <X11/Xlib.h>

namespace
{
int ignoreXError (Display*, XErrorEvent*)
{
    return 0;
}
} // namespace

// Kept apart from everything else: Xlib's macros (None, Bool, Status) collide with other headers.
void prepareXForWindows()
{
    XInitThreads();
    XSetErrorHandler (ignoreXError);
}
