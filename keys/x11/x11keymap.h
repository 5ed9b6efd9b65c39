#pragma once

#include "x11keysyms.h"

#include <unordered_map>
#include <vector>

// Xlib's own names, declared here so that this header stays usable next to
// Qt's (Xlib's macros break those).
typedef struct _XDisplay Display;
struct _XkbDesc;

// A key to press for a keysym, and the modifiers to hold while pressing it.
struct KeyPlace
{
    int keycode = 0; // 0: the keymap cannot type the keysym
    bool shift = false;
    bool levelThree = false; // AltGr on most layouts
};

// The display's keymap as XKB holds it, read whole, and where each keysym
// can be typed in the keyboard group that is active. A keysym is looked for
// on every key, at every level that Shift and the level-three key reach
// through the key's type, so a second layout, AltGr symbols and digits that
// need Shift (AZERTY) are found where the operator would find them.
//
// Locked Shift and Caps Lock are taken to be off: the keyboard releases them
// around what it types, so that they cannot change a character.
class X11Keymap
{
public:
    explicit X11Keymap(Display *display);
    ~X11Keymap();
    X11Keymap(const X11Keymap &) = delete;
    X11Keymap &operator=(const X11Keymap &) = delete;

    // Reads the keymap again (one round trip); false if the server refused.
    bool reload();
    // The group and the locked modifiers the lookups are made for.
    void setState(int group, unsigned lockedModifiers);

    KeyPlace find(KeysymValue keysym) const;
    int shiftKeycode() const { return shiftKey; }
    int levelThreeKeycode() const { return levelThreeKey; }

    // The keysym a key gives without modifiers in its first group.
    KeysymValue firstSymbol(int keycode) const;
    std::vector<int> keycodesWithoutSymbols() const;
    // Keys in use that a keyboard may lend for a moment when no keycode is
    // free: no modifier, nothing that types text, Tab or Return, nothing in
    // avoid. Highest keycodes first: on PC keymaps those are the rarely
    // used media and launch keys.
    std::vector<int> lendableKeycodes(const std::vector<KeysymValue> &avoid) const;
    int minKeycode() const;
    int maxKeycode() const;
    // The group the lookups are made for (0 for the first layout).
    int activeGroup() const { return group; }
    // A real modifier (Mod1 to Mod5) that no key is bound to, as a mask;
    // 0 when every one is bound.
    unsigned unboundModifier() const;

private:
    void rebuildIndex();
    int groupOf(int keycode) const;
    int levelOf(int keycode, int group, unsigned modifiers) const;
    KeysymValue symbolAt(int keycode, int group, int level) const;
    int modifierKey(KeysymValue keysym, unsigned *mask) const;

    Display *display;
    _XkbDesc *desc = nullptr;
    int group = 0;
    unsigned locked = 0;
    std::unordered_map<KeysymValue, KeyPlace> index;
    int shiftKey = 0;
    int levelThreeKey = 0;
    unsigned levelThreeMask = 0;
};
