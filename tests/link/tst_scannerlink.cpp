// The link against a scanner played on a pseudo-terminal in this process:
// identification, the reply reader, failures, clicks in the middle of the
// handshake and a pulled cable.
#include "catalogue.h"
#include "linkbench.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

const QString kBaud = kLinkBenchBaud;
const QString kOccupied = QStringLiteral("Check whether the serial port is occupied.");
const QString kNoAnswer = QStringLiteral("The scanner did not answer. Check the speed, the port and the cable.");
const QString kNotSupported = QStringLiteral("Device type not supported.");
const QString kDisconnected = QStringLiteral("The serial port was disconnected.");
// The version query and the model query, as the handshake writes them.
const QByteArray kHandshakeBytes = QByteArray::fromHex("5700160385005500" "5700160085005500");
constexpr int kVersionWaitMs = 1000;
constexpr int kModelWaitMs = 3000;
constexpr int kPromptMs = 900;
constexpr int kSignalMs = 3000;

QStringList debugLines;
QtMessageHandler previousHandler = nullptr;

// Keeps the link's debug output for the checks; everything else goes on.
void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && qstrcmp(context.category, "quillon.link") == 0)
        debugLines << message;
    else
        previousHandler(type, context, message);
}

QByteArray frame(const QByteArray &payload)
{
    const auto length = static_cast<char>(payload.size());
    return QByteArray::fromHex("3100160385") + length + '\0' + payload + QByteArray::fromHex("005500");
}

qint64 cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return qint64(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

class ScannerLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void identifiesScanner_data();
    void identifiesScanner();
    void unansweredVersionIsReported();
    void unansweredModelIsRefused();
    void openFailureIsReported_data();
    void openFailureIsReported();
    void portHeldByAnotherLinkIsRefused();
    void readReply_data();
    void readReply();
    void sendCommandWritesAndTraces_data();
    void sendCommandWritesAndTraces();
    void waitRunsEventsWithoutSpinning();
    void closeDuringHandshakeEndsQuietly_data();
    void closeDuringHandshakeEndsQuietly();
    void reopenDuringHandshakeIsLeftAlone();
    void unplugWhileConnectedClosesOnce();
};

void ScannerLinkTest::initTestCase()
{
    buildCommandCatalogue();
    previousHandler = qInstallMessageHandler(recordMessage);
}

void ScannerLinkTest::init() { debugLines.clear(); }

void ScannerLinkTest::identifiesScanner_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QString>("resultText"); // %1 is the port; empty when refused

    const QString usual = QStringLiteral("Conexión %2_V2.3 exitosa, %1_115200");
    const QList<std::pair<const char *, int>> models = {{"KR1", 2}, {"KR2", 1}, {"KR3", 3},  {"KR4", 11},
                                                        {"KR5", 5}, {"KR6", 4}, {"KR7", 6},  {"KR8", 7},
                                                        {"KR9", 8}, {"KR10", 9}, {"kr4", 11}};
    for (const auto &[name, type] : models)
        QTest::newRow(name) << QByteArray(name) << QByteArray("V2.3") << type << usual.arg("%1", name);
    QTest::newRow("generic_scanner shows the version only")
        << QByteArray("generic_scanner") << QByteArray("V2.3") << 10 << QStringLiteral("Conexión V2.3 exitosa, %1_115200");
    QTest::newRow("model ended by LF") << QByteArray("KR1\n") << QByteArray("V2.3") << 2 << usual.arg("%1", "KR1");
    QTest::newRow("version loses CR and LF")
        << QByteArray("KR1") << QByteArray("V2.3\r\n") << 2 << usual.arg("%1", "KR1");
    QTest::newRow("empty version") << QByteArray("KR1") << QByteArray() << 2
                                   << QStringLiteral("Conexión KR1_ exitosa, %1_115200");
    QTest::newRow("model ended by CR LF is refused") << QByteArray("KR1\r\n") << QByteArray("V2.3") << 0 << QString();
    QTest::newRow("mixed case is refused") << QByteArray("Kr4") << QByteArray("V2.3") << 0 << QString();
    QTest::newRow("unknown model is refused") << QByteArray("XK900") << QByteArray("V2.3") << 0 << QString();
}

void ScannerLinkTest::identifiesScanner()
{
    QFETCH(QByteArray, model);
    QFETCH(QByteArray, version);
    QFETCH(int, deviceType);
    QFETCH(QString, resultText);

    ScannerBehaviour behaviour;
    behaviour.model = model;
    behaviour.version = version;
    Bench bench(behaviour);
    QVERIFY(bench.start());
    bench.open();

    QCOMPARE(bench.link.deviceType(), deviceType);
    QCOMPARE(bench.opened.count(), 1);
    if (resultText.isEmpty()) {
        QCOMPARE(bench.warnings, QStringList{kNotSupported});
        QCOMPARE(bench.openAtWarning, QList<bool>{true}); // closed only once the message was dismissed
        QCOMPARE(bench.connected.count(), 0);
        QCOMPARE(bench.closed.count(), 1);
        QVERIFY(!bench.link.portOpen());
    } else {
        QCOMPARE(bench.warnings, QStringList());
        QCOMPARE(bench.connected.count(), 1);
        QCOMPARE(bench.connected.at(0).at(0).toString(), resultText.arg(bench.scanner.portPath()));
        QVERIFY(bench.link.portOpen());
        QCOMPARE(bench.closed.count(), 0);
    }
    QCOMPARE(bench.scanner.received().toHex(' '), kHandshakeBytes.toHex(' '));
    QVERIFY2(debugLines.contains("hex: 5700160385005500"), qPrintable(debugLines.join('\n')));
}

void ScannerLinkTest::unansweredVersionIsReported()
{
    ScannerBehaviour behaviour;
    behaviour.silent = true;
    Bench bench(behaviour);
    QVERIFY(bench.start());
    QElapsedTimer clock;
    clock.start();
    bench.open();

    QVERIFY2(clock.elapsed() >= kVersionWaitMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bench.warnings, QStringList{kNoAnswer});
    QCOMPARE(bench.openAtWarning, QList<bool>{false}); // the port is free while the operator reads
    QCOMPARE(bench.opened.count(), 1);
    QCOMPARE(bench.closed.count(), 1);
    QCOMPARE(bench.connected.count(), 0);
    QVERIFY(!bench.link.portOpen());
}

void ScannerLinkTest::unansweredModelIsRefused()
{
    ScannerBehaviour behaviour;
    behaviour.model.reset();
    Bench bench(behaviour);
    QVERIFY(bench.start());
    QElapsedTimer clock;
    clock.start();
    bench.open();

    QVERIFY2(clock.elapsed() >= kModelWaitMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bench.warnings, QStringList{kNotSupported});
    QCOMPARE(bench.openAtWarning, QList<bool>{true});
    QCOMPARE(bench.closed.count(), 1);
    QCOMPARE(bench.connected.count(), 0);
    QCOMPARE(bench.link.deviceType(), 0);
    QVERIFY(!bench.link.portOpen());
}

void ScannerLinkTest::openFailureIsReported_data()
{
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("message");
    const QString noSuchDevice =
        kOccupied + QStringLiteral("\nThere is no such device: plug the scanner in, or check the port name.");
    QTest::newRow("no port listed") << QString() << noSuchDevice;
    QTest::newRow("missing device") << QStringLiteral("/nonexistent/quillon-tty") << noSuchDevice;
}

void ScannerLinkTest::openFailureIsReported()
{
    QFETCH(QString, portName);
    QFETCH(QString, message);
    Bench bench;
    bench.link.openLink(portName, kBaud);

    QCOMPARE(bench.warnings, QStringList{message});
    QCOMPARE(bench.opened.count(), 0);
    QCOMPARE(bench.closed.count(), 0);
    QVERIFY(!bench.link.portOpen());
    // The operator's helper finds the system's reason in the debug output.
    const QStringList reasons = debugLines.filter(QRegularExpression("^cannot open .*: \\S"));
    QVERIFY2(reasons.size() == 1, qPrintable(debugLines.join('\n')));
}

void ScannerLinkTest::portHeldByAnotherLinkIsRefused()
{
    if (geteuid() == 0)
        QSKIP("root ignores the port's exclusive lock; the unprivileged run of this test checks it");
    Bench bench;
    QVERIFY(bench.start());
    bench.open();
    QVERIFY(bench.link.portOpen());

    ScannerLink second;
    QStringList secondWarnings;
    second.setWarningHandler([&](const QString &text) { secondWarnings << text; });
    second.openLink(bench.scanner.portPath(), kBaud);
    QCOMPARE(secondWarnings,
             QStringList{kOccupied + QStringLiteral("\nAnother program is using the port: close it, or pick another port.")});
    QVERIFY(!second.portOpen());
    QVERIFY(bench.link.portOpen());
}

void ScannerLinkTest::readReply_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<bool>("arrivedBefore"); // sent and settled before the read starts
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("maxWaits");
    QTest::addColumn<int>("result");

    const QByteArray ab = QByteArray::fromHex("310016038502004142005500");
    QTest::newRow("frame in three pieces")
        << QList<QByteArray>{ab.left(4), ab.mid(4, 4), ab.mid(8)} << false << 256 << 1000 << 12;
    QTest::newRow("text line ended by CR LF") << QList<QByteArray>{"7501234567890\r\n"} << false << 256 << 1000 << 15;
    QTest::newRow("255 bytes fit in 256") << QList<QByteArray>{frame(QByteArray(245, 'x'))} << false << 256 << 1000 << 255;
    QTest::newRow("256 bytes do not") << QList<QByteArray>{frame(QByteArray(246, 'x'))} << false << 256 << 1000 << -2;
    QTest::newRow("three bytes are never complete")
        << QList<QByteArray>{QByteArray::fromHex("310000")} << false << 256 << 100 << -1;
    QTest::newRow("33 06 ... 66 99 reply") << QList<QByteArray>{QByteArray::fromHex("3306016699")} << false << 256 << 1000 << 5;
    QTest::newRow("escape reply") << QList<QByteArray>{QByteArray::fromHex("1B414243")} << false << 256 << 1000 << 4;
    QTest::newRow("no waits, reply there") << QList<QByteArray>{ab} << true << 256 << 0 << 12;
    QTest::newRow("no waits, nothing there") << QList<QByteArray>{} << false << 256 << 0 << -1;
}

void ScannerLinkTest::readReply()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(bool, arrivedBefore);
    QFETCH(int, capacity);
    QFETCH(int, maxWaits);
    QFETCH(int, result);

    Bench bench;
    QVERIFY(bench.start());
    bench.open();
    QVERIFY(bench.link.portOpen());

    std::thread sender;
    if (arrivedBefore) {
        bench.scanner.send(pieces);
        bench.link.waitWithEvents(50);
    } else {
        sender = std::thread([&] { bench.scanner.send(pieces, 30ms); });
    }
    QByteArray buffer(capacity, '\0');
    QElapsedTimer clock;
    clock.start();
    const int count = bench.link.readReply(buffer.data(), capacity, maxWaits);
    const qint64 elapsed = clock.elapsed();
    if (sender.joinable())
        sender.join();

    QCOMPARE(count, result);
    if (count > 0)
        QCOMPARE(buffer.left(count).toHex(' '), pieces.join().toHex(' '));
    if (maxWaits == 0)
        QVERIFY2(elapsed < 50, qPrintable(QString::number(elapsed))); // one read, no waiting
}

void ScannerLinkTest::sendCommandWritesAndTraces_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("isHexText");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("trace");

    QTest::newRow("start decoding") << QByteArray("5700 18 00 5500") << true << QByteArray::fromHex("570018005500")
                                    << QStringLiteral("hex: 570018005500");
    QTest::newRow("set a parameter") << QByteArray("5700 17 0030 0000 01 005500") << true
                                     << QByteArray::fromHex("5700170030000001005500")
                                     << QStringLiteral("hex: 5700170030000001005500");
    QTest::newRow("two spaces shift the pairs") << QByteArray("5700 16  0430 00 5500") << true
                                                << QByteArray::fromHex("570016004300005500")
                                                << QStringLiteral("hex: 570016004300005500");
    QTest::newRow("raw bytes go unchanged") << QByteArray("\x1B\x41\r", 3) << false << QByteArray("\x1B\x41\r", 3)
                                            << QString();
}

void ScannerLinkTest::sendCommandWritesAndTraces()
{
    QFETCH(QByteArray, command);
    QFETCH(bool, isHexText);
    QFETCH(QByteArray, written);
    QFETCH(QString, trace);

    Bench bench;
    QVERIFY(bench.start());
    bench.open();
    QVERIFY(bench.link.portOpen());
    debugLines.clear();

    bench.link.sendCommand(command, isHexText);
    // Written at once, not when the event loop next turns.
    QTRY_COMPARE_WITH_TIMEOUT(bench.scanner.received().mid(kHandshakeBytes.size()).toHex(' '), written.toHex(' '), 1000);
    QCOMPARE(debugLines, trace.isEmpty() ? QStringList() : QStringList{trace});
}

void ScannerLinkTest::waitRunsEventsWithoutSpinning()
{
    ScannerLink link;
    int fired = 0;
    QTimer::singleShot(50, [&] { ++fired; });
    QElapsedTimer clock;
    clock.start();
    const qint64 cpuBefore = cpuMilliseconds();
    link.waitWithEvents(300);
    const qint64 cpu = cpuMilliseconds() - cpuBefore;

    QCOMPARE(fired, 1);
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(cpu < 60, qPrintable(QStringLiteral("%1 ms of CPU in a 300 ms wait").arg(cpu)));
}

void ScannerLinkTest::closeDuringHandshakeEndsQuietly_data()
{
    QTest::addColumn<bool>("versionAnswered");
    QTest::newRow("during the version query") << false;
    QTest::newRow("during the model query") << true;
}

void ScannerLinkTest::closeDuringHandshakeEndsQuietly()
{
    QFETCH(bool, versionAnswered);
    ScannerBehaviour behaviour;
    behaviour.silent = !versionAnswered;
    behaviour.model.reset();
    Bench bench(behaviour);
    QVERIFY(bench.start());

    QTimer::singleShot(150, &bench.link, [&] { bench.link.closePort(); });
    QElapsedTimer clock;
    clock.start();
    bench.open();

    QVERIFY2(clock.elapsed() < kPromptMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(bench.warnings, QStringList());
    QCOMPARE(bench.closed.count(), 1);
    QCOMPARE(bench.connected.count(), 0);
    QVERIFY(!bench.link.portOpen());
}

void ScannerLinkTest::reopenDuringHandshakeIsLeftAlone()
{
    // The first version query goes unanswered; the operator closes and
    // opens again while the first handshake still waits for it.
    ScannerBehaviour behaviour;
    behaviour.ignoredCommands = 1;
    Bench bench(behaviour);
    QVERIFY(bench.start());
    // Both clicks are handled inside the first handshake's wait, before it
    // can notice that its link is gone.
    QTimer::singleShot(100, &bench.link, [&] {
        bench.link.closePort();
        bench.open();
    });
    bench.open();

    QCOMPARE(bench.warnings, QStringList());
    QCOMPARE(bench.opened.count(), 2);
    QCOMPARE(bench.closed.count(), 1);
    QCOMPARE(bench.connected.count(), 1);
    QVERIFY(bench.link.portOpen());
    QCOMPARE(bench.link.deviceType(), 2);

    // The second link works, and nothing of the first one closes it later.
    bench.link.waitWithEvents(kVersionWaitMs);
    QVERIFY(bench.link.portOpen());
    bench.scanner.send({"ABC\r\n"});
    char buffer[16] = {};
    QCOMPARE(bench.link.readReply(buffer, sizeof(buffer), 1000), 5);
    QCOMPARE(QByteArray(buffer, 5), QByteArray("ABC\r\n"));
}

void ScannerLinkTest::unplugWhileConnectedClosesOnce()
{
    Bench bench;
    QVERIFY(bench.start());
    bench.open();
    QVERIFY(bench.link.portOpen());

    bench.scanner.hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(bench.warnings, QStringList{kDisconnected}, kSignalMs);
    QCOMPARE(bench.closed.count(), 1);
    QVERIFY(!bench.link.portOpen());
    QCOMPARE(bench.link.readAll(), QByteArray());
    QCOMPARE(bench.link.bytesAvailable(), 0);

    // Once closed, the dead port costs nothing and says nothing more.
    const qint64 cpuBefore = cpuMilliseconds();
    bench.link.waitWithEvents(300);
    const qint64 cpu = cpuMilliseconds() - cpuBefore;
    QCOMPARE(bench.warnings.size(), 1);
    QVERIFY2(cpu < 100, qPrintable(QStringLiteral("%1 ms of CPU in 300 ms after the unplug").arg(cpu)));
}

QTEST_GUILESS_MAIN(ScannerLinkTest)
#include "tst_scannerlink.moc"
