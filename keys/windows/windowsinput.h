#pragma once

#include <chrono>
#include <cstdint>

// Modifier bits as VkKeyScanExW reports them; Ctrl and Alt together are
// AltGr.
namespace LayoutModifier {
constexpr std::uint8_t kShift = 0x1;
constexpr std::uint8_t kCtrl = 0x2;
constexpr std::uint8_t kAlt = 0x4;
constexpr std::uint8_t kAll = kShift | kCtrl | kAlt;
} // namespace LayoutModifier

// The key and modifiers that give a character in a keyboard layout.
struct LayoutKey
{
    bool found = false;
    std::uint8_t virtualKey = 0;
    std::uint8_t modifiers = 0;
};

// What a key gives in a keyboard layout: one character (0 for none), or a
// dead key that waits for the next one.
struct KeyOutput
{
    char16_t character = 0;
    bool dead = false;
};

// The Windows services the Windows keyboard uses (user32 and kernel32). The
// layout questions are answered in the keyboard layout of the thread that
// owns the foreground window: the program the keys go to, not this one.
class WindowsInput
{
public:
    virtual ~WindowsInput();

    // keybd_event.
    virtual void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) = 0;
    // SendInput with KEYEVENTF_UNICODE: the character itself, no key.
    virtual void unicodeEvent(char16_t character, bool keyUp) = 0;
    // GetKeyState.
    virtual std::int16_t keyState(std::uint8_t virtualKey) = 0;
    // MapVirtualKeyW, virtual key to scan code.
    virtual std::uint8_t scanCode(std::uint8_t virtualKey) = 0;
    virtual void sleep(std::chrono::milliseconds duration) = 0;
    // GetACP: the code page an Alt code with a leading zero types in.
    virtual unsigned ansiCodePage() = 0;
    // VkKeyScanExW.
    virtual LayoutKey keyFor(char16_t character) = 0;
    // ToUnicodeEx for this key with these modifiers and Caps Lock, leaving
    // the keyboard state (a pending dead key) as it was.
    virtual KeyOutput output(std::uint8_t virtualKey, std::uint8_t modifiers, bool capsLock) = 0;
};
