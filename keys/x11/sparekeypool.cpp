#include "sparekeypool.h"

#include <algorithm>

SpareKeyPool::SpareKeyPool(std::vector<int> keycodes, Clock::duration idleBeforeReuse)
    : idleBeforeReuse(idleBeforeReuse)
{
    slots.reserve(keycodes.size());
    for (int keycode : keycodes)
        slots.push_back(Slot{keycode});
}

SpareKeyPool::Claim SpareKeyPool::claim(const Symbols &symbols, Clock::time_point now)
{
    for (Slot &slot : slots) {
        if (slot.mapped && slot.symbols == symbols) {
            slot.lastUse = now;
            return Claim{slot.keycode, false, {}};
        }
    }
    auto chosen = std::find_if(slots.begin(), slots.end(), [](const Slot &slot) { return !slot.mapped; });
    Clock::duration wait{};
    if (chosen == slots.end()) {
        chosen = std::min_element(slots.begin(), slots.end(),
                                  [](const Slot &a, const Slot &b) { return a.lastUse < b.lastUse; });
        wait = std::max(Clock::duration::zero(), chosen->lastUse + idleBeforeReuse - now);
    }
    chosen->mapped = true;
    chosen->symbols = symbols;
    chosen->lastUse = now + wait;
    return Claim{chosen->keycode, true, wait};
}

void SpareKeyPool::touch(int keycode, Clock::time_point now)
{
    for (Slot &slot : slots) {
        if (slot.keycode == keycode)
            slot.lastUse = std::max(slot.lastUse, now);
    }
}

std::vector<int> SpareKeyPool::takeAll()
{
    std::vector<int> all;
    for (Slot &slot : slots) {
        if (slot.mapped) {
            slot.mapped = false;
            all.push_back(slot.keycode);
        }
    }
    return all;
}

SpareKeyPool::Clock::time_point SpareKeyPool::allIdleAt() const
{
    Clock::time_point latest{};
    for (const Slot &slot : slots) {
        if (slot.mapped)
            latest = std::max(latest, slot.lastUse + idleBeforeReuse);
    }
    return latest;
}

SpareKeyPool::Clock::time_point SpareKeyPool::idleAt(int keycode) const
{
    for (const Slot &slot : slots) {
        if (slot.keycode == keycode)
            return slot.lastUse + idleBeforeReuse;
    }
    return {};
}

const SpareKeyPool::Symbols *SpareKeyPool::symbolsOf(int keycode) const
{
    for (const Slot &slot : slots) {
        if (slot.keycode == keycode && slot.mapped)
            return &slot.symbols;
    }
    return nullptr;
}

void SpareKeyPool::add(int keycode)
{
    if (std::none_of(slots.begin(), slots.end(), [keycode](const Slot &slot) { return slot.keycode == keycode; }))
        slots.push_back(Slot{keycode});
}

void SpareKeyPool::remove(int keycode)
{
    slots.erase(std::remove_if(slots.begin(), slots.end(), [keycode](const Slot &slot) { return slot.keycode == keycode; }),
                slots.end());
}

void SpareKeyPool::keymapChanged(const std::vector<int> &emptyNow, const std::function<KeysymValue(int)> &firstSymbol)
{
    auto isEmpty = [&emptyNow](int keycode) { return std::find(emptyNow.begin(), emptyNow.end(), keycode) != emptyNow.end(); };
    std::vector<Slot> kept;
    for (Slot &slot : slots) {
        if (slot.mapped && firstSymbol(slot.keycode) == slot.symbols[0]) {
            kept.push_back(slot);
        } else if (isEmpty(slot.keycode)) {
            slot.mapped = false;
            kept.push_back(slot);
        }
    }
    slots = std::move(kept);
    for (int keycode : emptyNow)
        add(keycode);
}
