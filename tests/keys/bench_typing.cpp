// Types 1,000 characters into the typing target on the X server and reports
// the time per character next to the pacing floor (10 ms per byte, 5 ms
// more per Alt code). Run with DISPLAY set; not part of the test suite.
#include "keyboard_x11.h"
#include "keyinjector.h"
#include "sampletext.h"
#include "targetwindow.h"
#include "typebytes.h"

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

bool run(TargetWindow &target, const char *name, const QByteArray &bytes)
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
    std::printf("%-28s %6.2f ms/char  floor %5.2f ms/char  overhead %5.2f ms/char (%4.1f%%)  above 10 ms %5.2f  %s\n",
                name, perChar, floorPerChar, perChar - floorPerChar, 100.0 * (perChar - floorPerChar) / floorPerChar,
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
    bool intact = run(target, "1000 ASCII", ascii);
    intact = run(target, "1000 mixed, Spanish and euro", sampletext::mixed(kCharacters, kSeed)) && intact;
    return intact ? 0 : 1;
}
