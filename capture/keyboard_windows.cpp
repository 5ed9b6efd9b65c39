#include "keyboard_windows.h"

#include "virtualkeys.h"

#include <windows.h>

namespace {

constexpr std::int16_t kToggledBit = 0x1;
constexpr ULONG_PTR kNoExtraInfo = 0;

} // namespace

bool capsLockToggled(std::int16_t keyState)
{
    return (keyState & kToggledBit) != 0;
}

void WindowsKeyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    keybd_event(virtualKey, scanCode, flags, kNoExtraInfo);
}

bool WindowsKeyboard::capsLockOn()
{
    return capsLockToggled(GetKeyState(vk::kCapital));
}

std::uint8_t WindowsKeyboard::scanCodeFor(std::uint8_t virtualKey)
{
    return static_cast<std::uint8_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
}

void WindowsKeyboard::sleepFor(std::chrono::milliseconds duration)
{
    Sleep(static_cast<DWORD>(duration.count()));
}
