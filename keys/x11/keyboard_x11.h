#pragma once

#include "keyboarddevice.h"

#include <memory>

// The keyboard of an X display, driven through the XTest extension. The
// virtual-key stream is read as it means on a US layout (Shift, the Caps
// Lock toggles and Alt codes included) and each character is typed on the
// key and level that give it in the keyboard group active now, with Shift
// and the level-three key (AltGr) pressed as that key needs. A character the
// keymap lacks is typed on a spare keycode mapped to it for the time being;
// every spare character of a text is mapped before its first key.
//
// After each keymap change it makes, and before each text typed in a group
// other than the first, the clients are told the keyboard state anew: Qt's
// would otherwise read the keys in the first group.
//
// The keymap is followed as it changes (a layout switch, a keyboard plugged
// in), locked Shift and Caps Lock are released while a text is typed and put
// back after it, and every keycode this keyboard changed is restored when it
// goes. What a keyboard of a Quillon that was killed left changed on the
// display is put back when the next one opens.
//
// Xlib stays inside the implementation: its macros break Qt's headers.
class X11Keyboard : public KeyboardDevice
{
public:
    // Both is the working mapping. LowerCaseOnly gives a spare keycode the
    // lower-case letter on both levels, so capitals that need a spare
    // keycode are lost: the typing tests use it to show that they notice a
    // broken device.
    enum class SpareLevels { Both, LowerCaseOnly };

    // Null when the display cannot be opened or lacks XTest or XKB.
    static std::unique_ptr<X11Keyboard> open(const char *displayName = nullptr,
                                             SpareLevels levels = SpareLevels::Both);
    ~X11Keyboard() override;

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    void beginText(const unsigned char *data, std::size_t length) override;
    void endText() override;
    void beginUnicodeText(const char32_t *text, std::size_t length) override;
    void unicodeEvent(char16_t unit, bool keyUp) override;
    std::size_t takeUntypedCount() override;
    // In a Wayland session only programs running through XWayland see
    // what this keyboard types. The server says so when it is a newer
    // XWayland; the start-up choice says so when it knows the session.
    KeyboardReach reach() const override;
    void setReach(KeyboardReach reach);

    // Keycodes without symbols in the display's keymap as it is now: the
    // same number again once the keyboards that borrowed some are gone.
    int unmappedKeycodeCount();

private:
    struct Connection;
    explicit X11Keyboard(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> x;
};
