#include "pausehookkeyboard.h"

#include <utility>

PauseHookKeyboard::PauseHookKeyboard(KeyboardDevice &device, std::function<void()> inPauses)
    : device(device)
    , inPauses(std::move(inPauses))
{
}

void PauseHookKeyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    device.keyEvent(virtualKey, scanCode, flags);
}

bool PauseHookKeyboard::capsLockOn()
{
    return device.capsLockOn();
}

std::uint8_t PauseHookKeyboard::scanCodeFor(std::uint8_t virtualKey)
{
    return device.scanCodeFor(virtualKey);
}

void PauseHookKeyboard::sleepFor(std::chrono::milliseconds duration)
{
    device.sleepFor(duration);
    if (inPauses)
        inPauses();
}

void PauseHookKeyboard::beginText(const unsigned char *data, std::size_t length)
{
    device.beginText(data, length);
}

void PauseHookKeyboard::endText()
{
    device.endText();
}

void PauseHookKeyboard::beginUnicodeText(const char32_t *text, std::size_t length)
{
    device.beginUnicodeText(text, length);
}

void PauseHookKeyboard::unicodeEvent(char16_t unit, bool keyUp)
{
    device.unicodeEvent(unit, keyUp);
}

std::size_t PauseHookKeyboard::takeUntypedCount()
{
    return device.takeUntypedCount();
}

KeyboardReach PauseHookKeyboard::reach() const
{
    return device.reach();
}
