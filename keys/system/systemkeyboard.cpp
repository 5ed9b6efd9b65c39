#include "systemkeyboard.h"

#include "keyslog.h"

#ifdef _WIN32
#include "keyboard_windows.h"
#else
#include "keyboard_wayland.h"
#include "keyboard_x11.h"
#endif

namespace {

class SilentKeyboard : public KeyboardDevice
{
public:
    void keyEvent(std::uint8_t, std::uint8_t, std::uint32_t) override {}
    bool capsLockOn() override { return false; }
    std::uint8_t scanCodeFor(std::uint8_t) override { return 0; }
    // Nothing is typed, so there is nothing to pace either.
    void sleepFor(std::chrono::milliseconds) override {}
    KeyboardReach reach() const override { return KeyboardReach::Nowhere; }
};

} // namespace

std::unique_ptr<KeyboardDevice> createSystemKeyboard()
{
#ifdef _WIN32
    return std::make_unique<WindowsKeyboard>();
#else
    // In a Wayland session the X display, if any, is XWayland: it reaches
    // only the programs that run through it, so the compositor comes first.
    const bool waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (waylandSession) {
        if (std::unique_ptr<WaylandKeyboard> keyboard = WaylandKeyboard::open())
            return keyboard;
    }
    if (std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open()) {
        if (waylandSession)
            keyboard->setReach(KeyboardReach::XWaylandWindows);
        return keyboard;
    }
    qCDebug(lcKeys) << "No keyboard to type on: neither the Wayland compositor nor the X display offers one, so scanned data will not be typed";
    return std::make_unique<SilentKeyboard>();
#endif
}
