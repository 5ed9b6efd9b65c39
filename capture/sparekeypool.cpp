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

std::vector<int> SpareKeyPool::takeIdle(Clock::time_point now)
{
    std::vector<int> idle;
    for (Slot &slot : slots) {
        if (slot.mapped && now - slot.lastUse >= idleBeforeReuse) {
            slot.mapped = false;
            idle.push_back(slot.keycode);
        }
    }
    return idle;
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
