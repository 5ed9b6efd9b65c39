#include "recordedlayouts.h"

#include "keyboard_windows.h"
#include "windows1252.h"

#include <map>

namespace {

using std::chrono::milliseconds;

// Windows virtual-key codes, written out as the Windows headers number them.
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kReturn = 0x0D;
constexpr std::uint8_t kShift = 0x10;
constexpr std::uint8_t kControl = 0x11;
constexpr std::uint8_t kMenu = 0x12;
constexpr std::uint8_t kCapital = 0x14;
constexpr std::uint8_t kSpace = 0x20;
constexpr std::uint8_t kNumpad0 = 0x60;
constexpr std::uint8_t kNumpad9 = 0x69;
constexpr std::uint8_t kOem1 = 0xBA;
constexpr std::uint8_t kOemPlus = 0xBB;
constexpr std::uint8_t kOemComma = 0xBC;
constexpr std::uint8_t kOemMinus = 0xBD;
constexpr std::uint8_t kOemPeriod = 0xBE;
constexpr std::uint8_t kOem2 = 0xBF;
constexpr std::uint8_t kOem3 = 0xC0;
constexpr std::uint8_t kOem4 = 0xDB;
constexpr std::uint8_t kOem5 = 0xDC;
constexpr std::uint8_t kOem6 = 0xDD;
constexpr std::uint8_t kOem7 = 0xDE;
constexpr std::uint8_t kOem8 = 0xDF;
constexpr std::uint8_t kOem102 = 0xE2;
constexpr std::uint32_t kKeyUp = 0x2;
constexpr std::uint8_t kAltGr = LayoutModifier::kCtrl | LayoutModifier::kAlt;
constexpr std::uint8_t kKeypadScanCodes[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
constexpr unsigned kDecimalBase = 10;
constexpr unsigned kByteValues = 256;
constexpr unsigned kFirstNonAscii = 0x80;
// What an Alt code gives where the code page is not the one the typing
// rules mean: some other character.
constexpr char16_t kOtherCharacter = 0xFFFD;
constexpr std::uint8_t kNone = 0;

constexpr std::uint8_t kPlainDead = DeadLevel::kPlain;
constexpr std::uint8_t kBothDead = DeadLevel::kPlain | DeadLevel::kShifted;
constexpr std::uint8_t kAltGrDead = DeadLevel::kAltGr;

LayoutRow key(std::uint8_t virtualKey, char16_t plain, char16_t shifted, char16_t altGr = 0,
              std::uint8_t dead = kNone, bool capsLockShifts = false)
{
    return LayoutRow{virtualKey, plain, shifted, altGr, dead, capsLockShifts};
}

// Tab, Return, Space, then the letters (Caps Lock acts as Shift on them),
// some with an AltGr character.
std::vector<LayoutRow> withCommonKeys(std::vector<LayoutRow> rows, const std::map<char, char16_t> &letterAltGr)
{
    rows.push_back(key(kTab, '\t', '\t'));
    rows.push_back(key(kReturn, '\r', '\r'));
    rows.push_back(key(kSpace, ' ', ' '));
    for (char upper = 'A'; upper <= 'Z'; ++upper) {
        const auto altGr = letterAltGr.find(upper);
        rows.push_back(key(static_cast<std::uint8_t>(upper), static_cast<char16_t>(upper - 'A' + 'a'),
                           static_cast<char16_t>(upper), altGr == letterAltGr.end() ? 0 : altGr->second, kNone, true));
    }
    return rows;
}

std::vector<RecordedLayout> makeLayouts()
{
    return {
        {"us",
         withCommonKeys({key(kOem3, '`', '~'), key('1', '1', '!'), key('2', '2', '@'), key('3', '3', '#'),
                         key('4', '4', '$'), key('5', '5', '%'), key('6', '6', '^'), key('7', '7', '&'),
                         key('8', '8', '*'), key('9', '9', '('), key('0', '0', ')'), key(kOemMinus, '-', '_'),
                         key(kOemPlus, '=', '+'), key(kOem4, '[', '{'), key(kOem6, ']', '}'), key(kOem5, '\\', '|'),
                         key(kOem1, ';', ':'), key(kOem7, '\'', '"'), key(kOemComma, ',', '<'),
                         key(kOemPeriod, '.', '>'), key(kOem2, '/', '?'), key(kOem102, '\\', '|')},
                        {})},
        {"es",
         withCommonKeys({key(kOem5, 0xBA, 0xAA, '\\'), key('1', '1', '!', '|'), key('2', '2', '"', '@'),
                         key('3', '3', 0xB7, '#'), key('4', '4', '$', '~'), key('5', '5', '%', 0x20AC),
                         key('6', '6', '&', 0xAC), key('7', '7', '/'), key('8', '8', '('), key('9', '9', ')'),
                         key('0', '0', '='), key(kOem4, '\'', '?'), key(kOem6, 0xA1, 0xBF),
                         key(kOem1, '`', '^', '[', kBothDead), key(kOemPlus, '+', '*', ']'),
                         key(kOem3, 0xF1, 0xD1, 0, kNone, true), key(kOem7, 0xB4, 0xA8, '{', kBothDead),
                         key(kOem2, 0xE7, 0xC7, '}', kNone, true), key(kOem102, '<', '>'), key(kOemComma, ',', ';'),
                         key(kOemPeriod, '.', ':'), key(kOemMinus, '-', '_')},
                        {{'E', 0x20AC}})},
        {"latam",
         withCommonKeys({key(kOem5, '|', 0xB0, 0xAC), key('1', '1', '!'), key('2', '2', '"'), key('3', '3', '#'),
                         key('4', '4', '$'), key('5', '5', '%'), key('6', '6', '&'), key('7', '7', '/'),
                         key('8', '8', '('), key('9', '9', ')'), key('0', '0', '='), key(kOem4, '\'', '?', '\\'),
                         key(kOem6, 0xBF, 0xA1), key(kOem1, 0xB4, 0xA8, 0, kBothDead), key(kOemPlus, '+', '*', '~'),
                         key(kOem3, 0xF1, 0xD1, 0, kNone, true), key(kOem7, '{', '[', '^', kAltGrDead),
                         key(kOem2, '}', ']', '`', kAltGrDead), key(kOem102, '<', '>'), key(kOemComma, ',', ';'),
                         key(kOemPeriod, '.', ':'), key(kOemMinus, '-', '_')},
                        {{'Q', '@'}})},
        {"de",
         withCommonKeys({key(kOem5, '^', 0xB0, 0, kPlainDead), key('1', '1', '!'), key('2', '2', '"', 0xB2),
                         key('3', '3', 0xA7, 0xB3), key('4', '4', '$'), key('5', '5', '%'), key('6', '6', '&'),
                         key('7', '7', '/', '{'), key('8', '8', '(', '['), key('9', '9', ')', ']'),
                         key('0', '0', '=', '}'), key(kOem4, 0xDF, '?', '\\'), key(kOem6, 0xB4, '`', 0, kBothDead),
                         key(kOem1, 0xFC, 0xDC, 0, kNone, true), key(kOemPlus, '+', '*', '~'),
                         key(kOem3, 0xF6, 0xD6, 0, kNone, true), key(kOem7, 0xE4, 0xC4, 0, kNone, true),
                         key(kOem2, '#', '\''), key(kOem102, '<', '>', '|'), key(kOemComma, ',', ';'),
                         key(kOemPeriod, '.', ':'), key(kOemMinus, '-', '_')},
                        {{'Q', '@'}, {'E', 0x20AC}, {'M', 0xB5}})},
        // The digit row gives its symbols alone and its digits with Shift,
        // and Caps Lock acts as Shift on it.
        {"fr",
         withCommonKeys({key(kOem7, 0xB2, 0), key('1', '&', '1', 0, kNone, true),
                         key('2', 0xE9, '2', '~', kAltGrDead, true), key('3', '"', '3', '#', kNone, true),
                         key('4', '\'', '4', '{', kNone, true), key('5', '(', '5', '[', kNone, true),
                         key('6', '-', '6', '|', kNone, true), key('7', 0xE8, '7', '`', kAltGrDead, true),
                         key('8', '_', '8', '\\', kNone, true), key('9', 0xE7, '9', '^', kNone, true),
                         key('0', 0xE0, '0', '@', kNone, true), key(kOem4, ')', 0xB0, ']'), key(kOemPlus, '=', '+', '}'),
                         key(kOem6, '^', 0xA8, 0, kBothDead), key(kOem1, '$', 0xA3, 0xA4), key(kOem3, 0xF9, '%'),
                         key(kOem5, '*', 0xB5), key(kOem102, '<', '>'), key(kOemComma, ',', '?'),
                         key(kOemPeriod, ';', '.'), key(kOem2, ':', '/'), key(kOem8, '!', 0xA7)},
                        {{'E', 0x20AC}})},
    };
}

} // namespace

const std::vector<RecordedLayout> &recordedLayouts()
{
    static const std::vector<RecordedLayout> layouts = makeLayouts();
    return layouts;
}

RecordedLayoutInput::RecordedLayoutInput(const RecordedLayout &layout, unsigned codePage, bool capsLockAtStart)
    : layout(layout)
    , codePage(codePage)
    , capsLock(capsLockAtStart)
{
}

const LayoutRow *RecordedLayoutInput::row(std::uint8_t virtualKey) const
{
    for (const LayoutRow &candidate : layout.rows) {
        if (candidate.virtualKey == virtualKey)
            return &candidate;
    }
    return nullptr;
}

// The first key, in table order, that gives the character alone, then
// with Shift, then with AltGr: what VkKeyScanExW answers.
LayoutKey RecordedLayoutInput::keyFor(char16_t character)
{
    const std::pair<std::uint8_t, char16_t LayoutRow::*> levels[] = {
        {kNone, &LayoutRow::plain}, {LayoutModifier::kShift, &LayoutRow::shifted}, {kAltGr, &LayoutRow::altGr}};
    for (const auto &level : levels) {
        for (const LayoutRow &candidate : layout.rows) {
            if (candidate.*level.second == character)
                return LayoutKey{true, candidate.virtualKey, level.first};
        }
    }
    return {};
}

KeyOutput RecordedLayoutInput::output(std::uint8_t virtualKey, std::uint8_t modifiers, bool capsLockOn)
{
    const LayoutRow *found = row(virtualKey);
    if (!found)
        return {};
    if (modifiers == kAltGr)
        return KeyOutput{found->altGr, (found->dead & DeadLevel::kAltGr) != 0};
    if ((modifiers & ~LayoutModifier::kShift) != 0)
        return {};
    const bool shifted = ((modifiers & LayoutModifier::kShift) != 0) != (capsLockOn && found->capsLockShifts);
    const std::uint8_t deadLevel = shifted ? DeadLevel::kShifted : DeadLevel::kPlain;
    return KeyOutput{shifted ? found->shifted : found->plain, (found->dead & deadLevel) != 0};
}

void RecordedLayoutInput::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    recorded.push_back(RecordedEvent::key(virtualKey, scanCode, flags));
    const bool up = (flags & kKeyUp) != 0;
    if (virtualKey == kMenu && up && altCodeActive) {
        altCodeActive = false;
        if (altCodeDigits > 0)
            receive(altCodeCharacter());
    }
    if (up) {
        held.erase(virtualKey);
        return;
    }
    if (virtualKey == kMenu && !held.count(kControl)) {
        altCodeActive = true;
        altCodeDigits = 0;
        altCodeValue = 0;
    }
    held.insert(virtualKey);
    if (virtualKey == kCapital)
        capsLock = !capsLock;
    else if (altCodeActive && virtualKey >= kNumpad0 && virtualKey <= kNumpad9) {
        if (altCodeDigits == 0)
            altCodeLeadingZero = virtualKey == kNumpad0;
        altCodeValue = altCodeValue * kDecimalBase + (virtualKey - kNumpad0);
        ++altCodeDigits;
    } else if (virtualKey != kShift && virtualKey != kControl && virtualKey != kMenu)
        windowKeyDown(virtualKey);
}

// The character of the Alt code entered: ASCII in every code page, the rest
// as the rules mean it only in Windows-1252.
char16_t RecordedLayoutInput::altCodeCharacter() const
{
    const unsigned byte = altCodeValue % kByteValues;
    if (!altCodeLeadingZero)
        return kOtherCharacter;
    if (codePage == kWindowsLatin1CodePage)
        return windows1252ToUnicode(static_cast<unsigned char>(byte));
    return byte < kFirstNonAscii ? static_cast<char16_t>(byte) : kOtherCharacter;
}

void RecordedLayoutInput::windowKeyDown(std::uint8_t virtualKey)
{
    std::uint8_t modifiers = held.count(kShift) ? LayoutModifier::kShift : kNone;
    if (held.count(kControl))
        modifiers |= LayoutModifier::kCtrl;
    if (held.count(kMenu))
        modifiers |= LayoutModifier::kAlt;
    // Alt alone makes a menu key, Ctrl alone a control code: no character.
    if ((modifiers & kAltGr) != 0 && (modifiers & kAltGr) != kAltGr)
        return;
    const KeyOutput output = this->output(virtualKey, modifiers & kAltGr ? kAltGr : modifiers, capsLock);
    if (output.dead) {
        ++deadPresses;
        pendingDead = output.character;
        return;
    }
    if (output.character == 0)
        return;
    // A dead key and a space give the accent alone; nothing composes here,
    // so anything else shows as the accent followed by the character.
    if (pendingDead && output.character == ' ') {
        receive(pendingDead);
    } else {
        if (pendingDead)
            receive(pendingDead);
        receive(output.character);
    }
    pendingDead = 0;
}

void RecordedLayoutInput::receive(char16_t character)
{
    received.push_back(character);
}

void RecordedLayoutInput::unicodeEvent(char16_t character, bool keyUp)
{
    recorded.push_back(RecordedEvent::key(0, 0, keyUp ? kKeyUp : 0));
    if (!keyUp)
        receive(character);
}

std::int16_t RecordedLayoutInput::keyState(std::uint8_t virtualKey)
{
    return virtualKey == kCapital && capsLock ? 1 : 0;
}

std::uint8_t RecordedLayoutInput::scanCode(std::uint8_t virtualKey)
{
    if (virtualKey >= kNumpad0 && virtualKey <= kNumpad9)
        return kKeypadScanCodes[virtualKey - kNumpad0];
    return 0;
}

void RecordedLayoutInput::sleep(milliseconds duration)
{
    recorded.push_back(RecordedEvent::sleep(duration));
}
