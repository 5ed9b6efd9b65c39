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

bool RecordedEvent::operator==(const RecordedEvent &other) const
{
    return kind == other.kind && virtualKey == other.virtualKey && scanCode == other.scanCode
           && flags == other.flags && pause == other.pause;
}

std::string describe(const RecordedEvent &event)
{
    char text[64];
    if (event.kind == RecordedEvent::Kind::Pause)
        std::snprintf(text, sizeof text, "sleep %lldms", static_cast<long long>(event.pause.count()));
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

bool RecordingKeyboard::hasKeyEvents() const
{
    return std::any_of(recorded.begin(), recorded.end(),
                       [](const RecordedEvent &event) { return event.kind == RecordedEvent::Kind::Key; });
}

void RecordingKeyboard::beginText(const unsigned char *data, std::size_t length)
{
    Text text;
    text.bytes.assign(reinterpret_cast<const char *>(data), length);
    text.eventsAtBegin = recorded.size();
    announced.push_back(std::move(text));
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
