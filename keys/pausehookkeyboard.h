#pragma once

#include "keyboarddevice.h"

#include <functional>

// Types on another keyboard device and runs a task of the caller's after
// each pause between keys. Typing a long block blocks the program for a
// second or more; the receive path reads the scanner's port in the pauses,
// so what the scanner sends meanwhile is taken in (and logged) as it comes.
class PauseHookKeyboard : public KeyboardDevice
{
public:
    PauseHookKeyboard(KeyboardDevice &device, std::function<void()> inPauses);

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    void beginText(const unsigned char *data, std::size_t length) override;
    void endText() override;
    void beginUnicodeText(const char32_t *text, std::size_t length) override;
    void unicodeEvent(char16_t unit, bool keyUp) override;
    std::size_t takeUntypedCount() override;
    KeyboardReach reach() const override;

private:
    KeyboardDevice &device;
    std::function<void()> inPauses;
};
