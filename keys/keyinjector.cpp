#include "keyinjector.h"

#include "altcode.h"
#include "keyboarddevice.h"
#include "uslayout.h"
#include "virtualkeys.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// Only the keypad digits of an Alt code carry a scan code.
constexpr std::uint8_t kNoScanCode = 0;
constexpr std::uint32_t kDown = KeyEventFlag::kExtendedKey;
constexpr std::uint32_t kUp = KeyEventFlag::kExtendedKey | KeyEventFlag::kKeyUp;
// Keypad digits go without the extended flag: with it they would be the
// cursor keys, and the Alt code entry would see no digits.
constexpr std::uint32_t kKeypadDown = 0;
constexpr std::uint32_t kKeypadUp = KeyEventFlag::kKeyUp;

constexpr unsigned char kFirstLower = 'a';
constexpr unsigned char kLastLower = 'z';
constexpr unsigned char kFirstUpper = 'A';
constexpr unsigned char kLastUpper = 'Z';
constexpr unsigned char kFirstDigit = '0';
constexpr unsigned char kLastDigit = '9';
constexpr unsigned char kFirstHighByte = 0x80;
constexpr unsigned char kCaseOffset = 'a' - 'A';
constexpr std::int32_t kLowByteMask = 0xFF;

constexpr std::int32_t withShift(std::uint8_t virtualKey)
{
    return ~static_cast<std::int32_t>(virtualKey);
}

} // namespace

const std::array<std::uint8_t, KeyInjector::kDecimalDigits> KeyInjector::numpadKeys{
    vk::kNumpad0,     vk::kNumpad0 + 1, vk::kNumpad0 + 2, vk::kNumpad0 + 3, vk::kNumpad0 + 4,
    vk::kNumpad0 + 5, vk::kNumpad0 + 6, vk::kNumpad0 + 7, vk::kNumpad0 + 8, vk::kNumpad9};

KeyInjector::KeyInjector(KeyboardDevice &device)
    : device(device)
{
}

void KeyInjector::initKeyTable()
{
    for (unsigned char upper = kFirstUpper; upper <= kLastUpper; ++upper) {
        table[upper + kCaseOffset] = upper;
        table[upper] = withShift(upper);
    }
    for (unsigned char digit = kFirstDigit; digit <= kLastDigit; ++digit)
        table[digit] = digit;
    for (const UsLayoutKey *key = usLayoutKeysBegin(); key != usLayoutKeysEnd(); ++key)
        table[static_cast<unsigned char>(key->character)] = key->shifted ? withShift(key->virtualKey) : key->virtualKey;
}

void KeyInjector::typeBuffer(const unsigned char *data, std::size_t length)
{
    if (data == nullptr)
        return;
    const bool capsAtStart = device.capsLockOn();
    // Typing works on a private copy; if there is no memory for one, this
    // text is simply not typed.
    std::unique_ptr<unsigned char[]> copy(new (std::nothrow) unsigned char[length ? length : 1]);
    if (!copy)
        return;
    std::copy(data, data + length, copy.get());
    device.beginText(copy.get(), length);

    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char b = copy[i];
        device.sleepFor(kPerBytePause);
        if (b >= kFirstLower && b <= kLastLower) {
            setCapsLock(false);
            pressKey(static_cast<std::uint8_t>(b - kCaseOffset));
        } else if ((b >= kFirstUpper && b <= kLastUpper) || (b >= kFirstDigit && b <= kLastDigit)) {
            setCapsLock(true);
            pressKey(b);
        } else if (b >= kFirstHighByte) {
            typeAltCode(b);
        } else if (b != 0) {
            pressMappedKey(b);
        }
    }
    setCapsLock(capsAtStart);
    device.endText();
}

void KeyInjector::pressMappedKey(int c)
{
    if (c < 0 || c >= static_cast<int>(kTableSize))
        return;
    const std::int32_t entry = table[static_cast<std::size_t>(c)];
    if (entry > 0) {
        pressKey(static_cast<std::uint8_t>(entry));
    } else if (entry < 0) {
        const auto key = static_cast<std::uint8_t>(~entry & kLowByteMask);
        device.keyEvent(vk::kShift, kNoScanCode, kDown);
        device.keyEvent(key, kNoScanCode, kDown);
        device.keyEvent(key, kNoScanCode, kUp);
        device.keyEvent(vk::kShift, kNoScanCode, kUp);
    }
}

void KeyInjector::typeAltCode(unsigned char b)
{
    if (b == 0) {
        device.keyEvent(vk::kMenu, kNoScanCode, kDown);
        device.keyEvent(vk::kMenu, kNoScanCode, kUp);
        return;
    }
    device.keyEvent(vk::kMenu, kNoScanCode, kDown);
    for (unsigned digit : altCodeDigits(b)) {
        const std::uint8_t key = numpadKeys[digit];
        const std::uint8_t scanCode = device.scanCodeFor(key);
        device.keyEvent(key, scanCode, kKeypadDown);
        device.keyEvent(key, scanCode, kKeypadUp);
    }
    device.sleepFor(kAltReleasePause);
    device.keyEvent(vk::kMenu, kNoScanCode, kUp);
}

void KeyInjector::setCapsLock(bool on)
{
    if (device.capsLockOn() != on)
        pressKey(vk::kCapital);
}

void KeyInjector::pressKey(std::uint8_t virtualKey)
{
    device.keyEvent(virtualKey, kNoScanCode, kDown);
    device.keyEvent(virtualKey, kNoScanCode, kUp);
}
