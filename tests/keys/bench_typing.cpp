// Types 1,000 characters into the typing target on the X server, under a US
// and a Spanish keymap, and reports the time per character next to the
// pacing floor (10 ms per byte, 5 ms more per Alt code). Run with DISPLAY
// set; not part of the test suite. The keymap is put back afterwards.
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"
#include "xkeymapcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

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

bool run(TargetWindow &target, const QString &name, const QByteArray &bytes)
{
    if (!target.clear())
        return false;
    const QString expected = sampletext::typedText(bytes);
    double elapsedMs = 0;
    {
        std::unique_ptr<X11Keyboard> keyboard = X11Keyboard::open();
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TargetWindow target(QStringLiteral(QUILLON_TYPING_TARGET));
    QString error;
    if (!target.start(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QByteArray ascii;
    const QByteArray printable = sampletext::printableAscii();
    for (int i = 0; i < kCharacters; ++i)
        ascii.append(printable.at(i % printable.size()));
    const QByteArray mixed = sampletext::mixed(kCharacters, kSeed);

    xkeymap::SavedKeymap savedKeymap;
    bool intact = true;
    for (const QString &layout : {QStringLiteral("us"), QStringLiteral("es")}) {
        if (!xkeymap::apply(layout, {}, &error) || !xkeymap::lockGroup(0)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        intact = run(target, layout + QStringLiteral(": 1000 ASCII"), ascii) && intact;
        intact = run(target, layout + QStringLiteral(": 1000 mixed, Spanish and euro"), mixed) && intact;
    }
    return intact ? 0 : 1;
}
