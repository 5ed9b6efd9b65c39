#pragma once

#include "keyboarddevice.h"

#include <memory>

// The keyboard that types into the focused window of this desktop: the
// Windows input queue on Windows, the X display elsewhere. Where there is
// neither, a keyboard that types nothing, announced by one line on Qt's
// debug output, so that the program still runs.
std::unique_ptr<KeyboardDevice> createSystemKeyboard();
