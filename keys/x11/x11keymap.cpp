#include "x11keymap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>

namespace {

constexpr unsigned kReadParts = XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask;
// Shift and Caps Lock are released around typing (see the header).
constexpr unsigned kReleasedLocks = ShiftMask | LockMask;
// Where no key binds the level-three modifier, it is Mod5 by convention.
constexpr unsigned kUsualLevelThreeMask = Mod5Mask;
// The real modifiers a keymap may leave without a key.
constexpr unsigned kFreeableModifiers[] = {Mod1Mask, Mod2Mask, Mod3Mask, Mod4Mask, Mod5Mask};
// Keysyms below this are Latin-1 characters: never lent away.
constexpr KeysymValue kFirstNonLatin1Keysym = 0x100;

struct Modifiers
{
    bool shift;
    bool levelThree;
};

// In order of preference: fewest modifiers first.
constexpr std::array<Modifiers, 4> kModifierChoices{{{false, false}, {true, false}, {false, true}, {true, true}}};

bool typesText(KeysymValue keysym)
{
    return keysym < kFirstNonLatin1Keysym || keysym == XK_Tab || keysym == XK_Return || keysym == XK_BackSpace
           || keysym == XK_Delete || (keysym >= XK_KP_Space && keysym <= XK_KP_9);
}

} // namespace

X11Keymap::X11Keymap(Display *display)
    : display(display)
{
}

X11Keymap::~X11Keymap()
{
    if (desc)
        XkbFreeKeyboard(desc, 0, True);
}

bool X11Keymap::reload()
{
    XkbDescPtr fresh = XkbGetMap(display, kReadParts, XkbUseCoreKbd);
    if (!fresh)
        return false;
    if (desc)
        XkbFreeKeyboard(desc, 0, True);
    desc = fresh;
    rebuildIndex();
    return true;
}

void X11Keymap::setState(int newGroup, unsigned lockedModifiers)
{
    const unsigned newLocked = lockedModifiers & ~kReleasedLocks;
    if (newGroup == group && newLocked == locked)
        return;
    group = newGroup;
    locked = newLocked;
    rebuildIndex();
}

KeyPlace X11Keymap::find(KeysymValue keysym) const
{
    const auto found = index.find(keysym);
    return found == index.end() ? KeyPlace{} : found->second;
}

int X11Keymap::minKeycode() const
{
    return desc ? desc->min_key_code : 0;
}

int X11Keymap::maxKeycode() const
{
    return desc ? desc->max_key_code : -1;
}

// A group beyond the key's own groups is brought into range the way the
// key's group information says, as the server does for a key press.
int X11Keymap::groupOf(int keycode) const
{
    const int groups = XkbKeyNumGroups(desc, keycode);
    if (groups == 0)
        return -1;
    if (group < groups)
        return group;
    const unsigned char info = XkbKeyGroupInfo(desc, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return groups - 1;
    case XkbRedirectIntoRange: {
        const int redirected = XkbOutOfRangeGroupNumber(info);
        return redirected < groups ? redirected : 0;
    }
    default:
        return group % groups;
    }
}

int X11Keymap::levelOf(int keycode, int keyGroup, unsigned modifiers) const
{
    const XkbKeyTypePtr type = XkbKeyKeyType(desc, keycode, keyGroup);
    const unsigned relevant = modifiers & type->mods.mask;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec &entry = type->map[i];
        if (entry.active && entry.mods.mask == relevant)
            return entry.level;
    }
    return 0;
}

KeysymValue X11Keymap::symbolAt(int keycode, int keyGroup, int level) const
{
    if (keyGroup < 0 || level >= XkbKeyGroupWidth(desc, keycode, keyGroup))
        return NoSymbol;
    return XkbKeySymEntry(desc, keycode, level, keyGroup);
}

KeysymValue X11Keymap::firstSymbol(int keycode) const
{
    if (!desc || keycode < desc->min_key_code || keycode > desc->max_key_code || XkbKeyNumGroups(desc, keycode) == 0)
        return NoSymbol;
    return symbolAt(keycode, 0, 0);
}

// A key that gives keysym without modifiers in the active group and is bound
// to a modifier; mask gets the key's modifiers.
int X11Keymap::modifierKey(KeysymValue keysym, unsigned *mask) const
{
    for (int keycode = desc->min_key_code; keycode <= desc->max_key_code; ++keycode) {
        if (symbolAt(keycode, groupOf(keycode), 0) == keysym) {
            *mask = desc->map->modmap[keycode];
            return keycode;
        }
    }
    return 0;
}

void X11Keymap::rebuildIndex()
{
    index.clear();
    if (!desc)
        return;
    unsigned shiftMask = 0;
    shiftKey = modifierKey(XK_Shift_L, &shiftMask);
    if (shiftKey == 0)
        shiftKey = modifierKey(XK_Shift_R, &shiftMask);
    levelThreeKey = modifierKey(XK_ISO_Level3_Shift, &levelThreeMask);
    if (levelThreeMask == 0)
        levelThreeMask = kUsualLevelThreeMask;

    for (const Modifiers &choice : kModifierChoices) {
        if ((choice.shift && shiftKey == 0) || (choice.levelThree && levelThreeKey == 0))
            continue;
        const unsigned modifiers =
            locked | (choice.shift ? ShiftMask : 0) | (choice.levelThree ? levelThreeMask : 0);
        for (int keycode = desc->min_key_code; keycode <= desc->max_key_code; ++keycode) {
            const int keyGroup = groupOf(keycode);
            if (keyGroup < 0)
                continue;
            const KeysymValue keysym = symbolAt(keycode, keyGroup, levelOf(keycode, keyGroup, modifiers));
            if (keysym != NoSymbol)
                index.emplace(keysym, KeyPlace{keycode, choice.shift, choice.levelThree});
        }
    }
}

unsigned X11Keymap::unboundModifier() const
{
    if (!desc)
        return 0;
    unsigned bound = 0;
    for (int keycode = desc->min_key_code; keycode <= desc->max_key_code; ++keycode)
        bound |= desc->map->modmap[keycode];
    for (unsigned modifier : kFreeableModifiers) {
        if ((bound & modifier) == 0)
            return modifier;
    }
    return 0;
}

std::vector<int> X11Keymap::keycodesWithoutSymbols() const
{
    std::vector<int> empty;
    if (!desc)
        return empty;
    for (int keycode = desc->min_key_code; keycode <= desc->max_key_code; ++keycode) {
        if (XkbKeyNumSyms(desc, keycode) == 0
            || std::all_of(XkbKeySymsPtr(desc, keycode), XkbKeySymsPtr(desc, keycode) + XkbKeyNumSyms(desc, keycode),
                           [](KeySym keysym) { return keysym == NoSymbol; }))
            empty.push_back(keycode);
    }
    return empty;
}

std::vector<int> X11Keymap::lendableKeycodes(const std::vector<KeysymValue> &avoid) const
{
    std::vector<int> lendable;
    if (!desc)
        return lendable;
    for (int keycode = desc->max_key_code; keycode >= desc->min_key_code; --keycode) {
        const KeySym *symbols = XkbKeySymsPtr(desc, keycode);
        const int count = XkbKeyNumSyms(desc, keycode);
        if (count == 0 || desc->map->modmap[keycode] != 0)
            continue;
        const bool usable = std::none_of(symbols, symbols + count, [&avoid](KeySym keysym) {
            return typesText(keysym) || std::find(avoid.begin(), avoid.end(), keysym) != avoid.end();
        });
        if (usable)
            lendable.push_back(keycode);
    }
    return lendable;
}
