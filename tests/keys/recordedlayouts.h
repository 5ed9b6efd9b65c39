#pragma once

#include "recordingkeyboard.h"
#include "windowsinput.h"

#include <set>
#include <string>
#include <vector>

// Windows keyboard layouts as their key tables: what each key gives alone,
// with Shift and with AltGr, which of those are dead keys, and the keys on
// which Caps Lock acts as Shift. VkKeyScanExW and ToUnicodeEx answer from
// these tables; Wine cannot stand in for them, since it builds its layouts
// from the X keymap and delivers nothing for AltGr or Alt codes.
struct LayoutRow
{
    std::uint8_t virtualKey;
    char16_t plain;
    char16_t shifted;
    char16_t altGr;
    std::uint8_t dead; // DeadLevel bits
    bool capsLockShifts;
};

namespace DeadLevel {
constexpr std::uint8_t kPlain = 0x1;
constexpr std::uint8_t kShifted = 0x2;
constexpr std::uint8_t kAltGr = 0x4;
} // namespace DeadLevel

struct RecordedLayout
{
    const char *name;
    std::vector<LayoutRow> rows;
};

// US, Spanish, Latin American, German and French (AZERTY).
const std::vector<RecordedLayout> &recordedLayouts();

// The Windows services with a recorded layout behind them, and the window
// that has the focus: it records every event and collects the text the
// window receives (its WM_CHAR characters), Alt codes and dead keys as
// Windows composes them.
class RecordedLayoutInput : public WindowsInput
{
public:
    RecordedLayoutInput(const RecordedLayout &layout, unsigned codePage, bool capsLockAtStart);

    void keyEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) override;
    void unicodeEvent(char16_t character, bool keyUp) override;
    std::int16_t keyState(std::uint8_t virtualKey) override;
    std::uint8_t scanCode(std::uint8_t virtualKey) override;
    void sleep(std::chrono::milliseconds duration) override;
    unsigned ansiCodePage() override { return codePage; }
    LayoutKey keyFor(char16_t character) override;
    KeyOutput output(std::uint8_t virtualKey, std::uint8_t modifiers, bool capsLock) override;

    const RecordingKeyboard::Events &events() const { return recorded; }
    const std::u16string &text() const { return received; }
    int deadKeysPressed() const { return deadPresses; }

private:
    const LayoutRow *row(std::uint8_t virtualKey) const;
    void windowKeyDown(std::uint8_t virtualKey);
    char16_t altCodeCharacter() const;
    void receive(char16_t character);

    const RecordedLayout &layout;
    unsigned codePage;
    bool capsLock;
    std::set<std::uint8_t> held;
    bool altCodeActive = false;
    unsigned altCodeDigits = 0;
    unsigned altCodeValue = 0;
    bool altCodeLeadingZero = false;
    char16_t pendingDead = 0;
    int deadPresses = 0;
    RecordingKeyboard::Events recorded;
    std::u16string received;
};
