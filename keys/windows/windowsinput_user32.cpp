// The Windows keyboard's services from user32 and kernel32.
#include "keyboard_windows.h"

#include <windows.h>

namespace {

constexpr ULONG_PTR kNoExtraInfo = 0;
constexpr BYTE kKeyDownState = 0x80;
constexpr BYTE kToggledState = 0x01;
// ToUnicodeEx flag: leave the keyboard state (a pending dead key) alone.
constexpr UINT kKeepKeyboardState = 0x4;
constexpr int kOutputCapacity = 4;
constexpr int kKeyStates = 256;
constexpr SHORT kNoKey = -1;

// The layout of the program that receives the keys.
HKL foregroundLayout()
{
    const HWND window = GetForegroundWindow();
    return GetKeyboardLayout(window ? GetWindowThreadProcessId(window, nullptr) : 0);
}

class User32Input : public WindowsInput
{
public:
    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override
    {
        keybd_event(virtualKey, scanCode, flags, kNoExtraInfo);
    }

    void unicodeEvent(char16_t character, bool keyUp) override
    {
        INPUT event{};
        event.type = INPUT_KEYBOARD;
        event.ki.wScan = character;
        event.ki.dwFlags = KEYEVENTF_UNICODE | (keyUp ? KEYEVENTF_KEYUP : 0);
        SendInput(1, &event, sizeof event);
    }

    std::int16_t keyState(std::uint8_t virtualKey) override { return GetKeyState(virtualKey); }

    std::uint8_t scanCode(std::uint8_t virtualKey) override
    {
        return static_cast<std::uint8_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    }

    void sleep(std::chrono::milliseconds duration) override { Sleep(static_cast<DWORD>(duration.count())); }

    unsigned ansiCodePage() override { return GetACP(); }

    LayoutKey keyFor(char16_t character) override
    {
        const SHORT key = VkKeyScanExW(character, foregroundLayout());
        if (key == kNoKey)
            return {};
        return LayoutKey{true, LOBYTE(key), HIBYTE(key)};
    }

    KeyOutput output(std::uint8_t virtualKey, std::uint8_t modifiers, bool capsLock) override
    {
        const HKL layout = foregroundLayout();
        BYTE state[kKeyStates] = {};
        if (modifiers & LayoutModifier::kShift)
            state[VK_SHIFT] = state[VK_LSHIFT] = kKeyDownState;
        if (modifiers & LayoutModifier::kCtrl)
            state[VK_CONTROL] = state[VK_LCONTROL] = kKeyDownState;
        if (modifiers & LayoutModifier::kAlt)
            state[VK_MENU] = state[VK_LMENU] = kKeyDownState;
        if (capsLock)
            state[VK_CAPITAL] = kToggledState;
        const UINT scanCode = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout);
        WCHAR text[kOutputCapacity] = {};
        const int length = ToUnicodeEx(virtualKey, scanCode, state, text, kOutputCapacity, kKeepKeyboardState, layout);
        if (length < 0) {
            // Systems that ignore the flag keep the dead key pending in this
            // thread; the same key again takes it out.
            WCHAR flush[kOutputCapacity] = {};
            ToUnicodeEx(virtualKey, scanCode, state, flush, kOutputCapacity, kKeepKeyboardState, layout);
            return KeyOutput{static_cast<char16_t>(text[0]), true};
        }
        return length == 1 ? KeyOutput{static_cast<char16_t>(text[0]), false} : KeyOutput{};
    }
};

} // namespace

WindowsKeyboard::WindowsKeyboard()
    : WindowsKeyboard(std::make_unique<User32Input>())
{
}
