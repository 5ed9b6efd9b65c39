#pragma once

#include <array>
#include <chrono>
#include <cstddef>

// The Windows Alt code entry: Alt held while decimal digits are typed on the
// numeric keypad. Five digits with a leading zero select the Windows (ANSI)
// code page; that is the only form this program sends.
constexpr std::size_t kAltCodeDigits = 5;
// Lets the Alt code entry take the last keypad digit before Alt goes up.
constexpr std::chrono::milliseconds kAltCodeReleasePause{5};

// The five digits of byte, most significant first (233 gives 0 0 2 3 3).
std::array<unsigned, kAltCodeDigits> altCodeDigits(unsigned char byte);

// Follows an Alt code as its key events arrive, for the keyboards that have
// to type its character some other way.
class AltCodeReader
{
public:
    void altDown();
    void digit(unsigned value);
    bool entering() const { return active; }
    // Whether a digit came since Alt went down: Alt tapped alone has none.
    bool digitsEntered() const { return digits > 0; }
    // Alt went up: the byte entered, or -1 when no code-page form was
    // entered (no digits, no leading zero).
    int altUp();

private:
    bool active = false;
    bool leadingZero = false;
    unsigned digits = 0;
    unsigned value = 0;
};
