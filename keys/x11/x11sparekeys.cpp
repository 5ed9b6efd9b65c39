#include "x11sparekeys.h"

#include "x11keymap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <iterator>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

// A receiving program needs a moment to fetch a changed keymap; a key
// pressed before that would be looked up in the old one.
constexpr milliseconds kKeymapSettle{20};
// A spare keycode keeps its character until another character needs the
// keycode, and then at least this long after its last press, so that the
// receiving program has read every keymap it was pressed under (a busy one
// reads it later still: keycodes are reused longest idle first).
constexpr milliseconds kIdleBeforeReuse{500};
// When the keyboard goes, the receiving program's last moment to look up
// the spare keycodes it was sent, counted from when the server has every
// key event.
constexpr milliseconds kGraceBeforeRestore{300};
constexpr int kPlainLevel = 0;
constexpr int kShiftLevel = 1;

} // namespace

X11SpareKeys::X11SpareKeys(Display *display, X11Keymap &keymap, bool lowerCaseOnly,
                           std::function<void()> keymapWritten)
    : display(display)
    , keymap(keymap)
    , lowerCaseOnly(lowerCaseOnly)
    , keymapWritten(std::move(keymapWritten))
    , pool(keymap.keycodesWithoutSymbols(), kIdleBeforeReuse)
    , record(DisplayString(display))
{
}

void X11SpareKeys::clearLeftBehind()
{
    std::vector<int> keycodes;
    for (const WrittenKeycode &entry : record.takeLeftBehind()) {
        if (written.count(entry.keycode))
            continue;
        written[entry.keycode] = entry.written[kPlainLevel];
        if (!entry.original.empty())
            lent[entry.keycode] = entry.original;
        keycodes.push_back(entry.keycode);
    }
    if (keycodes.empty())
        return;
    changeKeymap(restoring(keycodes));
    keymapReloaded();
}

X11SpareKeys::Symbols X11SpareKeys::symbolsFor(KeysymValue keysym)
{
    KeySym lower = NoSymbol;
    KeySym upper = NoSymbol;
    XConvertCase(keysym, &lower, &upper);
    if (lower != upper && (keysym == lower || keysym == upper))
        return {lower, upper};
    return {keysym, keysym};
}

void X11SpareKeys::keymapReloaded()
{
    pool.keymapChanged(keymap.keycodesWithoutSymbols(), [this](int keycode) { return keymap.firstSymbol(keycode); });
    for (auto it = lent.begin(); it != lent.end();) {
        if (pool.symbolsOf(it->first)) {
            ++it;
        } else {
            pool.remove(it->first);
            it = lent.erase(it);
        }
    }
    // A character the new keymap wiped is no longer ours to put back.
    for (auto it = carrying.begin(); it != carrying.end();)
        it = pool.symbolsOf(it->first) ? std::next(it) : carrying.erase(it);
}

void X11SpareKeys::lend(std::size_t count, const std::vector<KeysymValue> &avoid)
{
    for (int keycode : keymap.lendableKeycodes(avoid)) {
        if (count == 0)
            break;
        if (lent.count(keycode))
            continue;
        lent[keycode] = serverSymbols(keycode);
        pool.add(keycode);
        --count;
    }
}

void X11SpareKeys::prepareKeysyms(const std::vector<KeysymValue> &textKeysyms)
{
    std::vector<KeysymValue> keysyms;
    std::vector<Symbols> needed;
    for (const KeysymValue keysym : textKeysyms) {
        if (keysym == kNoKeysym || std::find(keysyms.begin(), keysyms.end(), keysym) != keysyms.end())
            continue;
        keysyms.push_back(keysym);
        const int keycode = keymap.find(keysym).keycode;
        const Symbols symbols = symbolsFor(keysym);
        if ((keycode == 0 || isSpare(keycode)) && std::find(needed.begin(), needed.end(), symbols) == needed.end())
            needed.push_back(symbols);
    }
    prepare(needed, keysyms);
}

void X11SpareKeys::prepare(const std::vector<Symbols> &needed, const std::vector<KeysymValue> &avoid)
{
    if (needed.empty())
        return;
    if (needed.size() > pool.size())
        lend(needed.size() - pool.size(), avoid);
    // Claimed first, so that characters already on a keycode keep it and
    // only the others' idle keycodes are restored.
    const Clock::time_point now = Clock::now();
    std::vector<Change> changes;
    Clock::duration wait{};
    // One claim per keycode at most: a text that needs more characters
    // than there are keycodes maps the rest as it reaches them.
    const std::size_t claims = std::min(needed.size(), pool.size());
    for (std::size_t i = 0; i < claims; ++i) {
        const SpareKeyPool::Claim claim = pool.claim(needed[i], now);
        if (!claim.needsMapping)
            continue;
        wait = std::max(wait, claim.waitFirst);
        changes.push_back(Change{claim.keycode, {needed[i][kPlainLevel], needed[i][kShiftLevel]}, true});
    }
    std::this_thread::sleep_for(wait);
    changeKeymap(changes);
}

int X11SpareKeys::keycodeFor(const Symbols &symbols)
{
    if (pool.empty())
        lend(1, {symbols[kPlainLevel], symbols[kShiftLevel]});
    if (pool.empty())
        return 0;
    const SpareKeyPool::Claim claim = pool.claim(symbols, Clock::now());
    std::vector<Change> changes;
    if (claim.needsMapping)
        changes.push_back(Change{claim.keycode, {symbols[kPlainLevel], symbols[kShiftLevel]}, true});
    std::this_thread::sleep_for(claim.waitFirst);
    changeKeymap(changes);
    return pool.symbolsOf(claim.keycode) ? claim.keycode : 0;
}

bool X11SpareKeys::stillCarries(int keycode, const Symbols &symbols)
{
    const std::vector<KeysymValue> now = serverSymbols(keycode);
    return !now.empty() && now[kPlainLevel] == symbols[kPlainLevel];
}

void X11SpareKeys::touch(int keycode)
{
    pool.touch(keycode, Clock::now());
}

void X11SpareKeys::giveBackLent()
{
    if (lent.empty())
        return;
    std::vector<int> keycodes;
    Clock::time_point idle{};
    for (const auto &entry : lent) {
        keycodes.push_back(entry.first);
        idle = std::max(idle, pool.idleAt(entry.first));
    }
    std::this_thread::sleep_until(idle);
    changeKeymap(restoring(keycodes));
}

void X11SpareKeys::restoreAll()
{
    // Every key event is with the server, queued for the window; it gets
    // a moment to look the keycodes up before they lose their characters.
    XSync(display, False);
    const Clock::time_point idle = std::max(pool.allIdleAt(), Clock::now() + kGraceBeforeRestore);
    std::vector<int> keycodes = pool.takeAll();
    for (const auto &entry : lent) {
        if (std::find(keycodes.begin(), keycodes.end(), entry.first) == keycodes.end())
            keycodes.push_back(entry.first);
    }
    if (!keycodes.empty()) {
        std::this_thread::sleep_until(idle);
        changeKeymap(restoring(keycodes));
    }
    // What could not be put back belongs to another program now.
    carrying.clear();
    record.save({});
}

int X11SpareKeys::unmappedKeycodeCount()
{
    keymap.reload();
    return static_cast<int>(keymap.keycodesWithoutSymbols().size());
}

// What each keycode goes back to: its own symbols for a lent key (which
// leaves the pool then), none for a spare one.
std::vector<X11SpareKeys::Change> X11SpareKeys::restoring(const std::vector<int> &keycodes)
{
    std::vector<Change> changes;
    for (int keycode : keycodes) {
        const auto found = lent.find(keycode);
        if (found == lent.end()) {
            changes.push_back(Change{keycode, {}});
            continue;
        }
        changes.push_back(Change{keycode, found->second});
        pool.remove(keycode);
        lent.erase(found);
    }
    return changes;
}

std::vector<KeysymValue> X11SpareKeys::serverSymbols(int keycode)
{
    int perKeycode = 0;
    KeySym *symbols = XGetKeyboardMapping(display, static_cast<KeyCode>(keycode), 1, &perKeycode);
    if (!symbols)
        return {};
    std::vector<KeysymValue> copy(symbols, symbols + perKeycode);
    XFree(symbols);
    return copy;
}

// The server is grabbed while the keycodes are checked and written, so that
// no other client changes the keymap in between: a keycode is written only
// if it holds no symbol at all, still holds what was last written to it, or,
// for a lent key, its own symbols. A keycode that holds something else (on
// any level or group) belongs to the keymap now and leaves the pool.
void X11SpareKeys::changeKeymap(const std::vector<Change> &changes)
{
    if (changes.empty())
        return;
    const int first = keymap.minKeycode();
    const int count = keymap.maxKeycode() - first + 1;
    std::vector<int> taken;
    XGrabServer(display);
    int perKeycode = 0;
    KeySym *now = XGetKeyboardMapping(display, static_cast<KeyCode>(first), count, &perKeycode);
    for (const Change &change : changes) {
        const KeySym *row = now ? now + (change.keycode - first) * perKeycode : nullptr;
        const bool unused =
            !row || std::all_of(row, row + perKeycode, [](KeySym keysym) { return keysym == NoSymbol; });
        const KeySym current = row ? row[kPlainLevel] : NoSymbol;
        const auto writtenTo = written.find(change.keycode);
        const auto lentKey = lent.find(change.keycode);
        const bool stillWritten =
            writtenTo != written.end() && writtenTo->second != NoSymbol && current == writtenTo->second;
        const bool ownSymbols = lentKey != lent.end() && !lentKey->second.empty() && current == lentKey->second[0];
        const bool ours = unused || stillWritten || ownSymbols;
        if (!ours) {
            taken.push_back(change.keycode);
            continue;
        }
        std::vector<KeySym> symbols(change.symbols.begin(), change.symbols.end());
        if (symbols.empty())
            symbols.assign(2, NoSymbol);
        else if (lowerCaseOnly && change.character)
            symbols[kShiftLevel] = symbols[kPlainLevel];
        XChangeKeyboardMapping(display, change.keycode, static_cast<int>(symbols.size()), symbols.data(), 1);
        written[change.keycode] = symbols[kPlainLevel];
        if (change.character)
            carrying[change.keycode].assign(symbols.begin(), symbols.end());
        else
            carrying.erase(change.keycode);
    }
    if (now)
        XFree(now);
    XUngrabServer(display);
    XSync(display, False);
    for (int keycode : taken) {
        pool.remove(keycode);
        lent.erase(keycode);
        carrying.erase(keycode);
    }
    std::vector<WrittenKeycode> held;
    for (const auto &entry : carrying) {
        const auto lentKey = lent.find(entry.first);
        held.push_back(WrittenKeycode{entry.first, entry.second,
                                      lentKey != lent.end() ? lentKey->second : std::vector<KeysymValue>{}});
    }
    record.save(held);
    if (taken.size() < changes.size() && keymapWritten)
        keymapWritten();
    std::this_thread::sleep_for(kKeymapSettle);
    keymap.reload();
}
