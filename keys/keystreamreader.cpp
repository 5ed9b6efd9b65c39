#include "keystreamreader.h"

#include "uslayout.h"
#include "virtualkeys.h"
#include "windows1252.h"

namespace {

constexpr unsigned char kFirstPrintable = ' ';
constexpr unsigned char kLastPrintable = '~';
constexpr unsigned char kFirstHighByte = 0x80;

bool isKeypadDigit(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9;
}

} // namespace

char32_t KeyStreamReader::keyEvent(std::uint8_t virtualKey, std::uint32_t flags)
{
    const bool up = (flags & KeyEventFlag::kKeyUp) != 0;
    if (virtualKey == vk::kMenu) {
        if (up)
            return finishAltCode();
        altCode.altDown();
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
        if (!altCode.entering())
            return U'0' + digit;
        altCode.digit(digit);
        return kNoCharacter;
    }
    return static_cast<unsigned char>(usLayoutCharacter(virtualKey, shiftHeld, capsLock != shiftHeld));
}

// Only the Windows code page form (leading zero) is read: it is the only one
// the injector sends. Alt tapped alone types nothing and is not counted.
char32_t KeyStreamReader::finishAltCode()
{
    const bool tapped = altCode.entering() && !altCode.digitsEntered();
    const int byte = altCode.altUp();
    const char32_t character = byte < 0 ? kNoCharacter : windows1252ToUnicode(static_cast<unsigned char>(byte));
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
    if (byte >= kFirstHighByte)
        return windows1252ToUnicode(byte);
    return KeyStreamReader::kNoCharacter;
}
