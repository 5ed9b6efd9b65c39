#pragma once

#include <cstdint>

// Keysym values as the X protocol numbers them (Xlib's KeySym); kept apart
// from Xlib's own headers so this file can be used next to Qt's.
using KeysymValue = unsigned long;
constexpr KeysymValue kNoKeysym = 0;

// The keysym of the Windows-1252 character of byte, or kNoKeysym for the
// control codes and the five unassigned bytes 81, 8D, 8F, 90, 9D.
KeysymValue windows1252Keysym(unsigned char byte);
// The keysym that types the character of byte into a text: as above, and
// the Tab and Return keys for tab and carriage return.
KeysymValue typedCharacterKeysym(unsigned char byte);
// The keysym of a numeric keypad digit key (a Windows virtual-key code), or
// kNoKeysym for any other key.
KeysymValue keypadKeysym(std::uint8_t virtualKey);
