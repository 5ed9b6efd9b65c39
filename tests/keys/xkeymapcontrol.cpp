#include "xkeymapcontrol.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <memory>

namespace xkeymap {

namespace {

constexpr int kToolTimeoutMs = 20000;
// Private-use characters U+E000 on, as keysyms: symbols no text types.
constexpr KeySym kFillerKeysym = 0x100E000;

struct DisplayCloser
{
    void operator()(Display *display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

DisplayHandle openDisplay()
{
    return DisplayHandle(XOpenDisplay(nullptr));
}

bool run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("%1 %2 failed: %3").arg(program, arguments.join(QLatin1Char(' ')),
                                                              QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

} // namespace

bool apply(const QString &layouts, const QStringList &options, QString *error)
{
    QStringList arguments{QStringLiteral("-layout"), layouts, QStringLiteral("-option"), QString()};
    for (const QString &option : options)
        arguments << QStringLiteral("-option") << option;
    return run(QStringLiteral("setxkbmap"), arguments, error);
}

namespace {

bool readState(XkbStateRec *state)
{
    DisplayHandle display = openDisplay();
    return display && XkbGetState(display.get(), XkbUseCoreKbd, state) == Success;
}

// The core keymap: per keycode from first on, perKeycode symbols.
struct CoreKeymap
{
    int first = 0;
    int perKeycode = 0;
    std::vector<unsigned long> symbols;

    bool unused(int keycode) const
    {
        const auto begin = symbols.begin() + (keycode - first) * perKeycode;
        return std::all_of(begin, begin + perKeycode, [](unsigned long symbol) { return symbol == NoSymbol; });
    }
    int last() const { return perKeycode ? first + int(symbols.size()) / perKeycode - 1 : first - 1; }
};

CoreKeymap readKeymap(Display *display)
{
    CoreKeymap keymap;
    int first = 0, last = 0;
    XDisplayKeycodes(display, &first, &last);
    KeySym *map = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &keymap.perKeycode);
    keymap.first = first;
    keymap.symbols.assign(map, map + (last - first + 1) * keymap.perKeycode);
    XFree(map);
    return keymap;
}

} // namespace

bool lockGroup(int group)
{
    DisplayHandle display = openDisplay();
    if (!display || !XkbLockGroup(display.get(), XkbUseCoreKbd, static_cast<unsigned>(group)))
        return false;
    XSync(display.get(), False);
    return activeGroup() == group;
}

int activeGroup()
{
    XkbStateRec state{};
    return readState(&state) ? state.group : -1;
}

bool setCapsLock(bool on)
{
    DisplayHandle display = openDisplay();
    if (!display || !XkbLockModifiers(display.get(), XkbUseCoreKbd, LockMask, on ? LockMask : 0))
        return false;
    XSync(display.get(), False);
    return capsLockOn() == on;
}

bool capsLockOn()
{
    XkbStateRec state{};
    return readState(&state) && (state.locked_mods & LockMask) != 0;
}

int fillEveryKeycode()
{
    DisplayHandle display = openDisplay();
    if (!display)
        return 0;
    const CoreKeymap keymap = readKeymap(display.get());
    int filled = 0;
    for (int keycode = keymap.first; keycode <= keymap.last(); ++keycode) {
        if (!keymap.unused(keycode))
            continue;
        KeySym filler = kFillerKeysym + static_cast<KeySym>(keycode);
        XChangeKeyboardMapping(display.get(), keycode, 1, &filler, 1);
        ++filled;
    }
    XSync(display.get(), False);
    return filled;
}

std::vector<unsigned long> symbols()
{
    DisplayHandle display = openDisplay();
    return display ? readKeymap(display.get()).symbols : std::vector<unsigned long>{};
}

int unmappedKeycodeCount()
{
    DisplayHandle display = openDisplay();
    if (!display)
        return -1;
    const CoreKeymap keymap = readKeymap(display.get());
    int count = 0;
    for (int keycode = keymap.first; keycode <= keymap.last(); ++keycode)
        count += keymap.unused(keycode) ? 1 : 0;
    return count;
}

int keycodeGiving(unsigned long keysym)
{
    DisplayHandle display = openDisplay();
    if (!display)
        return 0;
    const CoreKeymap keymap = readKeymap(display.get());
    for (int keycode = keymap.first; keycode <= keymap.last(); ++keycode) {
        if (keymap.symbols[std::size_t((keycode - keymap.first) * keymap.perKeycode)] == keysym)
            return keycode;
    }
    return 0;
}

bool setKeycodeSymbols(int keycode, const std::vector<unsigned long> &symbols)
{
    DisplayHandle display = openDisplay();
    if (!display || symbols.empty())
        return false;
    std::vector<KeySym> row(symbols.begin(), symbols.end());
    XChangeKeyboardMapping(display.get(), keycode, int(row.size()), row.data(), 1);
    XSync(display.get(), False);
    return true;
}

std::vector<unsigned long> keycodeSymbols(int keycode)
{
    DisplayHandle display = openDisplay();
    if (!display)
        return {};
    const CoreKeymap keymap = readKeymap(display.get());
    if (keycode < keymap.first || keycode > keymap.last())
        return {};
    const auto begin = keymap.symbols.begin() + (keycode - keymap.first) * keymap.perKeycode;
    return std::vector<unsigned long>(begin, begin + keymap.perKeycode);
}

SavedKeymap::SavedKeymap()
{
    QTemporaryFile temporary(QDir::temp().filePath(QStringLiteral("quillon-keymap-XXXXXX.xkb")));
    temporary.setAutoRemove(false);
    if (!temporary.open())
        return;
    temporary.close();
    if (run(QStringLiteral("xkbcomp"), {QStringLiteral("-xkb"), QString::fromLocal8Bit(qgetenv("DISPLAY")),
                                        temporary.fileName()},
            nullptr))
        file = temporary.fileName();
}

SavedKeymap::~SavedKeymap()
{
    if (file.isEmpty())
        return;
    run(QStringLiteral("xkbcomp"), {file, QString::fromLocal8Bit(qgetenv("DISPLAY"))}, nullptr);
    QFile::remove(file);
}

} // namespace xkeymap
