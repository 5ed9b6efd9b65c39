#include "streamcases.h"

#include "keyinjector.h"

#include <array>
#include <initializer_list>

namespace {

using Events = RecordingKeyboard::Events;
using std::chrono::milliseconds;

constexpr std::uint32_t kExtendedDown = 1;
constexpr std::uint32_t kExtendedUp = 3;
constexpr std::uint32_t kKeypadDown = 0;
constexpr std::uint32_t kKeypadUp = 2;
constexpr std::uint8_t kShift = 0x10;
constexpr std::uint8_t kAlt = 0x12;
constexpr std::uint8_t kCapsLock = 0x14;
constexpr std::uint8_t kReturn = 0x0D;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kSpace = 0x20;
constexpr std::uint8_t kOem2 = 0xBF;
constexpr std::uint8_t kNumpad0 = 0x60;
// What MapVirtualKeyW answers for the keypad digits 0 to 9 on a US keyboard.
constexpr std::array<std::uint8_t, 10> kKeypadScanCodes{0x52, 0x4F, 0x50, 0x51, 0x4B,
                                                        0x4C, 0x4D, 0x47, 0x48, 0x49};

Events join(std::initializer_list<Events> parts)
{
    Events all;
    for (const Events &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Events pace{RecordedEvent::sleep(milliseconds{10})};

Events press(std::uint8_t key)
{
    return {RecordedEvent::key(key, 0, kExtendedDown), RecordedEvent::key(key, 0, kExtendedUp)};
}

const Events capsToggle = press(kCapsLock);

Events shifted(std::uint8_t key)
{
    return {RecordedEvent::key(kShift, 0, kExtendedDown), RecordedEvent::key(key, 0, kExtendedDown),
            RecordedEvent::key(key, 0, kExtendedUp), RecordedEvent::key(kShift, 0, kExtendedUp)};
}

Events altCode(std::initializer_list<int> digits)
{
    Events events{RecordedEvent::key(kAlt, 0, kExtendedDown)};
    for (int digit : digits) {
        const auto key = static_cast<std::uint8_t>(kNumpad0 + digit);
        const std::uint8_t scanCode = kKeypadScanCodes[static_cast<std::size_t>(digit)];
        events.push_back(RecordedEvent::key(key, scanCode, kKeypadDown));
        events.push_back(RecordedEvent::key(key, scanCode, kKeypadUp));
    }
    events.push_back(RecordedEvent::sleep(milliseconds{5}));
    events.push_back(RecordedEvent::key(kAlt, 0, kExtendedUp));
    return events;
}

std::vector<unsigned char> bytes(const std::string &text)
{
    return {text.begin(), text.end()};
}

} // namespace

std::vector<StreamCase> streamCases()
{
    const bool off = false;
    const bool on = true;
    return {
        {"empty, Caps Lock off", {}, off, true, {}},
        {"empty, Caps Lock on", {}, on, true, {}},
        {"lower case, Caps Lock off", bytes("ab"), off, true, join({pace, press('A'), pace, press('B')})},
        {"lower case, Caps Lock on", bytes("a"), on, true, join({pace, capsToggle, press('A'), capsToggle})},
        {"upper case, Caps Lock off", bytes("A"), off, true, join({pace, capsToggle, press('A'), capsToggle})},
        {"upper case, Caps Lock on", bytes("AB"), on, true, join({pace, press('A'), pace, press('B')})},
        {"mixed case ends as it started", bytes("aBc"), off, true,
         join({pace, press('A'), pace, capsToggle, press('B'), pace, capsToggle, press('C')})},
        {"digits, Caps Lock on", bytes("123"), on, true,
         join({pace, press('1'), pace, press('2'), pace, press('3')})},
        {"digits, Caps Lock off", bytes("7"), off, true, join({pace, capsToggle, press('7'), capsToggle})},
        {"N tilde as Alt code", {0xD1}, off, true, join({pace, altCode({0, 0, 2, 0, 9})})},
        {"N tilde, Caps Lock on", {0xD1}, on, true, join({pace, altCode({0, 0, 2, 0, 9})})},
        {"byte 0x80 as Alt code", {0x80}, off, true, join({pace, altCode({0, 0, 1, 2, 8})})},
        {"byte 0xFF as Alt code", {0xFF}, off, true, join({pace, altCode({0, 0, 2, 5, 5})})},
        {"Spanish name", bytes("Pe\xf1" "a"), off, true,
         join({pace, capsToggle, press('P'), pace, capsToggle, press('E'), pace, altCode({0, 0, 2, 4, 1}), pace,
               press('A')})},
        {"question mark with Shift", bytes("?"), off, true, join({pace, shifted(kOem2)})},
        {"line feed types nothing", bytes("\n"), off, true, pace},
        {"carriage return", bytes("\r"), off, true, join({pace, press(kReturn)})},
        {"tab and space", bytes("\t "), off, true, join({pace, press(kTab), pace, press(kSpace)})},
        {"zero byte costs its pause", {0x00}, on, true, pace},
        {"DEL types nothing", {0x7F}, off, true, pace},
        {"before the table: separators silent", bytes("\t\r ?"), off, false, join({pace, pace, pace, pace})},
        {"before the table: letters typed", bytes("a"), off, false, join({pace, press('A')})},
    };
}

RecordingKeyboard::Events typeCase(const StreamCase &streamCase, bool &capsLockAtEnd)
{
    RecordingKeyboard keyboard(streamCase.capsLockAtStart);
    KeyInjector injector(keyboard);
    if (streamCase.tableBuilt)
        injector.initKeyTable();
    injector.typeBuffer(streamCase.input.data(), streamCase.input.size());
    capsLockAtEnd = keyboard.capsLockOn();
    return keyboard.events();
}
