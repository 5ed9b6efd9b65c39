// Not a test: how Quillon takes in what the scanner sends, measured the same
// way for any build of it (--quillon PATH; the one built here by default),
// with the simulator and a text field of this program holding the focus:
//  - the time from the simulator's write of a card's last byte to the first
//    key press arriving in the text field, over kLatencyCards cards;
//  - pairs of cards 50 ms apart typed whole, out of kPairs;
//  - long records typed right out of kBurstRecords, sent in bursts of 15
//    bytes every 16 ms (9600 baud through a USB adapter's latency timer);
//  - how long "Cierre" takes to close the port while the line never falls
//    quiet;
//  - Quillon's CPU time over an idle minute with the link open.
// scripts/bench-receive.sh runs it under Xvfb.
#include "quillonsession.h"
#include "scannedblocks.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kLatencyCards = 20;
constexpr int kPairs = 10;
constexpr int kPairGapMs = 50;
constexpr int kBurstRecords = 20;
constexpr int kAdapterBurstBytes = 15;
constexpr int kAdapterLatencyMs = 16;
constexpr int kClosings = 5;
// A line that never falls quiet: zero bytes, 20 every 2 ms, for longer
// than a closing takes.
constexpr int kEndlessBytes = 100000;
constexpr int kEndlessBurstBytes = 20;
constexpr int kEndlessBurstEveryMs = 2;
constexpr int kStreamingBeforeCloseMs = 1000;
constexpr int kClosedWithinMs = 10000;

constexpr quint32 kOldPollPeriodMs = 300;
constexpr int kTypedWithinMs = 10000;
// Typing that has not changed for this long is taken as all there is.
constexpr int kSettledMs = 1500;
constexpr int kHandshakeSettleMs = 1500;
// Quillon's X connection takes its window for inactive only 400 ms after the
// focus went to another program's window.
constexpr int kFocusLeftQuillonMs = 1000;
constexpr int kIdleSeconds = 60;
constexpr int kPollMs = 5;

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Notes the arrival time of the first key press after it is armed.
class FirstKey : public QObject
{
public:
    qint64 armedAt = 0;
    qint64 arrivedAt = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && armedAt && !arrivedAt)
            arrivedAt = monotonicNs();
        return false;
    }
};

// utime + stime of a process, in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(share * double(values.size() - 1) + 0.5));
    return values[at];
}

// Quillon linked to the simulator, the text field holding the focus.
struct Bench
{
    QuillonSession session;
    QPlainTextEdit target;
    FirstKey firstKey;
    QByteArray simOutput;

    bool start(const QString &program, const QStringList &transmit, const QList<scanned::Block> &blocks,
               const QStringList &simArguments, bool slowestSpeed = false)
    {
        session.writeConfig(scanned::kDateFormat, transmit);
        if (!program.isEmpty())
            session.setQuillonProgram(program);
        if (!session.startSimulatorSending(blocks, simArguments))
            return false;
        target.setGeometry(1045, 10, 230, 400);
        target.installEventFilter(&firstKey);
        target.show();
        if (!QTest::qWaitForWindowExposed(&target) || !session.startQuillon() || !session.logIn()
            || (slowestSpeed && !session.chooseSlowestSpeed()) || !session.openLink())
            return false;
        QTest::qWait(kHandshakeSettleMs);
        if (!QuillonSession::focus(target))
            return false;
        QTest::qWait(kFocusLeftQuillonMs);
        return true;
    }

    // The next line of the simulator's output that starts with prefix,
    // waiting for it up to withinMs; empty when none came.
    QByteArray nextLine(const QByteArray &prefix, int withinMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            simOutput += session.simulator().readAllStandardOutput();
            int start = 0;
            for (int end; (end = simOutput.indexOf('\n', start)) >= 0; start = end + 1) {
                const QByteArray line = simOutput.mid(start, end - start);
                if (line.startsWith(prefix)) {
                    simOutput.remove(0, end + 1);
                    return line;
                }
            }
            simOutput.remove(0, start);
            if (clock.elapsed() >= withinMs)
                return {};
            QTest::qWait(kPollMs);
        }
    }

    // What the text field holds once it is what was expected, or once it
    // has stopped changing. A random pause first, so that the reads meet
    // every phase of a polling receive path instead of locking onto one.
    QString typedAfterLine(const QString &expected)
    {
        QTest::qWait(int(QRandomGenerator::global()->bounded(kOldPollPeriodMs)));
        target.clear();
        session.simulator().write("\n");
        QElapsedTimer clock;
        clock.start();
        QString last;
        QElapsedTimer unchanged;
        unchanged.start();
        while (clock.elapsed() < kTypedWithinMs) {
            QTest::qWait(kPollMs);
            const QString now = target.toPlainText();
            if (now == expected)
                return now;
            if (now != last) {
                last = now;
                unchanged.restart();
            } else if (!now.isEmpty() && unchanged.elapsed() >= kSettledMs) {
                break;
            }
        }
        return target.toPlainText();
    }
};

bool latencyAndIdle(const QString &program)
{
    const scanned::Block card = scanned::blocks().at(0);
    Bench bench;
    if (!bench.start(program, scanned::transmitFields(), {card}, {"--timestamps"}))
        return false;
    std::vector<double> latencies;
    int typedRight = 0;
    for (int i = 0; i < kLatencyCards; ++i) {
        bench.firstKey.arrivedAt = 0;
        bench.firstKey.armedAt = monotonicNs();
        typedRight += bench.typedAfterLine(card.typed) == card.typed;
        const QList<QByteArray> sent = bench.nextLine("sent ", kTypedWithinMs).split(' ');
        if (sent.size() < 4 || !bench.firstKey.arrivedAt) {
            std::fprintf(stderr, "card %d: no %s\n", i, sent.size() < 4 ? "time stamp from the simulator" : "typing");
            return false;
        }
        latencies.push_back(double(bench.firstKey.arrivedAt - sent.at(3).toLongLong()) / 1e6);
    }
    std::printf("latency from a card's last byte to its first key, over %d cards (%d typed right):\n",
                kLatencyCards, typedRight);
    std::printf("  median %.1f ms, max %.1f ms\n", percentile(latencies, 0.5), percentile(latencies, 1.0));

    const double tick = double(sysconf(_SC_CLK_TCK));
    const long long idleStart = cpuTicks(bench.session.quillonPid());
    QElapsedTimer idleClock;
    idleClock.start();
    QTest::qWait(kIdleSeconds * 1000);
    const long long idleEnd = cpuTicks(bench.session.quillonPid());
    std::printf("idle with the link open: %.3f s CPU over %.1f s wall clock (%.2f %%)\n",
                double(idleEnd - idleStart) / tick, idleClock.elapsed() / 1000.0,
                100.0 * double(idleEnd - idleStart) / tick / (idleClock.elapsed() / 1000.0));
    return true;
}

bool pairsApart(const QString &program)
{
    const QList<scanned::Block> sample = scanned::blocks();
    const scanned::Block &zone = sample.at(0);
    const scanned::Block &record = sample.at(1);
    Bench bench;
    if (!bench.start(program, scanned::transmitFields(), {zone, record},
                     {"--reads-per-line", "2", "--read-gap", QString::number(kPairGapMs)}))
        return false;
    int whole = 0;
    int cards = 0;
    for (int i = 0; i < kPairs; ++i) {
        const QString typed = bench.typedAfterLine(zone.typed + record.typed);
        whole += typed == zone.typed + record.typed;
        cards += typed.contains(zone.typed) + typed.contains(record.typed);
    }
    std::printf("two cards %d ms apart: %d of %d pairs typed whole, %d of %d cards typed\n", kPairGapMs, whole,
                kPairs, cards, 2 * kPairs);
    return true;
}

bool recordsInBursts(const QString &program)
{
    const scanned::Block record = scanned::blocks().at(1);
    Bench bench;
    if (!bench.start(program, scanned::transmitFields(), {record},
                     {"--burst-bytes", QString::number(kAdapterBurstBytes), "--burst-every",
                      QString::number(kAdapterLatencyMs)},
                     true))
        return false;
    int right = 0;
    for (int i = 0; i < kBurstRecords; ++i) {
        const QString typed = bench.typedAfterLine(record.typed);
        right += typed == record.typed;
        if (typed != record.typed)
            std::fprintf(stderr, "record %d typed as \"%s\"\n", i, qPrintable(typed.toHtmlEscaped()));
    }
    std::printf("long records at 9600 in bursts of %d bytes every %d ms: %d of %d typed right\n", kAdapterBurstBytes,
                kAdapterLatencyMs, right, kBurstRecords);
    return true;
}

bool closingWhileStreaming(const QString &program)
{
    Bench bench;
    const scanned::Block endless{QByteArray(kEndlessBytes, '\0'), QString()};
    if (!bench.start(program, {}, {endless},
                     {"--burst-bytes", QString::number(kEndlessBurstBytes), "--burst-every",
                      QString::number(kEndlessBurstEveryMs)}))
        return false;
    std::vector<double> closings;
    for (int i = 0; i < kClosings; ++i) {
        bench.nextLine("port opened", kClosedWithinMs);
        bench.session.simulator().write("\n");
        QTest::qWait(kStreamingBeforeCloseMs);
        bench.simOutput += bench.session.simulator().readAllStandardOutput();
        bench.simOutput.clear();
        // From the click's end: starting a click takes xdotool a while.
        bench.session.openLink(); // "Cierre"
        QElapsedTimer clock;
        clock.start();
        if (bench.nextLine("port closed", kClosedWithinMs).isEmpty()) {
            std::fprintf(stderr, "closing %d: the port stayed open\n", i);
            return false;
        }
        closings.push_back(double(clock.nsecsElapsed()) / 1e6);
        bench.session.openLink(); // "Abrir" again
        QTest::qWait(kHandshakeSettleMs);
    }
    std::printf("\"Cierre\" with a line that never falls quiet, from the click to the port closed, over %d "
                "closings: median %.0f ms, max %.0f ms\n",
                kClosings, percentile(closings, 0.5), percentile(closings, 1.0));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption programOption("quillon", "Measure this build of Quillon.", "PATH");
    const QCommandLineOption onlyOption("only", "Measure only this: latency, pairs, bursts or closing.", "PART");
    parser.addOption(programOption);
    parser.addOption(onlyOption);
    parser.addHelpOption();
    parser.process(app);
    if (!QuillonSession::xdotoolAvailable()) {
        std::fprintf(stderr, "needs xdotool\n");
        return 1;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString program = parser.value(programOption);
    const QString only = parser.value(onlyOption);
    const std::pair<const char *, bool (*)(const QString &)> parts[] = {
        {"latency", latencyAndIdle}, {"pairs", pairsApart}, {"bursts", recordsInBursts},
        {"closing", closingWhileStreaming}};
    for (const auto &[name, part] : parts) {
        if ((only.isEmpty() || only == QLatin1String(name)) && !part(program))
            return 1;
    }
    return 0;
}
