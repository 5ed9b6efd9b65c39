#pragma once

#include <cstdint>

// The Windows virtual-key codes and keybd_event flags that the injector
// sends; the non-Windows devices translate the same numbers.
namespace vk {
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kReturn = 0x0D;
constexpr std::uint8_t kShift = 0x10;
constexpr std::uint8_t kControl = 0x11;
constexpr std::uint8_t kMenu = 0x12; // Alt
constexpr std::uint8_t kCapital = 0x14; // Caps Lock
constexpr std::uint8_t kSpace = 0x20;
constexpr std::uint8_t kDigit0 = 0x30;
constexpr std::uint8_t kDigit9 = 0x39;
constexpr std::uint8_t kLetterA = 0x41;
constexpr std::uint8_t kLetterZ = 0x5A;
constexpr std::uint8_t kNumpad0 = 0x60;
constexpr std::uint8_t kNumpad9 = 0x69;
constexpr std::uint8_t kOem1 = 0xBA;      // ; :
constexpr std::uint8_t kOemPlus = 0xBB;   // = +
constexpr std::uint8_t kOemComma = 0xBC;  // , <
constexpr std::uint8_t kOemMinus = 0xBD;  // - _
constexpr std::uint8_t kOemPeriod = 0xBE; // . >
constexpr std::uint8_t kOem2 = 0xBF;      // / ?
constexpr std::uint8_t kOem3 = 0xC0;      // ` ~
constexpr std::uint8_t kOem4 = 0xDB;      // [ {
constexpr std::uint8_t kOem5 = 0xDC;      // \ |
constexpr std::uint8_t kOem6 = 0xDD;      // ] }
constexpr std::uint8_t kOem7 = 0xDE;      // ' "
} // namespace vk

// keybd_event flags.
namespace KeyEventFlag {
constexpr std::uint32_t kExtendedKey = 0x1;
constexpr std::uint32_t kKeyUp = 0x2;
} // namespace KeyEventFlag
