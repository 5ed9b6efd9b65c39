#include "keyboarddevice.h"

KeyboardDevice::~KeyboardDevice() = default;

void KeyboardDevice::beginText(const unsigned char *, std::size_t)
{
}

void KeyboardDevice::endText()
{
}

void KeyboardDevice::beginUnicodeText(const char32_t *, std::size_t)
{
    beginText(nullptr, 0);
}

void KeyboardDevice::unicodeEvent(char16_t, bool)
{
}

std::size_t KeyboardDevice::takeUntypedCount()
{
    return 0;
}

KeyboardReach KeyboardDevice::reach() const
{
    return KeyboardReach::FocusedWindow;
}
