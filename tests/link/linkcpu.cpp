// How much of a core the link takes: the CPU time of the GUI thread during a
// handshake with a scanner that answers, during one with a scanner that stays
// silent (the full second of polling), while the link stands open and idle
// with the receive path reading it, and while it watches for a device to
// come back after a re-plug (by its name alone, and as a USB adapter, which
// lists the system's ports again whenever the folder of device nodes
// changes). Prints the figures next to their wall-clock times; it passes or
// fails nothing.
//   quillon-link-cpu [IDLE_SECONDS]   (default 60, for each idle span)
#include "fakescanner.h"
#include "portwatch.h"
#include "receivepath.h"
#include "scannerlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kDefaultIdleSeconds = 60;
constexpr int kBaud = 115200;
constexpr quint16 kUsbVendor = 0x10C4;
constexpr quint16 kUsbProduct = 0xEA60;

double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Span
{
    double cpu;
    double wall;
};

void runEvents(int seconds)
{
    QEventLoop idle;
    QTimer::singleShot(std::chrono::seconds(seconds), &idle, &QEventLoop::quit);
    idle.exec();
}

template<typename Work>
Span measure(Work work)
{
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    work();
    return {threadCpuSeconds() - cpuBefore, double(clock.nsecsElapsed()) / 1e9};
}

void print(const char *what, const Span &span)
{
    std::printf("%-34s %8.4f s CPU over %8.3f s wall clock (%.2f %%)\n", what, span.cpu, span.wall,
                100.0 * span.cpu / span.wall);
}

bool startScanner(FakeScanner &scanner)
{
    QString error;
    if (scanner.start(&error))
        return true;
    std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int idleSeconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : kDefaultIdleSeconds;

    FakeScanner answering;
    FakeScanner silent(ScannerBehaviour{QByteArrayLiteral("V2.3"), std::nullopt, 0, true});
    if (!startScanner(answering) || !startScanner(silent))
        return 1;

    ScannerLink link;
    link.setWarningHandler([](const QString &) {});
    print("handshake, scanner answers", measure([&] { link.openLink(answering.portPath(), QString::number(kBaud)); }));
    if (!link.portOpen()) {
        std::fprintf(stderr, "the scanner was not identified\n");
        return 1;
    }

    ReceivePath receivePath(link);
    receivePath.start(kBaud);
    print("link open and idle", measure([&] { runEvents(idleSeconds); }));
    receivePath.stop();
    link.closePort();

    ScannerLink unanswered;
    unanswered.setWarningHandler([](const QString &) {});
    print("handshake, scanner silent", measure([&] { unanswered.openLink(silent.portPath(), QString::number(kBaud)); }));

    // Devices that never come back, so each watch runs the whole span.
    const PortIdentity byName{QStringLiteral("/dev/ttyQuillonGone0"), {}, std::nullopt, std::nullopt, {}};
    const PortIdentity usbAdapter{QStringLiteral("ttyQuillonGone1"), QStringLiteral("QL000001"), kUsbVendor,
                                  kUsbProduct, {}};
    for (const auto &[what, lost] : {std::pair{"watching for a re-plug, by name", byName},
                                     std::pair{"watching for a re-plug, USB adapter", usbAdapter}}) {
        PortWatch watch(systemPorts);
        watch.start(lost);
        print(what, measure([&] { runEvents(idleSeconds); }));
    }
    return 0;
}
