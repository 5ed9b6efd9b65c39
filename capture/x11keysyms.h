#pragma once

#include <cstdint>

// Keysym values as the X protocol numbers them (Xlib's KeySym); kept apart
// from Xlib's own headers so this file can be used next to Qt's.
using KeysymValue = unsigned long;
constexpr KeysymValue kNoKeysym = 0;

// The keysym of the key a Windows virtual-key code names, on a US layout,
// without Shift (letters as lower case) and with Shift (0 where the key has
// no such key or level).
KeysymValue usLayoutKeysym(std::uint8_t virtualKey);
KeysymValue usLayoutShiftedKeysym(std::uint8_t virtualKey);
bool isLetterKey(std::uint8_t virtualKey);
// The upper-case partner of a lower-case letter keysym, else the keysym.
KeysymValue upperCaseKeysym(KeysymValue keysym);

// The keysym of the Windows-1252 character of byte, or kNoKeysym for the
// control codes and the five unassigned bytes 81, 8D, 8F, 90, 9D.
KeysymValue windows1252Keysym(unsigned char byte);
