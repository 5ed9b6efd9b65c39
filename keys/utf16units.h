#pragma once

#include <array>
#include <cstddef>

// A character typed by its value rather than by a key goes out as Windows
// takes it (SendInput with KEYEVENTF_UNICODE): as UTF-16, one code unit, or
// two (its surrogates) for a character beyond U+FFFF.
struct Utf16Units
{
    std::array<char16_t, 2> units{};
    std::size_t count = 0;
};
Utf16Units utf16Units(char32_t character);

// Joins such code units back into the characters they stand for.
class Utf16Joiner
{
public:
    // The character this unit completes, or 0: a high surrogate waits for
    // the low one after it, and a surrogate without its partner names none.
    char32_t add(char16_t unit);

private:
    char16_t high = 0;
};
