// The typing rules as built for Windows: the recorded-stream cases, the
// reading of GetKeyState, and a run of the Windows keyboard's own calls.
// keybd_event's output cannot be watched from here; what can be is the key
// state it changes (Caps Lock) and the scan codes the system reports.
#include "keyboard_windows.h"
#include "keyinjector.h"
#include "injectorcases.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr std::uint8_t kNumpad0 = 0x60;
constexpr std::uint8_t kNumpad9 = 0x69;
constexpr std::chrono::milliseconds kPause{30};
// Sleep may come back a tick early on a coarse timer.
constexpr std::chrono::milliseconds kPauseTolerance{16};

int failures = 0;

void fail(const char *what)
{
    ++failures;
    std::printf("FAIL: %s\n", what);
}

void checkStreams()
{
    for (const InjectorCase &streamCase : injectorCases()) {
        bool capsLockAtEnd = !streamCase.capsLockAtStart;
        const std::vector<std::string> actual =
            describe(typeOnRecorder(streamCase.bytes, streamCase.capsLockAtStart, &capsLockAtEnd));
        const std::vector<std::string> expected = describe(streamCase.expected);
        if (actual != expected) {
            fail(streamCase.name);
            for (std::size_t i = 0; i < actual.size() || i < expected.size(); ++i) {
                std::printf("  %3zu actual %-24s expected %s\n", i, i < actual.size() ? actual[i].c_str() : "-",
                            i < expected.size() ? expected[i].c_str() : "-");
            }
        }
        if (capsLockAtEnd != streamCase.capsLockAtStart) {
            std::printf("  %s\n", streamCase.name);
            fail("Caps Lock not put back");
        }
    }
}

void checkKeyStateReading()
{
    struct Row
    {
        std::int16_t state;
        bool toggled;
    };
    const Row rows[] = {{0x0000, false}, {0x0001, true}, {static_cast<std::int16_t>(0xFF80), false},
                        {static_cast<std::int16_t>(0xFF81), true}, {static_cast<std::int16_t>(0x8000), false}};
    for (const Row &row : rows) {
        if (capsLockToggled(row.state) != row.toggled) {
            std::printf("  key state %04X read as %s\n", static_cast<unsigned>(row.state) & 0xFFFF,
                        row.toggled ? "off" : "on");
            fail("Caps Lock toggle bit");
        }
    }
}

void checkDevice()
{
    WindowsKeyboard keyboard;
    RecordingKeyboard recording;
    // The recorded streams assume the scan codes of a US keyboard.
    for (std::uint8_t key = kNumpad0; key <= kNumpad9; ++key) {
        if (keyboard.scanCodeFor(key) != recording.scanCodeFor(key)) {
            std::printf("  keypad key %02X: scan code %02X, expected %02X\n", key, keyboard.scanCodeFor(key),
                        recording.scanCodeFor(key));
            fail("MapVirtualKeyW scan codes");
        }
    }

    // Caps Lock steered through the system's own key state, both ways, and
    // put back after a text that toggles it.
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    for (bool wanted : {true, false}) {
        injector.setCapsLock(wanted);
        if (keyboard.capsLockOn() != wanted)
            fail(wanted ? "setCapsLock(true) left Caps Lock off" : "setCapsLock(false) left Caps Lock on");
    }
    for (bool atStart : {true, false}) {
        injector.setCapsLock(atStart);
        const unsigned char text[] = {'a', 'B', '1', '?', 0xD1};
        injector.typeBuffer(text, sizeof text);
        if (keyboard.capsLockOn() != atStart)
            fail(atStart ? "Caps Lock on was not put back" : "Caps Lock off was not put back");
    }

    const auto start = std::chrono::steady_clock::now();
    keyboard.sleepFor(kPause);
    const auto slept = std::chrono::steady_clock::now() - start;
    if (slept < kPause - kPauseTolerance)
        fail("Sleep did not pause");
}

} // namespace

int main()
{
    checkStreams();
    checkKeyStateReading();
    checkDevice();
    std::printf("%s\n", failures ? "FAILED" : "all passed");
    return failures ? 1 : 0;
}
