#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Which windows receive what a keyboard device types.
enum class KeyboardReach {
    FocusedWindow,    // whatever window has the keyboard focus
    XWaylandWindows,  // in a Wayland session: only programs running through XWayland
    Nowhere,          // nothing can be typed at all
};

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

    // The whole text (Latin-1 bytes, as the injector was given them) before
    // its first key event, and the end of it after its last one. A device
    // that must map characters its keymap lacks maps all of them here, so a
    // text costs one keymap change rather than one per character. The
    // defaults do nothing.
    virtual void beginText(const unsigned char *data, std::size_t length);
    virtual void endText();

    // Characters that could not be typed since the last call; the count
    // starts again from zero. The default device never drops one.
    virtual std::size_t takeUntypedCount();
    virtual KeyboardReach reach() const;
};
