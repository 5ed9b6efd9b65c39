#pragma once

#include "altcode.h"
#include "keyboarddevice.h"
#include "windowsinput.h"

#include <array>
#include <memory>
#include <vector>

// GetKeyState's answer for a toggle key: the low bit is the toggle, the sign
// bit only says the key is held down right now. Reading any non-zero value
// as "on" would take a Caps Lock the operator is holding for toggled.
bool capsLockToggled(std::int16_t keyState);

// The Windows code page in which Alt codes give what the typing rules mean.
constexpr unsigned kWindowsLatin1CodePage = 1252;

// The Windows keyboard: events go to the system input queue and reach
// whatever window has the focus. The typing rules speak a US layout; this
// keyboard reads each key as the character it means there and, where the
// layout of the window receiving the keys gives that character on another
// key or with other modifiers (Spanish, Latin American, German, AZERTY),
// presses that key with Shift, Ctrl and Alt as the layout needs. On a US
// layout every event goes out exactly as the rules sent it. A character no
// key gives goes through an Alt code; where the system code page is not
// Windows-1252, the bytes of 128 and more are typed by their Unicode value,
// since an Alt code would give another character there.
class WindowsKeyboard : public KeyboardDevice
{
public:
    // The system's own input (Windows builds only).
    WindowsKeyboard();
    explicit WindowsKeyboard(std::unique_ptr<WindowsInput> input);
    ~WindowsKeyboard() override;

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    void beginText(const unsigned char *data, std::size_t length) override;
    void endText() override;
    std::size_t takeUntypedCount() override;

private:
    struct Event
    {
        std::uint8_t virtualKey;
        std::uint8_t scanCode;
        std::uint32_t flags;
    };
    // What goes out when the rules release a key: its key up, the
    // modifiers pressed for it, Caps Lock put back.
    struct Release
    {
        std::vector<Event> events;
        bool shiftPressedForKey = false;
    };

    void send(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags);
    void setShift(bool down);
    void keyDown(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags);
    void keyUp(std::uint8_t virtualKey);
    bool givesOnRulesKey(std::uint8_t virtualKey, char character);
    void pressLayoutKey(std::uint8_t rulesKey, char character, std::uint32_t flags);
    void typeAltCode(unsigned char byte);
    void altCodeEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags);

    std::unique_ptr<WindowsInput> input;
    bool inText = false;
    // Caps Lock during a text, with the toggles sent since it began: the
    // key state of a thread that is not reading its input lags behind.
    bool textCapsLock = false;
    bool shiftWanted = false; // the rules hold Shift
    bool shiftDown = false;   // this keyboard has sent Shift down
    AltCodeReader altCode;
    bool altCodePassedOn = false;
    std::array<Release, 256> releases;
    std::size_t untyped = 0;
};
