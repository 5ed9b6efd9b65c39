#pragma once

#include "keyboarddevice.h"

#include <memory>

// The keyboard of an X display, driven through the XTest extension. Each
// virtual key becomes the X key that carries the same symbol as that key on
// a US layout; a symbol the keymap lacks, and the character of an Alt code
// (X has no Alt code entry), is typed on a spare keycode that is mapped to
// it for the time being. The keymap is restored when the device goes.
//
// Xlib stays inside the implementation: its macros break Qt's headers.
class X11Keyboard : public KeyboardDevice
{
public:
    // Both is the working mapping. LowerLevelOnly maps a spare keycode's
    // first level only, so capitals typed on it come out in lower case: the
    // typing tests use it to show that they notice a broken device.
    enum class SpareLevels { Both, LowerLevelOnly };

    // Null when the display cannot be opened or lacks XTest or XKB.
    static std::unique_ptr<X11Keyboard> open(const char *displayName = nullptr,
                                             SpareLevels levels = SpareLevels::Both);
    ~X11Keyboard() override;

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    KeyboardReach reach() const override { return typingReach; }
    // In a Wayland session the display is XWayland's, and only its programs
    // receive what is typed here.
    void setReach(KeyboardReach reach) { typingReach = reach; }

    // Keycodes without symbols in the display's keymap as it is now: the
    // same number again once the keyboards that borrowed some are gone.
    int unmappedKeycodeCount();

private:
    struct Connection;
    explicit X11Keyboard(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> x;
    KeyboardReach typingReach = KeyboardReach::FocusedWindow;
};
