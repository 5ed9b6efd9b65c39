// Not a test: how long a scanned barcode takes to become typing, and what
// Quillon costs while it waits. Over kBlocks barcodes it measures the time
// from the simulator's write of a block's last byte to the first key press
// arriving in this program's text field, then Quillon's CPU time over an idle
// minute with the link open. scripts/bench-receive.sh runs it under Xvfb.
#include "quillonsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int kBlocks = 50;
constexpr quint32 kPollPeriodMs = 300;
constexpr int kTypedWithinMs = 10000;
constexpr int kHandshakeSettleMs = 1500;
constexpr int kIdleSeconds = 60;
constexpr double kDesignBoundMs = 400.0;

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!QuillonSession::xdotoolAvailable()) {
        std::fprintf(stderr, "needs xdotool\n");
        return 1;
    }
    const double tick = double(sysconf(_SC_CLK_TCK));
    QuillonSession session;
    session.writeConfig(0, {});
    QFile barcode(session.folder() + QStringLiteral("/barcode.bin"));
    barcode.open(QIODevice::WriteOnly);
    barcode.write("7501234567890\r");
    barcode.close();
    QStringList simArguments{"--timestamps"};
    for (int i = 0; i < kBlocks; ++i)
        simArguments << "--send-file" << barcode.fileName();
    if (!session.startSimulator(simArguments))
        return 1;

    QPlainTextEdit target;
    target.setGeometry(1045, 10, 230, 400);
    FirstKey firstKey;
    target.installEventFilter(&firstKey);
    target.show();
    if (!QTest::qWaitForWindowExposed(&target))
        return 1;

    if (!session.startQuillon() || !session.logIn())
        return 1;
    const long long beforeHandshake = cpuTicks(session.quillonPid());
    QElapsedTimer handshakeClock;
    handshakeClock.start();
    session.openLink();
    QTest::qWait(kHandshakeSettleMs);
    const long long afterHandshake = cpuTicks(session.quillonPid());
    const double handshakeSeconds = handshakeClock.elapsed() / 1000.0;
    if (!QuillonSession::focus(target))
        return 1;

    std::vector<double> latencies;
    QByteArray simOutput;
    for (int i = 0; i < kBlocks; ++i) {
        // A random pause first, so that the blocks meet every phase of
        // Quillon's poll instead of locking onto one.
        QTest::qWait(int(QRandomGenerator::global()->bounded(kPollPeriodMs)));
        target.clear();
        firstKey.arrivedAt = 0;
        firstKey.armedAt = monotonicNs();
        session.simulator().write("\n");
        qint64 sentAt = 0;
        QElapsedTimer clock;
        clock.start();
        while ((!sentAt || !target.toPlainText().endsWith('\n')) && clock.elapsed() < kTypedWithinMs) {
            QTest::qWait(5);
            simOutput += session.simulator().readAllStandardOutput();
            const int line = simOutput.indexOf("sent ");
            const int end = simOutput.indexOf('\n', line);
            if (line >= 0 && end > line) {
                sentAt = simOutput.mid(line, end - line).split(' ').value(3).toLongLong();
                simOutput.remove(0, end + 1);
            }
        }
        if (!sentAt || !firstKey.arrivedAt) {
            std::fprintf(stderr, "block %d: no %s\n", i, sentAt ? "typing" : "timestamp from the simulator");
            return 1;
        }
        latencies.push_back(double(firstKey.arrivedAt - sentAt) / 1e6);
    }

    const long long idleStart = cpuTicks(session.quillonPid());
    QElapsedTimer idleClock;
    idleClock.start();
    QTest::qWait(kIdleSeconds * 1000);
    const long long idleEnd = cpuTicks(session.quillonPid());

    std::printf("latency from last byte written to first key, over %d blocks:\n", kBlocks);
    std::printf("  median %.1f ms, 95th percentile %.1f ms, max %.1f ms (design bound about %.0f ms)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.95), percentile(latencies, 1.0), kDesignBoundMs);
    std::printf("handshake: %.3f s CPU over %.1f s wall clock (the click and the settle wait)\n",
                double(afterHandshake - beforeHandshake) / tick, handshakeSeconds);
    std::printf("idle with the link open: %.3f s CPU over %.1f s wall clock (%.2f %%)\n",
                double(idleEnd - idleStart) / tick, idleClock.elapsed() / 1000.0,
                100.0 * double(idleEnd - idleStart) / tick / (idleClock.elapsed() / 1000.0));
    return 0;
}
