#pragma once

#include "keyboarddevice.h"

#include <memory>

// The keyboard that types into the focused window of this desktop: the
// Windows input queue on Windows; elsewhere, in a Wayland session (where
// WAYLAND_DISPLAY is set) a virtual keyboard of the compositor, else the X
// display, which in a Wayland session reaches XWayland's windows only.
// Where there is none, a keyboard that types nothing, announced by one line
// on Qt's debug output, so that the program still runs. reach() tells which.
std::unique_ptr<KeyboardDevice> createSystemKeyboard();
