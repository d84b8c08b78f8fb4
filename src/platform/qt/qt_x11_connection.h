#pragma once

// Xlib's connection type, named without its header.
struct _XDisplay;

namespace davev {

// The X11 connection of the running application when it runs on Qt's xcb
// platform; nullptr on any other (Wayland, offscreen).
_XDisplay* qtX11Connection();

} // namespace davev
