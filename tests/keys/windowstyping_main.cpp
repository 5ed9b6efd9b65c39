// Real typing on Windows: a window with a focused EDIT control, the typing
// rules on the Windows keyboard typing into it from another thread (as from
// another program), and the control's text read back and compared with
// what was typed: bytes by the typing rules, then a text of characters
// whose letters beyond ASCII go by their Unicode value. Run under Wine once
// per keyboard layout of the X server.
//
// Wine delivers no character for a key pressed with Ctrl and Alt (AltGr)
// and has no Alt code entry, so the characters that need one of them on the
// layout in use are left out of the comparison; the recorded layouts of the
// Linux tests cover them. Wine's VkKeyScanExW also misses characters that
// the X keymap carries on extra keycodes as well ("(" and ")" on evdev
// keymaps), which then go through an Alt code too.
#include "keyboard_windows.h"
#include "keyinjector.h"
#include "samplebytes.h"
#include "uslayout.h"
#include "utf16units.h"
#include "windows1252.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT kTypingDone = WM_APP + 1;
constexpr DWORD kFocusSettleMs = 300;
constexpr DWORD kQuietMs = 300;
constexpr DWORD kTimeoutMs = 20000;
constexpr int kWindowSize = 600;
constexpr int kTextCapacity = 8192;
constexpr unsigned char kFirstHighByte = 0x80;
constexpr BYTE kKeyDownState = 0x80;
constexpr UINT kKeepKeyboardState = 0x4;
constexpr int kOutputCapacity = 4;
constexpr int kKeyStates = 256;
constexpr SHORT kNoKey = -1;

struct Run
{
    HWND window = nullptr;
    std::string bytes;
    std::u32string characters; // then typed as a text of characters, as a UTF-8 barcode is
};

DWORD WINAPI typeText(void *parameter)
{
    auto *run = static_cast<Run *>(parameter);
    Sleep(kFocusSettleMs);
    WindowsKeyboard keyboard;
    KeyInjector injector(keyboard);
    injector.initKeyTable();
    injector.typeBuffer(reinterpret_cast<const unsigned char *>(run->bytes.data()), run->bytes.size());
    injector.typeText(run->characters.data(), run->characters.size());
    PostMessageW(run->window, kTypingDone, 0, 0);
    return 0;
}

KeyOutput keyOutput(std::uint8_t virtualKey, bool shift, HKL layout)
{
    BYTE state[kKeyStates] = {};
    if (shift)
        state[VK_SHIFT] = kKeyDownState;
    WCHAR text[kOutputCapacity] = {};
    const UINT scanCode = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout);
    const int length = ToUnicodeEx(virtualKey, scanCode, state, text, kOutputCapacity, kKeepKeyboardState, layout);
    return KeyOutput{length == 1 ? static_cast<char16_t>(text[0]) : char16_t(0), length < 0};
}

// Whether the keyboard types character with a key alone or with Shift:
// the key the typing rules press for it gives it, or the one VkKeyScanExW
// names does.
bool typedWithoutAltGr(char character, HKL layout)
{
    const auto wanted = static_cast<char16_t>(static_cast<unsigned char>(character));
    for (const UsLayoutKey *key = usLayoutKeysBegin(); key != usLayoutKeysEnd(); ++key) {
        if (key->character == character && keyOutput(key->virtualKey, key->shifted, layout).character == wanted)
            return true;
    }
    const SHORT found = VkKeyScanExW(wanted, layout);
    if (found == kNoKey || (HIBYTE(found) & ~LayoutModifier::kShift) != 0)
        return false;
    const KeyOutput output = keyOutput(LOBYTE(found), (HIBYTE(found) & LayoutModifier::kShift) != 0, layout);
    return !output.dead && output.character == wanted;
}

// What the control should hold: the characters of the bytes, a carriage
// return as a line break, without what Wine cannot deliver; then the
// characters, those beyond ASCII typed by their value and always delivered.
std::wstring expectedText(const std::string &bytes, const std::u32string &characters, int *leftOut)
{
    const HKL layout = GetKeyboardLayout(0);
    const bool altCodes = GetACP() == kWindowsLatin1CodePage;
    std::wstring text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const wchar_t character = windows1252ToUnicode(byte);
        const bool deliverable = byte >= kFirstHighByte ? !altCodes : typedWithoutAltGr(c, layout);
        if (!deliverable) {
            ++*leftOut;
            continue;
        }
        text += byte == '\r' ? std::wstring(L"\r\n") : std::wstring(1, character);
    }
    for (char32_t c : characters) {
        if (c < kFirstHighByte && !typedWithoutAltGr(static_cast<char>(c), layout)) {
            ++*leftOut;
            continue;
        }
        const Utf16Units units = utf16Units(c);
        text.append(units.units.begin(), units.units.begin() + units.count);
    }
    return text;
}

std::string printable(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text) {
        char hex[16];
        if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else
            std::snprintf(hex, sizeof hex, "<%04X>", static_cast<unsigned>(c)), out += hex;
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    const char *layoutName = argc > 1 ? argv[1] : "?";
    Run run;
    run.bytes = std::string(samplebytes::kCardSample) + samplebytes::kSpanishLetters;
    for (char c = samplebytes::kFirstPrintable; c <= samplebytes::kLastPrintable; ++c)
        run.bytes += c;
    run.characters = U"\u00D1and\u00FA-7 Pe\u00F1a \u20AC \u65E5\u672C \U0001F600";

    run.window = CreateWindowExW(0, L"STATIC", L"Typing target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, kWindowSize,
                                 kWindowSize, nullptr, nullptr, nullptr, nullptr);
    const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0, 0,
                                      kWindowSize, kWindowSize, run.window, nullptr, nullptr, nullptr);
    if (!run.window || !edit) {
        std::printf("FAIL: no window (error %lu)\n", GetLastError());
        return 1;
    }
    SetForegroundWindow(run.window);
    SetFocus(edit);
    CreateThread(nullptr, 0, typeText, &run, 0, nullptr);

    const DWORD start = GetTickCount();
    DWORD doneAt = 0;
    MSG message;
    while (GetTickCount() - start < kTimeoutMs && !(doneAt && GetTickCount() - doneAt > kQuietMs)) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (message.message == kTypingDone)
            doneAt = GetTickCount();
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    wchar_t buffer[kTextCapacity] = {};
    GetWindowTextW(edit, buffer, kTextCapacity);
    const std::wstring actual(buffer);
    int leftOut = 0;
    const std::wstring expected = expectedText(run.bytes, run.characters, &leftOut);
    std::printf("layout %s, code page %u: %zu characters, %d left out\n", layoutName, GetACP(),
                run.bytes.size() + run.characters.size(), leftOut);
    if (!doneAt || actual != expected) {
        std::printf("FAIL: %s\n  actual   %s\n  expected %s\n", doneAt ? "text differs" : "typing did not finish",
                    printable(actual).c_str(), printable(expected).c_str());
        return 1;
    }
    std::printf("text intact\n");
    return 0;
}
