#pragma once

// What every window of the application shows the desktop: the vtr icon from the start, then,
// once the application is known, its own window class and icon.

namespace Runtime {

// The vtr icon on every window: what the application carries until its own icon is known.
void ApplyRuntimeIcon();

// The window class made from AppID and the icon the archive carries (the vtr icon stays
// without one, or when it cannot be read), for every window from now on: the gates' windows,
// the main window and every dialog.
void ApplyApplicationIdentity();

} // namespace Runtime
