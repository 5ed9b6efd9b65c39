#pragma once

#include <cstdint>

// The US English layout that the typing rules speak: which key (a Windows
// virtual-key code), with or without Shift, gives each character that is
// neither a letter nor a digit, and back.
struct UsLayoutKey
{
    char character;
    std::uint8_t virtualKey;
    bool shifted;
};

// Tab, carriage return, space and the printable punctuation, each once.
const UsLayoutKey *usLayoutKeysBegin();
const UsLayoutKey *usLayoutKeysEnd();

// The character a key gives on a US layout: letters by caseUpper (what
// Shift and Caps Lock together make of them), digits and punctuation by
// shifted; 0 for keys that give no character (modifiers, keypad).
char usLayoutCharacter(std::uint8_t virtualKey, bool shifted, bool caseUpper);
