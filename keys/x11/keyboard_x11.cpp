#include "keyboard_x11.h"

#include "altcode.h"
#include "utf16units.h"
#include "uslayout.h"
#include "virtualkeys.h"
#include "x11keymap.h"
#include "x11keysyms.h"
#include "x11sparekeys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <array>
#include <thread>

namespace {

// Keycodes of the usual X keyboard driver are the set-1 scan codes plus 8.
constexpr int kScanCodeKeycodeOffset = 8;
constexpr int kMaxScanCode = 0xFF;
constexpr std::size_t kVirtualKeyCount = 256;
// The locks that would change a character: released while typing.
constexpr unsigned kTypingLocks = ShiftMask | LockMask;
// Only keymap changes are listened for: they are rare, and between texts
// nobody reads this connection. The group and the locks are asked for at
// the start of each text.
constexpr unsigned kKeymapChanges = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
// Newer XWayland servers announce themselves with this extension.
constexpr const char *kXWaylandExtension = "XWAYLAND";

bool isKeypadDigit(std::uint8_t virtualKey)
{
    return virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad9;
}

// Asked of the server rather than the environment: a program may well be
// pointed at a plain X server from inside a Wayland session.
bool isXWayland(Display *display)
{
    int opcode = 0, event = 0, error = 0;
    return XQueryExtension(display, kXWaylandExtension, &opcode, &event, &error);
}

// A key this keyboard holds down for a virtual key, with the modifiers it
// pressed for it and, outside a text, the locks it released for it.
struct HeldKey
{
    int keycode = 0;
    bool shift = false;
    bool levelThree = false;
    unsigned releasedLocks = 0;
};

} // namespace

struct X11Keyboard::Connection
{
    Display *display = nullptr;
    int xkbEventBase = 0;
    KeyboardReach reach = KeyboardReach::FocusedWindow;
    std::unique_ptr<X11Keymap> keymap;
    std::unique_ptr<X11SpareKeys> spare;
    unsigned lockedModifiers = 0;
    bool keymapChanged = false;
    // How often clients were brought in step (see bringClientsInStep).
    unsigned inStepCount = 0;

    bool inText = false;
    // While a text is typed: the Caps Lock the typing rules steer, and the
    // locks released for the text.
    bool textCapsLock = false;
    unsigned textLocks = 0;
    bool shiftHeld = false;
    AltCodeReader altCode;
    Utf16Joiner units;
    std::array<HeldKey, kVirtualKeyCount> held{};
    std::size_t untyped = 0;

    ~Connection()
    {
        if (display)
            XCloseDisplay(display);
    }

    void fakeKey(int keycode, bool down)
    {
        XTestFakeKeyEvent(display, static_cast<unsigned>(keycode), down ? True : False, CurrentTime);
    }

    void setLocks(unsigned locks)
    {
        XkbLockModifiers(display, XkbUseCoreKbd, kTypingLocks, locks);
        lockedModifiers = (lockedModifiers & ~kTypingLocks) | locks;
    }

    // Asks the server for the group and locks (a round trip, after which
    // every notification sent before it is in the queue).
    void readState()
    {
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        lockedModifiers = state.locked_mods;
        keymap->setState(state.group, lockedModifiers);
    }

    void reloadKeymap()
    {
        keymap->reload();
        spare->keymapReloaded();
        keymapChanged = false;
    }

    // A Qt client looks keys up in the first group after a keymap change
    // until the keyboard state changes, whatever group is active. A modifier
    // that no key is bound to, locked and put back at once, sends every
    // client the state, group included, without a key event; where every
    // modifier is bound, the group is switched to the first and back. In
    // the first group there is nothing to put right.
    void bringClientsInStep()
    {
        readState();
        retellState();
    }

    // As above, for the group and locks last read.
    void retellState()
    {
        const int group = keymap->activeGroup();
        if (group == 0)
            return;
        if (const unsigned modifier = keymap->unboundModifier()) {
            const unsigned was = lockedModifiers & modifier;
            XkbLockModifiers(display, XkbUseCoreKbd, modifier, was ^ modifier);
            XkbLockModifiers(display, XkbUseCoreKbd, modifier, was);
        } else {
            XkbLockGroup(display, XkbUseCoreKbd, 0);
            XkbLockGroup(display, XkbUseCoreKbd, static_cast<unsigned>(group));
        }
        XFlush(display);
        ++inStepCount;
    }

    // Reads the keymap changes the server has announced, ours and other
    // programs' alike.
    void takeNotifications()
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
                keymapChanged = true;
            } else if (event.type == xkbEventBase) {
                const int kind = reinterpret_cast<const XkbEvent *>(&event)->any.xkb_type;
                keymapChanged = keymapChanged || kind == XkbMapNotify || kind == XkbNewKeyboardNotify;
            }
        }
        if (keymapChanged)
            reloadKeymap();
    }

    // The key for keysym as the server's keymap holds it now, a spare
    // keycode mapped to it if the keymap has none.
    KeyPlace placeFor(KeysymValue keysym)
    {
        const X11SpareKeys::Symbols symbols = X11SpareKeys::symbolsFor(keysym);
        KeyPlace place = keymap->find(keysym);
        if (place.keycode != 0 && spare->isSpare(place.keycode) && !spare->stillCarries(place.keycode, symbols)) {
            reloadKeymap();
            place = keymap->find(keysym);
        }
        if (place.keycode == 0 && spare->keycodeFor(symbols) != 0)
            place = keymap->find(keysym);
        return place;
    }

    HeldKey press(KeysymValue keysym)
    {
        takeNotifications();
        const KeyPlace place = keysym == kNoKeysym ? KeyPlace{} : placeFor(keysym);
        if (place.keycode == 0) {
            ++untyped;
            return {};
        }
        if (place.shift)
            fakeKey(keymap->shiftKeycode(), true);
        if (place.levelThree)
            fakeKey(keymap->levelThreeKeycode(), true);
        fakeKey(place.keycode, true);
        spare->touch(place.keycode);
        return HeldKey{place.keycode, place.shift, place.levelThree, 0};
    }

    void release(HeldKey &key)
    {
        if (key.keycode == 0)
            return;
        fakeKey(key.keycode, false);
        if (key.levelThree)
            fakeKey(keymap->levelThreeKeycode(), false);
        if (key.shift)
            fakeKey(keymap->shiftKeycode(), false);
        spare->touch(key.keycode);
        if (key.releasedLocks)
            setLocks(key.releasedLocks);
        XFlush(display);
        key = HeldKey{};
    }

    void releaseAll()
    {
        for (HeldKey &key : held)
            release(key);
    }

    bool capsLock()
    {
        if (inText)
            return textCapsLock;
        readState();
        return (lockedModifiers & LockMask) != 0;
    }

    void toggleCapsLock()
    {
        if (inText) {
            textCapsLock = !textCapsLock;
            return;
        }
        readState();
        setLocks((lockedModifiers & kTypingLocks) ^ LockMask);
        XFlush(display);
    }

    // A key typed outside a text gets the treatment a text gets, on its own:
    // the locks that would change it are released until it goes up.
    unsigned releaseLocksForOneKey()
    {
        takeNotifications();
        if (inText)
            return 0;
        readState();
        const unsigned released = lockedModifiers & kTypingLocks;
        if (released)
            setLocks(0);
        return released;
    }

    void keyDown(std::uint8_t virtualKey)
    {
        const char character = usLayoutCharacter(virtualKey, shiftHeld, capsLock() != shiftHeld);
        if (character == 0)
            return;
        HeldKey &key = held[virtualKey];
        release(key);
        const unsigned released = releaseLocksForOneKey();
        key = press(typedCharacterKeysym(static_cast<unsigned char>(character)));
        key.releasedLocks = released;
        if (key.keycode == 0 && released)
            setLocks(released);
        XFlush(display);
    }

    // Alt went up after an Alt code: its character, typed at once.
    void typeAltCode()
    {
        const int byte = altCode.altUp();
        if (byte < 0)
            return;
        typeAtOnce(windows1252Keysym(static_cast<unsigned char>(byte)));
    }

    // A character that comes whole (an Alt code, or one typed by its value)
    // is pressed and released on the spot.
    void typeAtOnce(KeysymValue keysym)
    {
        const unsigned released = releaseLocksForOneKey();
        HeldKey key = press(keysym);
        release(key);
        if (released)
            setLocks(released);
        XFlush(display);
    }

    // A text begins: every character it lacks a key for gets one first.
    void beginText(const std::vector<KeysymValue> &keysyms)
    {
        releaseAll();
        XSync(display, False);
        takeNotifications();
        readState();
        inText = true;
        textLocks = lockedModifiers & kTypingLocks;
        textCapsLock = (lockedModifiers & LockMask) != 0;
        if (textLocks)
            setLocks(0);

        // Clients are brought in step before the first key: after the
        // spare characters' keymap change, else for a change another
        // program made.
        const unsigned inStepBefore = inStepCount;
        spare->prepareKeysyms(keysyms);
        if (inStepCount == inStepBefore)
            retellState();
        XFlush(display);
    }

    // Puts back everything this keyboard changed, Caps Lock off while the
    // keymap changes: the receiving program may forget its lock state then.
    void restoreKeymap()
    {
        releaseAll();
        readState();
        const unsigned locks = lockedModifiers & kTypingLocks;
        if (locks)
            setLocks(0);
        spare->restoreAll();
        if (locks)
            setLocks(locks);
        XSync(display, False);
    }
};

std::unique_ptr<X11Keyboard> X11Keyboard::open(const char *displayName, SpareLevels levels)
{
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(displayName);
    if (!connection->display)
        return nullptr;
    Display *display = connection->display;
    int event = 0, error = 0, major = 0, minor = 0, opcode = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor))
        return nullptr;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &connection->xkbEventBase, &error, &major, &minor))
        return nullptr;
    XkbSelectEvents(display, XkbUseCoreKbd, kKeymapChanges, kKeymapChanges);
    connection->reach = isXWayland(display) ? KeyboardReach::XWaylandWindows : KeyboardReach::FocusedWindow;
    connection->keymap = std::make_unique<X11Keymap>(display);
    if (!connection->keymap->reload())
        return nullptr;
    Connection *x = connection.get();
    connection->spare = std::make_unique<X11SpareKeys>(display, *connection->keymap,
                                                        levels == SpareLevels::LowerCaseOnly,
                                                        [x] { x->bringClientsInStep(); });
    connection->readState();
    connection->spare->clearLeftBehind();
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

void X11Keyboard::beginText(const unsigned char *data, std::size_t length)
{
    std::vector<KeysymValue> keysyms;
    for (std::size_t i = 0; i < length; ++i)
        keysyms.push_back(typedCharacterKeysym(data[i]));
    x->beginText(keysyms);
}

void X11Keyboard::beginUnicodeText(const char32_t *text, std::size_t length)
{
    std::vector<KeysymValue> keysyms;
    for (std::size_t i = 0; i < length; ++i)
        keysyms.push_back(unicodeCharacterKeysym(text[i]));
    x->beginText(keysyms);
}

void X11Keyboard::unicodeEvent(char16_t unit, bool keyUp)
{
    if (keyUp)
        return;
    if (const char32_t character = x->units.add(unit))
        x->typeAtOnce(unicodeCharacterKeysym(character));
}

void X11Keyboard::endText()
{
    x->releaseAll();
    x->shiftHeld = false;
    x->spare->giveBackLent();
    x->inText = false;
    const unsigned locks = (x->textLocks & ~LockMask) | (x->textCapsLock ? LockMask : 0);
    if (locks)
        x->setLocks(locks);
    XFlush(x->display);
}

void X11Keyboard::keyEvent(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags)
{
    const bool up = (flags & KeyEventFlag::kKeyUp) != 0;
    if (virtualKey == vk::kMenu) {
        if (up)
            x->typeAltCode();
        else
            x->altCode.altDown();
        return;
    }
    if (x->altCode.entering() && isKeypadDigit(virtualKey)) {
        if (!up)
            x->altCode.digit(virtualKey - vk::kNumpad0);
        return;
    }
    if (virtualKey == vk::kShift) {
        x->shiftHeld = !up;
        return;
    }
    if (virtualKey == vk::kCapital) {
        if (!up)
            x->toggleCapsLock();
        return;
    }
    if (up)
        x->release(x->held[virtualKey]);
    else
        x->keyDown(virtualKey);
}

bool X11Keyboard::capsLockOn()
{
    return x->capsLock();
}

std::uint8_t X11Keyboard::scanCodeFor(std::uint8_t virtualKey)
{
    const KeysymValue keysym = keypadKeysym(virtualKey);
    if (keysym == kNoKeysym)
        return 0;
    const int scanCode = x->keymap->find(keysym).keycode - kScanCodeKeycodeOffset;
    return scanCode > 0 && scanCode <= kMaxScanCode ? static_cast<std::uint8_t>(scanCode) : 0;
}

void X11Keyboard::sleepFor(std::chrono::milliseconds duration)
{
    XFlush(x->display);
    std::this_thread::sleep_for(duration);
}

std::size_t X11Keyboard::takeUntypedCount()
{
    const std::size_t count = x->untyped;
    x->untyped = 0;
    return count;
}

KeyboardReach X11Keyboard::reach() const
{
    return x->reach;
}

void X11Keyboard::setReach(KeyboardReach reach)
{
    x->reach = reach;
}

int X11Keyboard::unmappedKeycodeCount()
{
    return x->spare->unmappedKeycodeCount();
}
