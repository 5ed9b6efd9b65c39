#pragma once

#include "altcode.h"

#include <cstdint>

// Reads the injector's stream of virtual-key events back into the characters
// it types, as a Windows desktop with a US layout takes them: a letter in the
// case that Caps Lock and Shift give it, the digit row and punctuation of the
// US layout with and without Shift, Tab, Enter and space, and Alt held over
// keypad digits with a leading zero as the Windows-1252 character of the
// value. A device that types characters rather than keys uses it; Caps Lock,
// Shift and Alt are followed here and never reach the receiving program.
class KeyStreamReader
{
public:
    static constexpr char32_t kNoCharacter = 0;
    static constexpr char32_t kTab = U'\t';
    static constexpr char32_t kEnter = U'\r';

    // Caps Lock as the receiving side had it before the stream began.
    explicit KeyStreamReader(bool capsLockAtStart = false)
        : capsLock(capsLockAtStart)
    {
    }

    // The character this key event completes (a key going down, or Alt
    // going up at the end of an Alt code), else kNoCharacter. An Alt code
    // whose value names no character is counted in unreadableAltCodes.
    char32_t keyEvent(std::uint8_t virtualKey, std::uint32_t flags);

    // The Caps Lock state the stream has toggled to.
    bool capsLockOn() const { return capsLock; }
    unsigned unreadableAltCodes() const { return unreadable; }

private:
    char32_t finishAltCode();

    bool capsLock;
    bool shiftHeld = false;
    AltCodeReader altCode;
    unsigned unreadable = 0;
};

// The character the injector types for byte (Windows-1252, a carriage
// return as Enter), or kNoCharacter for the bytes it types nothing for or
// that name no character.
char32_t typedCharacter(unsigned char byte);
