// Types 1,000 characters into the typing target and reports the time per
// character next to the pacing floor (10 ms per byte, 5 ms more per Alt
// code): on the X server through XTest under a US and a Spanish keymap when
// DISPLAY is set (the keymap is put back afterwards), and on a headless sway
// of its own through the Wayland keyboard when sway is installed. Not part
// of the test suite.
#include "headlesssway.h"
#include "keyboard_wayland.h"
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"
#include "xkeymapcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr int kCharacters = 1000;
constexpr unsigned kSeed = 11;
constexpr unsigned char kFirstAltCodeByte = 0x80;

double floorMs(const QByteArray &bytes)
{
    double total = 0;
    for (char c : bytes) {
        total += KeyInjector::kPerBytePause.count();
        if (static_cast<unsigned char>(c) >= kFirstAltCodeByte)
            total += KeyInjector::kAltReleasePause.count();
    }
    return total;
}

using Opener = std::function<std::unique_ptr<KeyboardDevice>()>;

bool run(TargetWindow &target, const QString &name, const QByteArray &bytes, const Opener &open)
{
    if (!target.clear())
        return false;
    const QString expected = sampletext::typedText(bytes);
    double elapsedMs = 0;
    {
        std::unique_ptr<KeyboardDevice> keyboard = open();
        if (!keyboard)
            return false;
        KeyInjector injector(*keyboard);
        injector.initKeyTable();
        QElapsedTimer clock;
        clock.start();
        typeBytes(injector, bytes);
        elapsedMs = clock.nsecsElapsed() / 1e6;
    }
    const bool intact = target.textOnceTyped(expected.size()) == expected;
    const double perChar = elapsedMs / bytes.size();
    const double floorPerChar = floorMs(bytes) / bytes.size();
    std::printf("%-36s %6.2f ms/char  floor %5.2f ms/char  overhead %5.2f ms/char (%4.1f%%)  above 10 ms %5.2f  %s\n",
                qPrintable(name), perChar, floorPerChar, perChar - floorPerChar, 100.0 * (perChar - floorPerChar) / floorPerChar,
                perChar - KeyInjector::kPerBytePause.count(), intact ? "text intact" : "TEXT DIFFERS");
    return intact;
}

// Types both texts into the target on the platform, once for each of the
// given X layouts (none: the keymap as it is); false if the target could
// not be started or a text came out wrong.
bool typeBoth(const QString &platform, const QString &label, const Opener &open, const QStringList &layouts = {})
{
    TargetWindow target(QStringLiteral(QUILLON_TYPING_TARGET), platform);
    QString error;
    if (!target.start(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    QByteArray ascii;
    const QByteArray printable = sampletext::printableAscii();
    for (int i = 0; i < kCharacters; ++i)
        ascii.append(printable.at(i % printable.size()));
    const QByteArray mixed = sampletext::mixed(kCharacters, kSeed);
    bool intact = true;
    for (const QString &layout : layouts.isEmpty() ? QStringList{QString()} : layouts) {
        QString name = label;
        if (!layout.isEmpty()) {
            if (!xkeymap::apply(layout, {}, &error) || !xkeymap::lockGroup(0)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return false;
            }
            name += QStringLiteral(" ") + layout;
        }
        intact = run(target, name + QStringLiteral(": 1000 ASCII"), ascii, open) && intact;
        intact = run(target, name + QStringLiteral(": 1000 mixed, Spanish and euro"), mixed, open) && intact;
    }
    return intact;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bool intact = true;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        xkeymap::SavedKeymap savedKeymap;
        intact = typeBoth(QStringLiteral("xcb"), QStringLiteral("X11"), [] { return X11Keyboard::open(); },
                          {QStringLiteral("us"), QStringLiteral("es")});
    } else {
        std::printf("X11: skipped, DISPLAY is not set\n");
    }

    const QString missing = HeadlessSway::missing();
    if (!missing.isEmpty()) {
        std::printf("Wayland: skipped, %s\n", qPrintable(missing));
        return intact ? 0 : 1;
    }
    HeadlessSway sway;
    QString error;
    if (!sway.start(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    sway.exportToThisProcess();
    intact = typeBoth(QStringLiteral("wayland"), QStringLiteral("Wayland"), [] { return WaylandKeyboard::open(); }) && intact;
    return intact ? 0 : 1;
}
