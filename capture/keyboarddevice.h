#pragma once

#include <chrono>
#include <cstdint>

// The few keyboard services the keystroke injector needs. They mirror the
// Windows calls it was written for (keybd_event, GetKeyState of VK_CAPITAL,
// MapVirtualKeyW to scan codes, Sleep), so that every device, real or
// recording, sees the same stream of virtual-key events in the same order.
class KeyboardDevice
{
public:
    virtual ~KeyboardDevice();

    // One key transition: a Windows virtual-key code, a scan code (0 unless
    // the caller looked one up) and the keybd_event flags (KeyEventFlag).
    virtual void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) = 0;
    // Whether Caps Lock is toggled on right now, including toggles this
    // device has just sent.
    virtual bool capsLockOn() = 0;
    virtual std::uint8_t scanCodeFor(std::uint8_t virtualKey) = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};
