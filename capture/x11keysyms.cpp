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

struct UsKey
{
    std::uint8_t virtualKey;
    KeysymValue plain;
    KeysymValue shifted;
};

constexpr UsKey kUsKeys[] = {
    {vk::kTab, XK_Tab, XK_Tab},
    {vk::kReturn, XK_Return, XK_Return},
    {vk::kSpace, XK_space, XK_space},
    {vk::kShift, XK_Shift_L, XK_Shift_L},
    {vk::kMenu, XK_Alt_L, XK_Alt_L},
    {vk::kCapital, XK_Caps_Lock, XK_Caps_Lock},
    {'0', XK_0, XK_parenright},
    {'1', XK_1, XK_exclam},
    {'2', XK_2, XK_at},
    {'3', XK_3, XK_numbersign},
    {'4', XK_4, XK_dollar},
    {'5', XK_5, XK_percent},
    {'6', XK_6, XK_asciicircum},
    {'7', XK_7, XK_ampersand},
    {'8', XK_8, XK_asterisk},
    {'9', XK_9, XK_parenleft},
    {vk::kOem1, XK_semicolon, XK_colon},
    {vk::kOemPlus, XK_equal, XK_plus},
    {vk::kOemComma, XK_comma, XK_less},
    {vk::kOemMinus, XK_minus, XK_underscore},
    {vk::kOemPeriod, XK_period, XK_greater},
    {vk::kOem2, XK_slash, XK_question},
    {vk::kOem3, XK_grave, XK_asciitilde},
    {vk::kOem4, XK_bracketleft, XK_braceleft},
    {vk::kOem5, XK_backslash, XK_bar},
    {vk::kOem6, XK_bracketright, XK_braceright},
    {vk::kOem7, XK_apostrophe, XK_quotedbl},
};

const UsKey *findUsKey(std::uint8_t virtualKey)
{
    for (const UsKey &key : kUsKeys) {
        if (key.virtualKey == virtualKey)
            return &key;
    }
    return nullptr;
}

} // namespace

bool isLetterKey(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kLetterA && virtualKey <= vk::kLetterZ;
}

KeysymValue usLayoutKeysym(std::uint8_t virtualKey)
{
    if (isLetterKey(virtualKey))
        return XK_a + (virtualKey - vk::kLetterA);
    if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9)
        return XK_KP_0 + (virtualKey - vk::kNumpad0);
    const UsKey *key = findUsKey(virtualKey);
    return key ? key->plain : kNoKeysym;
}

KeysymValue usLayoutShiftedKeysym(std::uint8_t virtualKey)
{
    if (isLetterKey(virtualKey))
        return XK_A + (virtualKey - vk::kLetterA);
    const UsKey *key = findUsKey(virtualKey);
    return key ? key->shifted : kNoKeysym;
}

KeysymValue upperCaseKeysym(KeysymValue keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return keysym - (XK_a - XK_A);
    return keysym;
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
