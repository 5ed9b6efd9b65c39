#pragma once

#include "x11keysyms.h"

#include <array>
#include <chrono>
#include <functional>
#include <vector>

// The keycodes that have no symbols in the user's keymap, lent out to
// characters the keymap cannot type. A receiving program looks a keycode up
// in the keymap as it last heard of it, not as it was at the key press, so a
// keycode keeps its character until another character needs a keycode and
// none is free, and even then until it has been idle for a while.
//
// The keymap may be replaced under the pool (a layout switch, a keyboard
// plugged in): keymapChanged() then drops the keycodes the new keymap uses
// and forgets characters that the new keymap wiped.
class SpareKeyPool
{
public:
    using Clock = std::chrono::steady_clock;
    // The symbols of one spare keycode: without and with Shift.
    using Symbols = std::array<KeysymValue, 2>;

    struct Claim
    {
        int keycode = 0;
        bool needsMapping = false;
        // How long to wait before remapping a keycode that is still in use.
        Clock::duration waitFirst{};
    };

    SpareKeyPool(std::vector<int> keycodes, Clock::duration idleBeforeReuse);

    bool empty() const { return slots.empty(); }
    std::size_t size() const { return slots.size(); }
    // Symbols of a mapped keycode; null if keycode is not mapped by the pool.
    const Symbols *symbolsOf(int keycode) const;
    // A keycode for symbols: the one that already carries them, else a free
    // one, else the one idle longest (possibly after a wait). Needs !empty().
    Claim claim(const Symbols &symbols, Clock::time_point now);
    // The keycode was pressed or released at now.
    void touch(int keycode, Clock::time_point now);
    // Every mapped keycode, and the moment after which all are idle.
    std::vector<int> takeAll();
    Clock::time_point allIdleAt() const;
    // When keycode has been idle long enough to restore.
    Clock::time_point idleAt(int keycode) const;

    // A keycode the pool may use from now on (a key lent by the keymap), or
    // no longer (given back).
    void add(int keycode);
    void remove(int keycode);
    // The keymap was read again: emptyNow are its keycodes without symbols,
    // firstSymbol tells what a keycode gives now without modifiers.
    void keymapChanged(const std::vector<int> &emptyNow, const std::function<KeysymValue(int)> &firstSymbol);

private:
    struct Slot
    {
        int keycode;
        bool mapped = false;
        Symbols symbols{};
        Clock::time_point lastUse{};
    };

    std::vector<Slot> slots;
    Clock::duration idleBeforeReuse;
};
