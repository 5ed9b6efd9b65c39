// Types 1,000 characters into the typing target and reports the time per
// character next to the pacing floor (10 ms per byte, 5 ms more per Alt
// code): on the X server through XTest when DISPLAY is set, and on a
// headless sway of its own through the Wayland keyboard when sway is
// installed. Not part of the test suite.
#include "headlesssway.h"
#include "keyboard_wayland.h"
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"

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

bool run(TargetWindow &target, const char *name, const QByteArray &bytes, const Opener &open)
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
                name, perChar, floorPerChar, perChar - floorPerChar, 100.0 * (perChar - floorPerChar) / floorPerChar,
                perChar - KeyInjector::kPerBytePause.count(), intact ? "text intact" : "TEXT DIFFERS");
    return intact;
}

// Types both texts into the target on the platform; false if the target
// could not be started or a text came out wrong.
bool typeBoth(const QString &platform, const char *label, const Opener &open)
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
    const QByteArray asciiName = QByteArray(label) + ", 1000 ASCII";
    const QByteArray mixedName = QByteArray(label) + ", 1000 mixed";
    bool intact = run(target, asciiName.constData(), ascii, open);
    intact = run(target, mixedName.constData(), sampletext::mixed(kCharacters, kSeed), open) && intact;
    return intact;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    bool intact = true;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        intact = typeBoth(QStringLiteral("xcb"), "X11", [] { return X11Keyboard::open(); });
    else
        std::printf("X11: skipped, DISPLAY is not set\n");

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
    intact = typeBoth(QStringLiteral("wayland"), "Wayland", [] { return WaylandKeyboard::open(); }) && intact;
    return intact ? 0 : 1;
}
