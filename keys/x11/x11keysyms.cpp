#include "x11keysyms.h"

#include "virtualkeys.h"

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_LATIN2
#define XK_LATIN9
#define XK_PUBLISHING
#define XK_CURRENCY
#include <X11/keysymdef.h>

#include <array>

namespace {

// Keysyms 0x1000000 + code point name any Unicode character; used where the
// older keysym sets have no name for it.
constexpr KeysymValue kUnicodeKeysymBase = 0x1000000;
constexpr KeysymValue unicodeKeysym(KeysymValue codePoint)
{
    return kUnicodeKeysymBase + codePoint;
}

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintableAscii = 0x7E;
constexpr unsigned char kFirstWindowsOnly = 0x80;
constexpr unsigned char kFirstLatin1Printable = 0xA0;

// Windows-1252 bytes 80 to 9F, where it departs from Latin-1.
constexpr std::array<KeysymValue, kFirstLatin1Printable - kFirstWindowsOnly> kWindows1252High{
    XK_EuroSign,           kNoKeysym,           XK_singlelowquotemark,  unicodeKeysym(0x0192),
    XK_doublelowquotemark, XK_ellipsis,         XK_dagger,              XK_doubledagger,
    unicodeKeysym(0x02C6), XK_permille,         XK_Scaron,              unicodeKeysym(0x2039),
    XK_OE,                 kNoKeysym,           XK_Zcaron,              kNoKeysym,
    kNoKeysym,             XK_leftsinglequotemark, XK_rightsinglequotemark, XK_leftdoublequotemark,
    XK_rightdoublequotemark, XK_enfilledcircbullet, XK_endash,          XK_emdash,
    unicodeKeysym(0x02DC), XK_trademark,        XK_scaron,              unicodeKeysym(0x203A),
    XK_oe,                 kNoKeysym,           XK_zcaron,              XK_Ydiaeresis,
};

} // namespace

KeysymValue keypadKeysym(std::uint8_t virtualKey)
{
    if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9)
        return XK_KP_0 + (virtualKey - vk::kNumpad0);
    return kNoKeysym;
}

KeysymValue typedCharacterKeysym(unsigned char byte)
{
    if (byte == '\t')
        return XK_Tab;
    if (byte == '\r')
        return XK_Return;
    return windows1252Keysym(byte);
}

KeysymValue windows1252Keysym(unsigned char byte)
{
    if (byte >= kFirstPrintable && byte <= kLastPrintableAscii)
        return byte;
    if (byte >= kFirstLatin1Printable)
        return byte;
    if (byte >= kFirstWindowsOnly)
        return kWindows1252High[byte - kFirstWindowsOnly];
    return kNoKeysym;
}
