#pragma once

#include "keyboarddevice.h"

#include <memory>

// The keyboard of a Wayland session, as a virtual keyboard on the seat
// (zwp_virtual_keyboard_manager_v1). The device reads the injector's key
// stream into characters and types each one on a key of a keymap of its
// own, uploaded before the first key of every text that needs a character
// the keymap lacks; Caps Lock, Shift and Alt stay inside the device.
class WaylandKeyboard : public KeyboardDevice
{
public:
    // Null when there is no compositor to connect to, or it offers no
    // virtual keyboards (or refuses this program one). displayName as for
    // wl_display_connect: null for WAYLAND_DISPLAY.
    static std::unique_ptr<WaylandKeyboard> open(const char *displayName = nullptr);
    ~WaylandKeyboard() override;

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    void beginText(const unsigned char *data, std::size_t length) override;
    std::size_t takeUntypedCount() override;
    KeyboardReach reach() const override;

private:
    struct Connection;
    explicit WaylandKeyboard(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> w;
};
