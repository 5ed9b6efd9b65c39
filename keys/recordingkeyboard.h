#pragma once

#include "keyboarddevice.h"

#include <string>
#include <vector>

// One thing the injector asked of the keyboard: a key event or a pause.
struct RecordedEvent
{
    enum class Kind { Key, Pause };

    Kind kind = Kind::Key;
    std::uint8_t virtualKey = 0;
    std::uint8_t scanCode = 0;
    std::uint32_t flags = 0;
    std::chrono::milliseconds pause{0};

    static RecordedEvent key(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags);
    static RecordedEvent sleep(std::chrono::milliseconds pause);

    bool operator==(const RecordedEvent &other) const;
    bool operator!=(const RecordedEvent &other) const { return !(*this == other); }
};

// "key 14/00 down flags 1", "sleep 10ms": readable in a failed comparison.
std::string describe(const RecordedEvent &event);
std::vector<std::string> describe(const std::vector<RecordedEvent> &events);
// The events one per line, in a new[] buffer: QCOMPARE finds it by
// argument-dependent lookup and prints both streams when they differ.
char *toString(const std::vector<RecordedEvent> &events);

// A keyboard that records instead of typing and never really sleeps. It
// keeps a Caps Lock state that key-down events of Caps Lock toggle, as the
// system does, and answers scan codes as a US keyboard under Windows would.
// A test may set where its typing reaches and make it report characters it
// could not type.
class RecordingKeyboard : public KeyboardDevice
{
public:
    using Events = std::vector<RecordedEvent>;

    explicit RecordingKeyboard(bool capsLockAtStart = false);

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    bool capsLockOn() override;
    std::uint8_t scanCodeFor(std::uint8_t virtualKey) override;
    void sleepFor(std::chrono::milliseconds duration) override;
    void beginText(const unsigned char *data, std::size_t length) override;
    void endText() override;
    std::size_t takeUntypedCount() override;
    KeyboardReach reach() const override { return reachValue; }

    void setReach(KeyboardReach reach) { reachValue = reach; }
    // The next text reports count characters it could not type.
    void loseInNextText(std::size_t count) { toLose = count; }

    // The texts announced with beginText, each with the number of events
    // recorded before it was announced and before it ended. They are kept
    // apart from the event stream, which stays what the typing rules sent.
    struct Text
    {
        std::string bytes;
        std::size_t eventsAtBegin = 0;
        std::size_t eventsAtEnd = 0;
        bool ended = false;
    };
    const std::vector<Text> &texts() const { return announced; }

    Events events() const { return recorded; }
    bool hasKeyEvents() const;
    void clear()
    {
        recorded.clear();
        announced.clear();
    }

private:
    Events recorded;
    std::vector<Text> announced;
    bool capsLock;
    KeyboardReach reachValue = KeyboardReach::FocusedWindow;
    std::size_t toLose = 0;
    std::size_t lost = 0;
};
