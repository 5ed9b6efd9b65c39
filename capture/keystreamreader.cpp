#include "keystreamreader.h"

#include "virtualkeys.h"

#include <array>

namespace {

constexpr unsigned kDecimalBase = 10;
constexpr unsigned kByteValues = 256;
constexpr char32_t kFirstPrintable = U' ';
constexpr char32_t kLastPrintable = U'~';
constexpr unsigned char kFirstWindowsOnly = 0x80;
constexpr unsigned char kFirstLatin1Printable = 0xA0;
constexpr char32_t kCaseOffset = U'a' - U'A';

// Windows-1252 bytes 80 to 9F, where it departs from Latin-1; 0 where the
// code page leaves the byte unassigned.
constexpr std::array<char32_t, kFirstLatin1Printable - kFirstWindowsOnly> kWindows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct UsKey
{
    std::uint8_t virtualKey;
    char32_t plain;
    char32_t shifted;
};

constexpr UsKey kUsKeys[] = {
    {vk::kTab, KeyStreamReader::kTab, KeyStreamReader::kTab},
    {vk::kReturn, KeyStreamReader::kEnter, KeyStreamReader::kEnter},
    {vk::kSpace, U' ', U' '},
    {'0', U'0', U')'},
    {'1', U'1', U'!'},
    {'2', U'2', U'@'},
    {'3', U'3', U'#'},
    {'4', U'4', U'$'},
    {'5', U'5', U'%'},
    {'6', U'6', U'^'},
    {'7', U'7', U'&'},
    {'8', U'8', U'*'},
    {'9', U'9', U'('},
    {vk::kOem1, U';', U':'},
    {vk::kOemPlus, U'=', U'+'},
    {vk::kOemComma, U',', U'<'},
    {vk::kOemMinus, U'-', U'_'},
    {vk::kOemPeriod, U'.', U'>'},
    {vk::kOem2, U'/', U'?'},
    {vk::kOem3, U'`', U'~'},
    {vk::kOem4, U'[', U'{'},
    {vk::kOem5, U'\\', U'|'},
    {vk::kOem6, U']', U'}'},
    {vk::kOem7, U'\'', U'"'},
};

bool isKeypadDigit(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9;
}

char32_t windows1252(unsigned char byte)
{
    if (byte >= kFirstWindowsOnly && byte < kFirstLatin1Printable)
        return kWindows1252High[byte - kFirstWindowsOnly];
    return byte;
}

} // namespace

char32_t KeyStreamReader::keyEvent(std::uint8_t virtualKey, std::uint32_t flags)
{
    const bool up = (flags & KeyEventFlag::kKeyUp) != 0;
    if (virtualKey == vk::kMenu) {
        if (up)
            return finishAltCode();
        altEntry = true;
        altDigits = 0;
        altValue = 0;
        return kNoCharacter;
    }
    if (virtualKey == vk::kShift) {
        shiftHeld = !up;
        return kNoCharacter;
    }
    if (up)
        return kNoCharacter;
    if (virtualKey == vk::kCapital) {
        capsLock = !capsLock;
        return kNoCharacter;
    }
    if (isKeypadDigit(virtualKey)) {
        const unsigned digit = virtualKey - vk::kNumpad0;
        if (!altEntry)
            return U'0' + digit;
        if (altDigits == 0)
            altLeadingZero = digit == 0;
        altValue = (altValue * kDecimalBase + digit) % kByteValues;
        ++altDigits;
        return kNoCharacter;
    }
    if (virtualKey >= vk::kLetterA && virtualKey <= vk::kLetterZ) {
        const char32_t upper = virtualKey;
        return capsLock != shiftHeld ? upper : upper + kCaseOffset;
    }
    for (const UsKey &key : kUsKeys) {
        if (key.virtualKey == virtualKey)
            return shiftHeld ? key.shifted : key.plain;
    }
    return kNoCharacter;
}

// Only the Windows code page form (leading zero) is read: it is the only one
// the injector sends. Alt tapped alone types nothing and is not counted.
char32_t KeyStreamReader::finishAltCode()
{
    const bool complete = altEntry && altDigits > 0 && altLeadingZero;
    const bool tapped = altEntry && altDigits == 0;
    altEntry = false;
    const char32_t character = complete ? windows1252(static_cast<unsigned char>(altValue)) : kNoCharacter;
    if (character == kNoCharacter && !tapped)
        ++unreadable;
    return character;
}

char32_t typedCharacter(unsigned char byte)
{
    if (byte == KeyStreamReader::kTab || byte == KeyStreamReader::kEnter)
        return byte;
    if (byte >= kFirstPrintable && byte <= kLastPrintable)
        return byte;
    if (byte >= kFirstWindowsOnly)
        return windows1252(byte);
    return KeyStreamReader::kNoCharacter;
}
