#include "recordingkeyboard.h"

#include "virtualkeys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

// Set-1 scan codes of the keypad digits 0 to 9, as MapVirtualKeyW gives
// them for a US keyboard.
constexpr std::array<std::uint8_t, 10> kKeypadScanCodes{0x52, 0x4F, 0x50, 0x51, 0x4B,
                                                        0x4C, 0x4D, 0x47, 0x48, 0x49};

constexpr char32_t kLastOneByte = 0x7F;
constexpr char32_t kLastTwoBytes = 0x7FF;
constexpr char32_t kLastThreeBytes = 0xFFFF;
constexpr unsigned char kTwoByteLead = 0xC0;
constexpr unsigned char kThreeByteLead = 0xE0;
constexpr unsigned char kFourByteLead = 0xF0;
constexpr unsigned char kContinuation = 0x80;
constexpr unsigned kContinuationBits = 6;
constexpr char32_t kSixBits = 0x3F;

std::string utf8(const char32_t *text, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t c = text[i];
        // The lead byte, then six bits in each continuation byte.
        unsigned continuations = 0;
        unsigned char lead = 0;
        if (c <= kLastOneByte) {
            out.push_back(static_cast<char>(c));
            continue;
        } else if (c <= kLastTwoBytes) {
            continuations = 1;
            lead = kTwoByteLead;
        } else if (c <= kLastThreeBytes) {
            continuations = 2;
            lead = kThreeByteLead;
        } else {
            continuations = 3;
            lead = kFourByteLead;
        }
        out.push_back(static_cast<char>(lead | (c >> (continuations * kContinuationBits))));
        while (continuations-- > 0)
            out.push_back(static_cast<char>(kContinuation | ((c >> (continuations * kContinuationBits)) & kSixBits)));
    }
    return out;
}

} // namespace

RecordedEvent RecordedEvent::key(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    RecordedEvent event;
    event.virtualKey = virtualKey;
    event.scanCode = scanCode;
    event.flags = flags;
    return event;
}

RecordedEvent RecordedEvent::sleep(std::chrono::milliseconds pause)
{
    RecordedEvent event;
    event.kind = Kind::Pause;
    event.pause = pause;
    return event;
}

RecordedEvent RecordedEvent::unicode(char16_t unit, bool keyUp)
{
    RecordedEvent event;
    event.kind = Kind::Unicode;
    event.unit = unit;
    event.flags = keyUp ? KeyEventFlag::kKeyUp : 0;
    return event;
}

bool RecordedEvent::operator==(const RecordedEvent &other) const
{
    return kind == other.kind && virtualKey == other.virtualKey && scanCode == other.scanCode
           && flags == other.flags && pause == other.pause && unit == other.unit;
}

std::string describe(const RecordedEvent &event)
{
    char text[64];
    if (event.kind == RecordedEvent::Kind::Pause)
        std::snprintf(text, sizeof text, "sleep %lldms", static_cast<long long>(event.pause.count()));
    else if (event.kind == RecordedEvent::Kind::Unicode)
        std::snprintf(text, sizeof text, "unicode %04X %s", static_cast<unsigned>(event.unit),
                      (event.flags & KeyEventFlag::kKeyUp) ? "up" : "down");
    else
        std::snprintf(text, sizeof text, "key %02X/%02X %s flags %X", event.virtualKey, event.scanCode,
                      (event.flags & KeyEventFlag::kKeyUp) ? "up" : "down", static_cast<unsigned>(event.flags));
    return text;
}

std::vector<std::string> describe(const std::vector<RecordedEvent> &events)
{
    std::vector<std::string> lines;
    lines.reserve(events.size());
    for (const RecordedEvent &event : events)
        lines.push_back(describe(event));
    return lines;
}

char *toString(const std::vector<RecordedEvent> &events)
{
    std::string text;
    for (const std::string &line : describe(events))
        text += "\n    " + line;
    char *copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

RecordingKeyboard::RecordingKeyboard(bool capsLockAtStart)
    : capsLock(capsLockAtStart)
{
}

void RecordingKeyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags)
{
    recorded.push_back(RecordedEvent::key(virtualKey, scanCode, flags));
    if (virtualKey == vk::kCapital && !(flags & KeyEventFlag::kKeyUp))
        capsLock = !capsLock;
}

bool RecordingKeyboard::capsLockOn()
{
    return capsLock;
}

std::uint8_t RecordingKeyboard::scanCodeFor(std::uint8_t virtualKey)
{
    if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9)
        return kKeypadScanCodes[virtualKey - vk::kNumpad0];
    return 0;
}

void RecordingKeyboard::sleepFor(std::chrono::milliseconds duration)
{
    recorded.push_back(RecordedEvent::sleep(duration));
}

void RecordingKeyboard::unicodeEvent(char16_t unit, bool keyUp)
{
    recorded.push_back(RecordedEvent::unicode(unit, keyUp));
}

bool RecordingKeyboard::hasKeyEvents() const
{
    return std::any_of(recorded.begin(), recorded.end(),
                       [](const RecordedEvent &event) { return event.kind != RecordedEvent::Kind::Pause; });
}

void RecordingKeyboard::beginText(const unsigned char *data, std::size_t length)
{
    Text text;
    if (data)
        text.bytes.assign(reinterpret_cast<const char *>(data), length);
    text.eventsAtBegin = recorded.size();
    announced.push_back(std::move(text));
}

void RecordingKeyboard::beginUnicodeText(const char32_t *text, std::size_t length)
{
    beginText(nullptr, 0);
    announced.back().bytes = utf8(text, length);
}

std::size_t RecordingKeyboard::takeUntypedCount()
{
    const std::size_t count = lost;
    lost = 0;
    return count;
}

void RecordingKeyboard::endText()
{
    lost += toLose;
    toLose = 0;
    if (announced.empty() || announced.back().ended)
        return;
    announced.back().eventsAtEnd = recorded.size();
    announced.back().ended = true;
}
