#include "xkeymapcontrol.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

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
    DisplayHandle display = openDisplay();
    XkbStateRec state{};
    if (!display || XkbGetState(display.get(), XkbUseCoreKbd, &state) != Success)
        return -1;
    return state.group;
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
    DisplayHandle display = openDisplay();
    XkbStateRec state{};
    return display && XkbGetState(display.get(), XkbUseCoreKbd, &state) == Success
           && (state.locked_mods & LockMask) != 0;
}

int fillEveryKeycode()
{
    DisplayHandle display = openDisplay();
    if (!display)
        return 0;
    int first = 0, last = 0, perKeycode = 0;
    XDisplayKeycodes(display.get(), &first, &last);
    KeySym *map = XGetKeyboardMapping(display.get(), static_cast<KeyCode>(first), last - first + 1, &perKeycode);
    int filled = 0;
    for (int keycode = first; keycode <= last; ++keycode) {
        const KeySym *symbols = map + (keycode - first) * perKeycode;
        bool empty = true;
        for (int i = 0; i < perKeycode; ++i)
            empty = empty && symbols[i] == NoSymbol;
        if (!empty)
            continue;
        KeySym filler = kFillerKeysym + static_cast<KeySym>(keycode);
        XChangeKeyboardMapping(display.get(), keycode, 1, &filler, 1);
        ++filled;
    }
    XFree(map);
    XSync(display.get(), False);
    return filled;
}

std::vector<unsigned long> symbols()
{
    DisplayHandle display = openDisplay();
    if (!display)
        return {};
    int first = 0, last = 0, perKeycode = 0;
    XDisplayKeycodes(display.get(), &first, &last);
    KeySym *map = XGetKeyboardMapping(display.get(), static_cast<KeyCode>(first), last - first + 1, &perKeycode);
    std::vector<unsigned long> all(map, map + (last - first + 1) * perKeycode);
    XFree(map);
    return all;
}

int unmappedKeycodeCount()
{
    DisplayHandle display = openDisplay();
    if (!display)
        return -1;
    int first = 0, last = 0, perKeycode = 0;
    XDisplayKeycodes(display.get(), &first, &last);
    KeySym *map = XGetKeyboardMapping(display.get(), static_cast<KeyCode>(first), last - first + 1, &perKeycode);
    int count = 0;
    for (int keycode = first; keycode <= last; ++keycode) {
        bool empty = true;
        for (int i = 0; i < perKeycode; ++i)
            empty = empty && map[(keycode - first) * perKeycode + i] == NoSymbol;
        count += empty ? 1 : 0;
    }
    XFree(map);
    return count;
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
