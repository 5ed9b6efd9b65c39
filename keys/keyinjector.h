#pragma once

#include "altcode.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

class KeyboardDevice;

// Types Latin-1 bytes as key presses on a keyboard device. Letters are typed
// by steering Caps Lock (never Shift), digits by their own keys, punctuation
// through a US-layout table with Shift where needed, and every byte of 128 or
// more through the Alt code entry (Alt held, five keypad digits), which
// gives the character of the Windows code page. Caps Lock is left as found.
//
// Nothing but letters, digits and Alt codes is typed until initKeyTable()
// has run: the main window relies on that for the composer's start-up run.
class KeyInjector
{
public:
    static constexpr std::size_t kTableSize = 128;
    static constexpr std::size_t kDecimalDigits = 10;

    // The pause before every byte (zero bytes included) paces the output for
    // the receiving program; the shorter one lets the Alt code entry take the
    // last keypad digit before Alt goes up.
    static constexpr std::chrono::milliseconds kPerBytePause{10};
    static constexpr std::chrono::milliseconds kAltReleasePause = kAltCodeReleasePause;

    // Digit d on the numeric keypad.
    static const std::array<std::uint8_t, kDecimalDigits> numpadKeys;

    explicit KeyInjector(KeyboardDevice &device);

    // Entry c: 0 = not typed, k > 0 = press key k, v < 0 = Shift plus the
    // key in the low byte of ~v.
    const std::array<std::int32_t, kTableSize> &keyTable() const { return table; }

    void initKeyTable();

    // Types length bytes; a null data pointer types nothing.
    void typeBuffer(const unsigned char *data, std::size_t length);
    // One character 1 to 127 through the key table; other values type nothing.
    void pressMappedKey(int c);
    void typeAltCode(unsigned char b);
    void setCapsLock(bool on);

private:
    void pressKey(std::uint8_t virtualKey);

    KeyboardDevice &device;
    std::array<std::int32_t, kTableSize> table{};
};
