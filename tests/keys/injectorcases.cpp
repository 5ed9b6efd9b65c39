#include "injectorcases.h"

#include "keyinjector.h"

#include <chrono>
#include <initializer_list>

namespace {

using Events = RecordingKeyboard::Events;
using std::chrono::milliseconds;

// Written out as the Windows headers number them, independently of the
// injector's own constants.
constexpr std::uint8_t kVkReturn = 0x0D;
constexpr std::uint8_t kVkTab = 0x09;
constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkMenu = 0x12;
constexpr std::uint8_t kVkCapital = 0x14;
constexpr std::uint8_t kVkSpace = 0x20;
constexpr std::uint8_t kVkOem2 = 0xBF;
constexpr std::uint8_t kVkOem7 = 0xDE;
constexpr std::uint8_t kVkNumpad0 = 0x60;
constexpr std::uint32_t kExtended = 1;
constexpr std::uint32_t kExtendedUp = 3;
constexpr std::uint32_t kUp = 2;
constexpr std::uint8_t kKeypadScanCodes[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};

Events operator+(Events a, const Events &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Events byteStart() { return {RecordedEvent::sleep(milliseconds{10})}; }

Events press(std::uint8_t key)
{
    return {RecordedEvent::key(key, 0, kExtended), RecordedEvent::key(key, 0, kExtendedUp)};
}

Events capsToggle() { return press(kVkCapital); }

Events withShift(std::uint8_t key)
{
    return {RecordedEvent::key(kVkShift, 0, kExtended), RecordedEvent::key(key, 0, kExtended),
            RecordedEvent::key(key, 0, kExtendedUp), RecordedEvent::key(kVkShift, 0, kExtendedUp)};
}

Events altCode(std::initializer_list<int> digits)
{
    Events events{RecordedEvent::key(kVkMenu, 0, kExtended)};
    for (int d : digits) {
        const auto key = static_cast<std::uint8_t>(kVkNumpad0 + d);
        events.push_back(RecordedEvent::key(key, kKeypadScanCodes[d], 0));
        events.push_back(RecordedEvent::key(key, kKeypadScanCodes[d], kUp));
    }
    events.push_back(RecordedEvent::sleep(milliseconds{5}));
    events.push_back(RecordedEvent::key(kVkMenu, 0, kExtendedUp));
    return events;
}

} // namespace

std::vector<InjectorCase> injectorCases()
{
    const Events none;
    return {
        {"lower-case letter with Caps Lock on toggles it, and back at the end", true, "a",
         byteStart() + capsToggle() + press('A') + capsToggle()},
        {"capital with Caps Lock off toggles it, and back at the end", false, "A",
         byteStart() + capsToggle() + press('A') + capsToggle()},
        {"letters matching Caps Lock off send only their keys", false, "az",
         byteStart() + press('A') + byteStart() + press('Z')},
        {"letters matching Caps Lock on send only their keys", true, "AZ",
         byteStart() + press('A') + byteStart() + press('Z')},
        {"mixed case toggles at each change", false, "aBc",
         byteStart() + press('A') + byteStart() + capsToggle() + press('B') + byteStart() + capsToggle() + press('C')},
        {"digits with Caps Lock on send no toggle", true, "123",
         byteStart() + press('1') + byteStart() + press('2') + byteStart() + press('3')},
        {"digits want Caps Lock on as capitals do", false, "1",
         byteStart() + capsToggle() + press('1') + capsToggle()},
        {"empty buffer, Caps Lock off", false, "", none},
        {"empty buffer, Caps Lock on", true, "", none},
        {"N tilde as Alt code 0 0 2 0 9", false, "\xD1", byteStart() + altCode({0, 0, 2, 0, 9})},
        {"0x80 as Alt code 0 0 1 2 8", false, "\x80", byteStart() + altCode({0, 0, 1, 2, 8})},
        {"0xFF as Alt code 0 0 2 5 5", false, "\xFF", byteStart() + altCode({0, 0, 2, 5, 5})},
        {"Alt code leaves Caps Lock alone", true, "\xE9", byteStart() + altCode({0, 0, 2, 3, 3})},
        {"question mark with Shift", false, "?", byteStart() + withShift(kVkOem2)},
        {"apostrophe and double quote share a key", false, "'\"",
         byteStart() + press(kVkOem7) + byteStart() + withShift(kVkOem7)},
        {"shifted digit-row symbol with Caps Lock on", true, ")", byteStart() + withShift('0')},
        {"line feed types nothing", false, "\n", byteStart()},
        {"DEL types nothing", false, "\x7F", byteStart()},
        {"carriage return is the extended Return key", false, "\r", byteStart() + press(kVkReturn)},
        {"tab and space", false, "\t ", byteStart() + press(kVkTab) + byteStart() + press(kVkSpace)},
        {"zero byte costs only its pause", false, std::string("a\0b", 3),
         byteStart() + press('A') + byteStart() + byteStart() + press('B')},
    };
}

RecordingKeyboard::Events typeOnRecorder(const std::string &bytes, bool capsLockAtStart, bool *capsLockAtEnd)
{
    RecordingKeyboard keyboard(capsLockAtStart);
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    injector.typeBuffer(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
    if (capsLockAtEnd)
        *capsLockAtEnd = keyboard.capsLockOn();
    return keyboard.events();
}
