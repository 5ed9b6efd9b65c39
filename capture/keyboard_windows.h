#pragma once

#include "keyboarddevice.h"

// GetKeyState's answer for a toggle key: the low bit is the toggle, the sign
// bit only says the key is held down right now. Reading any non-zero value
// as "on" would take a Caps Lock the operator is holding for toggled.
bool capsLockToggled(std::int16_t keyState);

// The Windows keyboard: events go to the system input queue through
// keybd_event and reach whatever window has the focus.
class WindowsKeyboard : public KeyboardDevice
{
public:
    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
};
