#include "keyboard_x11.h"

#include "sparekeypool.h"
#include "virtualkeys.h"
#include "x11keysyms.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <thread>
#include <vector>

namespace {

using Clock = SpareKeyPool::Clock;
using std::chrono::milliseconds;

// A receiving program needs a moment to fetch a changed keymap; a key
// pressed before that would be looked up in the old one.
constexpr milliseconds kKeymapSettle{20};
// A spare keycode keeps its character this long after its last press, so
// that the receiving program has read every keymap it was pressed under.
constexpr milliseconds kSpareIdleBeforeReuse{500};
// A longer pause between key events starts a new text: the keymap is read
// again then, in case the user switched layouts in between.
constexpr milliseconds kKeymapRefreshGap{1000};
// Keycodes of the usual X keyboard driver are the set-1 scan codes plus 8.
constexpr int kScanCodeKeycodeOffset = 8;
constexpr int kMaxScanCode = 0xFF;
constexpr unsigned kDecimalBase = 10;
constexpr unsigned kAltCodeByteModulo = 256;
constexpr int kPlainLevel = 0;
constexpr int kShiftLevel = 1;
constexpr int kMappedLevels = 2;
constexpr std::size_t kVirtualKeyCount = 256;

bool isKeypadDigit(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9;
}

bool isModifier(std::uint8_t virtualKey)
{
    return virtualKey == vk::kShift || virtualKey == vk::kCapital || virtualKey == vk::kMenu;
}

} // namespace

struct X11Keyboard::Connection
{
    Display *display = nullptr;
    SpareLevels levels = SpareLevels::Both;
    int minKeycode = 0;
    int maxKeycode = 0;
    int symbolsPerKeycode = 0;
    std::vector<KeySym> keymap;
    SpareKeyPool pool{{}, kSpareIdleBeforeReuse};
    Clock::time_point lastEvent{};
    bool shiftHeld = false;
    // The Alt code being entered: Alt is down, keypad digits collect here.
    bool altEntry = false;
    unsigned altDigits = 0;
    unsigned altValue = 0;
    bool altLeadingZero = false;
    // The keycode each virtual key went down on, so its release matches.
    std::array<int, kVirtualKeyCount> pressedKeycode{};

    ~Connection()
    {
        if (display)
            XCloseDisplay(display);
    }

    void readKeymap()
    {
        XDisplayKeycodes(display, &minKeycode, &maxKeycode);
        KeySym *symbols = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                              maxKeycode - minKeycode + 1, &symbolsPerKeycode);
        keymap.assign(symbols, symbols + (maxKeycode - minKeycode + 1) * symbolsPerKeycode);
        XFree(symbols);
    }

    KeySym &symbolAt(int keycode, int level)
    {
        return keymap[static_cast<std::size_t>((keycode - minKeycode) * symbolsPerKeycode + level)];
    }

    int keycodeWith(KeySym symbol, int level)
    {
        if (level >= symbolsPerKeycode)
            return 0;
        for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
            if (symbolAt(keycode, level) == symbol)
                return keycode;
        }
        return 0;
    }

    std::vector<int> keycodesWithoutSymbols()
    {
        std::vector<int> spare;
        for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
            bool empty = true;
            for (int level = 0; level < symbolsPerKeycode; ++level)
                empty = empty && symbolAt(keycode, level) == NoSymbol;
            if (empty)
                spare.push_back(keycode);
        }
        return spare;
    }

    void fakeKey(int keycode, bool down)
    {
        XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), down ? True : False, CurrentTime);
        XFlush(display);
    }

    void tapCapsLock()
    {
        const int keycode = XKeysymToKeycode(display, XK_Caps_Lock);
        if (keycode == 0)
            return;
        fakeKey(keycode, true);
        fakeKey(keycode, false);
    }

    bool capsLock()
    {
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        return (state.locked_mods & LockMask) != 0;
    }

    // Restores the given keycodes and maps keycode (when not 0) to symbols.
    // The receiving program forgets its Caps Lock state whenever the keymap
    // changes, so Caps Lock is off while the keymap changes.
    void changeKeymap(const std::vector<int> &restore, int keycode, const SpareKeyPool::Symbols &symbols)
    {
        const bool capsWasOn = capsLock();
        if (capsWasOn)
            tapCapsLock();
        for (int spare : restore) {
            KeySym none[kMappedLevels] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(display, spare, kMappedLevels, none, 1);
            for (int level = 0; level < kMappedLevels && level < symbolsPerKeycode; ++level)
                symbolAt(spare, level) = NoSymbol;
        }
        if (keycode != 0) {
            KeySym mapped[kMappedLevels] = {symbols[kPlainLevel], symbols[kShiftLevel]};
            if (levels == SpareLevels::LowerLevelOnly)
                mapped[kShiftLevel] = NoSymbol;
            XChangeKeyboardMapping(display, keycode, kMappedLevels, mapped, 1);
            for (int level = 0; level < kMappedLevels && level < symbolsPerKeycode; ++level)
                symbolAt(keycode, level) = mapped[level];
        }
        XSync(display, False);
        std::this_thread::sleep_for(kKeymapSettle);
        if (capsWasOn)
            tapCapsLock();
    }

    // A spare keycode carrying symbols, mapped now if need be; 0 if the
    // keymap has no spare keycodes at all.
    int spareKeycodeFor(const SpareKeyPool::Symbols &symbols)
    {
        if (pool.empty())
            return 0;
        const SpareKeyPool::Claim claim = pool.claim(symbols, Clock::now());
        if (claim.needsMapping) {
            std::this_thread::sleep_for(claim.waitFirst);
            changeKeymap(pool.takeIdle(Clock::now()), claim.keycode, symbols);
        }
        return claim.keycode;
    }

    // The keycode to press for a virtual key with the present Shift state.
    int keycodeForKey(std::uint8_t virtualKey)
    {
        if (isLetterKey(virtualKey)) {
            // The letter's own key, so that Shift and Caps Lock decide its case.
            const KeySym lower = usLayoutKeysym(virtualKey);
            const int keycode = keycodeWith(lower, kPlainLevel);
            return keycode ? keycode : spareKeycodeFor({lower, upperCaseKeysym(lower)});
        }
        if (isModifier(virtualKey))
            return XKeysymToKeycode(display, usLayoutKeysym(virtualKey));
        const KeySym symbol = shiftHeld ? usLayoutShiftedKeysym(virtualKey) : usLayoutKeysym(virtualKey);
        if (symbol == kNoKeysym)
            return 0;
        const int keycode = keycodeWith(symbol, shiftHeld ? kShiftLevel : kPlainLevel);
        return keycode ? keycode : spareKeycodeFor({symbol, symbol});
    }

    void press(std::uint8_t virtualKey)
    {
        const int keycode = keycodeForKey(virtualKey);
        if (keycode == 0)
            return;
        fakeKey(keycode, true);
        pool.touch(keycode, Clock::now());
        pressedKeycode[virtualKey] = keycode;
    }

    void release(std::uint8_t virtualKey)
    {
        const int keycode = pressedKeycode[virtualKey];
        if (keycode == 0)
            return;
        fakeKey(keycode, false);
        pool.touch(keycode, Clock::now());
        pressedKeycode[virtualKey] = 0;
    }

    void addAltDigit(unsigned digit)
    {
        if (altDigits == 0)
            altLeadingZero = digit == 0;
        altValue = altValue * kDecimalBase + digit;
        ++altDigits;
    }

    // Alt went up: type the character the Alt code stands for. Only the
    // Windows code page form (leading zero) is understood; it is the only
    // one the injector sends.
    void finishAltCode()
    {
        const bool complete = altEntry && altDigits > 0 && altLeadingZero;
        altEntry = false;
        if (!complete)
            return;
        const KeySym symbol = windows1252Keysym(static_cast<unsigned char>(altValue % kAltCodeByteModulo));
        if (symbol == kNoKeysym)
            return;
        const int keycode = spareKeycodeFor({symbol, symbol});
        if (keycode == 0)
            return;
        // With Caps Lock on, the receiving program turns a lower-case
        // letter of a spare keycode into a capital (the keycode's symbols
        // are the same on both levels, so Caps Lock is not spent on picking
        // a level). The character must come out as its code says.
        KeySym lower = NoSymbol;
        KeySym upper = NoSymbol;
        XConvertCase(symbol, &lower, &upper);
        const bool capsInTheWay = lower != upper && capsLock();
        if (capsInTheWay)
            tapCapsLock();
        fakeKey(keycode, true);
        fakeKey(keycode, false);
        if (capsInTheWay)
            tapCapsLock();
        pool.touch(keycode, Clock::now());
    }

    void restoreKeymap()
    {
        for (std::size_t key = 0; key < pressedKeycode.size(); ++key)
            release(static_cast<std::uint8_t>(key));
        const Clock::time_point idle = pool.allIdleAt();
        const std::vector<int> mapped = pool.takeAll();
        if (mapped.empty())
            return;
        std::this_thread::sleep_until(idle);
        changeKeymap(mapped, 0, {});
    }
};

std::unique_ptr<X11Keyboard> X11Keyboard::open(const char *displayName, SpareLevels levels)
{
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(displayName);
    if (!connection->display)
        return nullptr;
    int event = 0, error = 0, major = 0, minor = 0, opcode = 0;
    if (!XTestQueryExtension(connection->display, &event, &error, &major, &minor))
        return nullptr;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(connection->display, &opcode, &event, &error, &major, &minor))
        return nullptr;
    connection->levels = levels;
    connection->readKeymap();
    connection->pool = SpareKeyPool(connection->keycodesWithoutSymbols(), kSpareIdleBeforeReuse);
    connection->lastEvent = Clock::now();
    return std::unique_ptr<X11Keyboard>(new X11Keyboard(std::move(connection)));
}

X11Keyboard::X11Keyboard(std::unique_ptr<Connection> connection)
    : x(std::move(connection))
{
}

X11Keyboard::~X11Keyboard()
{
    x->restoreKeymap();
}

void X11Keyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags)
{
    const bool up = (flags & KeyEventFlag::kKeyUp) != 0;
    const Clock::time_point now = Clock::now();
    if (now - x->lastEvent > kKeymapRefreshGap)
        x->readKeymap();
    x->lastEvent = now;

    if (virtualKey == vk::kMenu) {
        if (up) {
            x->finishAltCode();
        } else {
            x->altEntry = true;
            x->altDigits = 0;
            x->altValue = 0;
        }
        return;
    }
    if (x->altEntry && isKeypadDigit(virtualKey)) {
        if (!up)
            x->addAltDigit(virtualKey - vk::kNumpad0);
        return;
    }
    if (virtualKey == vk::kShift)
        x->shiftHeld = !up;
    if (up)
        x->release(virtualKey);
    else
        x->press(virtualKey);
}

bool X11Keyboard::capsLockOn()
{
    return x->capsLock();
}

std::uint8_t X11Keyboard::scanCodeFor(std::uint8_t virtualKey)
{
    const KeySym symbol = usLayoutKeysym(virtualKey);
    if (symbol == kNoKeysym)
        return 0;
    const int scanCode = XKeysymToKeycode(x->display, symbol) - kScanCodeKeycodeOffset;
    return scanCode > 0 && scanCode <= kMaxScanCode ? static_cast<std::uint8_t>(scanCode) : 0;
}

int X11Keyboard::unmappedKeycodeCount()
{
    x->readKeymap();
    return static_cast<int>(x->keycodesWithoutSymbols().size());
}

void X11Keyboard::sleepFor(std::chrono::milliseconds duration)
{
    XFlush(x->display);
    std::this_thread::sleep_for(duration);
}
