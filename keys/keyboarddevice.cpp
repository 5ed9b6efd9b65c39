#include "keyboarddevice.h"

KeyboardDevice::~KeyboardDevice() = default;

void KeyboardDevice::beginText(const unsigned char *, std::size_t)
{
}

void KeyboardDevice::endText()
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
