#include "keyboard_windows.h"

#include "uslayout.h"
#include "virtualkeys.h"
#include "windows1252.h"

namespace {

constexpr std::int16_t kToggledBit = 0x1;
// Keys go out with the extended flag, as the typing rules send them; the
// Ctrl and Alt that make AltGr are the plain left keys.
constexpr std::uint32_t kDown = KeyEventFlag::kExtendedKey;
constexpr std::uint32_t kUp = KeyEventFlag::kExtendedKey | KeyEventFlag::kKeyUp;
constexpr std::uint32_t kPlainDown = 0;
constexpr std::uint32_t kPlainUp = KeyEventFlag::kKeyUp;

bool isKeypadDigit(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9;
}

bool isKeyUp(std::uint32_t flags)
{
    return (flags & KeyEventFlag::kKeyUp) != 0;
}

} // namespace

bool capsLockToggled(std::int16_t keyState)
{
    return (keyState & kToggledBit) != 0;
}

WindowsInput::~WindowsInput() = default;

WindowsKeyboard::WindowsKeyboard(std::unique_ptr<WindowsInput> input)
    : input(std::move(input))
{
}

WindowsKeyboard::~WindowsKeyboard() = default;

void WindowsKeyboard::send(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    input->keyEvent(virtualKey, scanCode, flags);
    if (virtualKey == vk::kCapital && !isKeyUp(flags))
        textCapsLock = !textCapsLock;
}

void WindowsKeyboard::setShift(bool down)
{
    if (down == shiftDown)
        return;
    send(vk::kShift, 0, down ? kDown : kUp);
    shiftDown = down;
}

void WindowsKeyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    if (virtualKey == vk::kMenu || (altCode.entering() && isKeypadDigit(virtualKey))) {
        altCodeEvent(virtualKey, scanCode, flags);
        return;
    }
    // Shift goes out when the key it is for does, and only if that key
    // needs it in the receiving window's layout.
    if (virtualKey == vk::kShift) {
        shiftWanted = !isKeyUp(flags);
        if (!shiftWanted)
            setShift(false);
        return;
    }
    if (virtualKey == vk::kCapital)
        send(virtualKey, scanCode, flags);
    else if (isKeyUp(flags))
        keyUp(virtualKey);
    else
        keyDown(virtualKey, scanCode, flags);
}

// An Alt code goes out as it came where it gives the Windows-1252 character
// the rules mean; elsewhere its character is typed by its Unicode value.
void WindowsKeyboard::altCodeEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    const bool up = isKeyUp(flags);
    if (virtualKey == vk::kMenu && !up) {
        altCode.altDown();
        altCodePassedOn = input->ansiCodePage() == kWindowsLatin1CodePage;
    } else if (virtualKey == vk::kMenu) {
        const int byte = altCode.altUp();
        if (!altCodePassedOn && byte >= 0) {
            const char16_t character = windows1252ToUnicode(static_cast<unsigned char>(byte));
            if (character) {
                input->unicodeEvent(character, false);
                input->unicodeEvent(character, true);
            } else {
                ++untyped;
            }
        }
    } else if (!up) {
        altCode.digit(virtualKey - vk::kNumpad0);
    }
    if (altCodePassedOn)
        send(virtualKey, scanCode, flags);
}

void WindowsKeyboard::keyDown(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    const bool letterUpper = capsLockOn() != shiftWanted;
    const char character = usLayoutCharacter(virtualKey, shiftWanted, letterUpper);
    if (character != 0 && !givesOnRulesKey(virtualKey, character)) {
        pressLayoutKey(virtualKey, character, flags);
        return;
    }
    setShift(shiftWanted);
    send(virtualKey, scanCode, flags);
    releases[virtualKey] = Release{{Event{virtualKey, scanCode, flags | KeyEventFlag::kKeyUp}}, false};
}

void WindowsKeyboard::keyUp(std::uint8_t virtualKey)
{
    const Release release = std::move(releases[virtualKey]);
    releases[virtualKey] = Release{};
    for (const Event &event : release.events)
        send(event.virtualKey, event.scanCode, event.flags);
    if (release.shiftPressedForKey && !shiftWanted)
        setShift(false);
}

bool WindowsKeyboard::givesOnRulesKey(std::uint8_t virtualKey, char character)
{
    const KeyOutput output = input->output(virtualKey, shiftWanted ? LayoutModifier::kShift : 0, capsLockOn());
    return !output.dead && output.character == static_cast<unsigned char>(character);
}

// The key and modifiers the layout gives character with; Caps Lock is
// taken off for the key when it would change what the key gives (the
// AZERTY digit row, where Caps Lock acts as Shift). A dead key, or none,
// leaves the Alt code.
void WindowsKeyboard::pressLayoutKey(std::uint8_t rulesKey, char character, std::uint32_t flags)
{
    const char16_t wanted = static_cast<unsigned char>(character);
    const LayoutKey key = input->keyFor(wanted);
    bool usable = key.found && (key.modifiers & ~LayoutModifier::kAll) == 0;
    bool capsInTheWay = false;
    if (usable) {
        const KeyOutput output = input->output(key.virtualKey, key.modifiers, capsLockOn());
        if (output.dead || output.character != wanted) {
            const KeyOutput capsOff = input->output(key.virtualKey, key.modifiers, false);
            capsInTheWay = capsLockOn() && !capsOff.dead && capsOff.character == wanted;
            usable = capsInTheWay;
        }
    }
    Release &release = releases[rulesKey];
    release = Release{};
    if (!usable) {
        typeAltCode(static_cast<unsigned char>(character));
        return;
    }
    if (capsInTheWay) {
        send(vk::kCapital, 0, kDown);
        send(vk::kCapital, 0, kUp);
    }
    const bool shift = (key.modifiers & LayoutModifier::kShift) != 0;
    const bool ctrl = (key.modifiers & LayoutModifier::kCtrl) != 0;
    const bool alt = (key.modifiers & LayoutModifier::kAlt) != 0;
    setShift(shift);
    if (ctrl)
        send(vk::kControl, 0, kPlainDown);
    if (alt)
        send(vk::kMenu, 0, kPlainDown);
    send(key.virtualKey, 0, flags);

    release.events.push_back(Event{key.virtualKey, 0, flags | KeyEventFlag::kKeyUp});
    if (alt)
        release.events.push_back(Event{vk::kMenu, 0, kPlainUp});
    if (ctrl)
        release.events.push_back(Event{vk::kControl, 0, kPlainUp});
    if (capsInTheWay) {
        release.events.push_back(Event{vk::kCapital, 0, kDown});
        release.events.push_back(Event{vk::kCapital, 0, kUp});
    }
    release.shiftPressedForKey = shift && !shiftWanted;
}

void WindowsKeyboard::typeAltCode(unsigned char byte)
{
    setShift(false);
    send(vk::kMenu, 0, kDown);
    for (unsigned digit : altCodeDigits(byte)) {
        const auto key = static_cast<std::uint8_t>(vk::kNumpad0 + digit);
        const std::uint8_t scanCode = input->scanCode(key);
        send(key, scanCode, kPlainDown);
        send(key, scanCode, kPlainUp);
    }
    input->sleep(kAltCodeReleasePause);
    send(vk::kMenu, 0, kUp);
}

bool WindowsKeyboard::capsLockOn()
{
    return inText ? textCapsLock : capsLockToggled(input->keyState(vk::kCapital));
}

std::uint8_t WindowsKeyboard::scanCodeFor(std::uint8_t virtualKey)
{
    return input->scanCode(virtualKey);
}

void WindowsKeyboard::sleepFor(std::chrono::milliseconds duration)
{
    input->sleep(duration);
}

void WindowsKeyboard::beginText(const unsigned char *, std::size_t)
{
    inText = true;
    textCapsLock = capsLockToggled(input->keyState(vk::kCapital));
}

void WindowsKeyboard::endText()
{
    for (std::size_t key = 0; key < releases.size(); ++key) {
        if (!releases[key].events.empty())
            keyUp(static_cast<std::uint8_t>(key));
    }
    shiftWanted = false;
    setShift(false);
    inText = false;
}

std::size_t WindowsKeyboard::takeUntypedCount()
{
    const std::size_t count = untyped;
    untyped = 0;
    return count;
}
