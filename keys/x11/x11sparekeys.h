#pragma once

#include "sparekeypool.h"
#include "sparekeyrecord.h"

#include <functional>
#include <map>
#include <vector>

typedef struct _XDisplay Display;
class X11Keymap;

// Keycodes given characters that the keymap cannot type: the unused ones
// first; when the keymap has too few, keys in use are lent for the length of
// a text and then given their own symbols back. An unused keycode keeps its
// character until another character needs it or the keyboard goes: a busy
// window may look it up seconds after the key was sent. A keycode is only ever
// written when the keymap as the server holds it agrees with what this
// class believes: unused for a spare one, still ours when restoring.
//
// Every change is followed by a short settle, so that the receiving program
// has fetched the new keymap before the key arrives; changeKeymap() makes
// several changes at once, to pay that only once.
class X11SpareKeys
{
public:
    using Symbols = SpareKeyPool::Symbols;
    using Clock = SpareKeyPool::Clock;

    // lowerCaseOnly maps the lower-case letter on both levels: capitals on
    // spare keycodes are then lost (a broken keyboard for the tests).
    // keymapWritten runs after each change of the server's keymap, before
    // the settle.
    X11SpareKeys(Display *display, X11Keymap &keymap, bool lowerCaseOnly, std::function<void()> keymapWritten);

    // The symbols a spare keycode gets for keysym: a letter with its
    // capital (the capital then wants Shift), anything else on both levels.
    static Symbols symbolsFor(KeysymValue keysym);

    // The keymap was read again (see SpareKeyPool::keymapChanged).
    void keymapReloaded();
    // Maps a keycode for every keysym of a text that the keymap lacks, in
    // one change, lending keys in use when there are too few unused ones.
    void prepareKeysyms(const std::vector<KeysymValue> &keysyms);
    // The keycode that carries symbols, mapped now if need be; 0 when there
    // is no keycode to be had.
    int keycodeFor(const Symbols &symbols);
    // Whether the server's keymap still gives symbols on keycode (asks it).
    bool stillCarries(int keycode, const Symbols &symbols);
    // A key event on keycode: it is in use until it has been idle a while.
    void touch(int keycode);
    bool isSpare(int keycode) const { return pool.symbolsOf(keycode) != nullptr; }
    // Waits until lent keys are idle and gives them their symbols back.
    void giveBackLent();
    // Waits until the server has every key event, a grace has passed and
    // every mapped keycode is idle, and restores all of them.
    void restoreAll();

    // Keycodes without symbols in the keymap as the server holds it.
    int unmappedKeycodeCount();
    // Puts back what keyboards of Quillons that no longer run left changed
    // on this display, where the keymap still holds what they wrote.
    void clearLeftBehind();

private:
    // avoid: keysyms the text types, whose keys must not be lent.
    void prepare(const std::vector<Symbols> &needed, const std::vector<KeysymValue> &avoid);

    struct Change
    {
        int keycode;
        std::vector<KeysymValue> symbols; // empty: no symbols
        bool character = false;           // a character mapped, not a key restored
    };
    void changeKeymap(const std::vector<Change> &changes);
    std::vector<KeysymValue> serverSymbols(int keycode);
    std::vector<Change> restoring(const std::vector<int> &keycodes);
    void lend(std::size_t count, const std::vector<KeysymValue> &avoid);

    Display *display;
    X11Keymap &keymap;
    bool lowerCaseOnly;
    std::function<void()> keymapWritten;
    SpareKeyPool pool;
    // Keys in use that were lent, with the symbols they had.
    std::map<int, std::vector<KeysymValue>> lent;
    // The first symbol last written to each keycode.
    std::map<int, KeysymValue> written;
    // The keycodes that carry a character of ours now, with its symbols;
    // kept in the record.
    std::map<int, std::vector<KeysymValue>> carrying;
    SpareKeyRecord record;
};
