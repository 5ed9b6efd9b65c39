// The simulator program as Quillon meets it: driven through the link, so
// the handshake, split and noisy replies, and a closed and reopened port are
// seen the way the program sees them.
#include "catalogue.h"
#include "scannerlink.h"
#include "scannersamples.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kStartMs = 5000;
constexpr int kArrivalMs = 3000;
constexpr int kClosedPauseMs = 500;
const QString kBaud = QStringLiteral("115200");
const QString kNoAnswer = QStringLiteral("The scanner did not answer. Check the speed, the port and the cable.");

// The simulator program on a pseudo-terminal reached through a link in a
// temporary folder.
class SimulatorProcess
{
public:
    bool start(const QStringList &arguments)
    {
        if (!folder.isValid())
            return false;
        process.start(QStringLiteral(QUILLON_SIM_BINARY), QStringList{"--link", portPath()} + arguments);
        if (!process.waitForStarted(kStartMs) || !process.waitForReadyRead(kStartMs))
            return false;
        return process.readLine().startsWith("/dev/");
    }
    QString portPath() const { return folder.filePath(QStringLiteral("scanner")); }
    ~SimulatorProcess()
    {
        process.terminate();
        if (!process.waitForFinished(kStartMs))
            process.kill();
    }

    QTemporaryDir folder;
    QProcess process;
};

} // namespace

class SimulatorLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { buildCommandCatalogue(); }
    void handshakeWithTheProgram_data();
    void handshakeWithTheProgram();
    void answersAgainAfterReopening();
};

void SimulatorLinkTest::handshakeWithTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("resultText"); // %1 is the port; empty when the handshake fails

    QTest::newRow("defaults") << QStringList() << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    QTest::newRow("generic scanner") << QStringList{"--model", "generic_scanner", "--version", "V9"}
                                     << QStringLiteral("Conexión V9 exitosa, %1_115200");
    QTest::newRow("replies in pieces") << QStringList{"--pieces", "3", "--model", "KR5"}
                                       << QStringLiteral("Conexión KR5_V2.3 exitosa, %1_115200");
    QTest::newRow("a byte at a time, 1 ms apart") << QStringList{"--byte-gap", "1"}
                                                  << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    QTest::newRow("scanner at its speed") << QStringList{"--baud", "115200"}
                                          << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    // Noise, or a read, ahead of a reply is passed over.
    QTest::newRow("garbage before replies") << QStringList{"--garbage"}
                                            << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    QTest::newRow("barcode before replies") << QStringList{"--before-reply", "barcode", "--pieces", "2"}
                                            << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    QTest::newRow("card before replies") << QStringList{"--before-reply", "mrz"}
                                         << QStringLiteral("Conexión KR1_V2.3 exitosa, %1_115200");
    QTest::newRow("scanner at another speed") << QStringList{"--baud", "9600"} << QString();
}

void SimulatorLinkTest::handshakeWithTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, resultText);
    SimulatorProcess simulator;
    QVERIFY(simulator.start(arguments));

    ScannerLink link;
    QStringList warnings;
    link.setWarningHandler([&](const QString &text) { warnings << text; });
    QSignalSpy connected(&link, &ScannerLink::linkConnected);
    link.openLink(simulator.portPath(), kBaud);

    if (resultText.isEmpty()) {
        QCOMPARE(warnings, QStringList{kNoAnswer});
        QCOMPARE(connected.count(), 0);
        QVERIFY(!link.portOpen());
    } else {
        QCOMPARE(warnings, QStringList());
        QCOMPARE(connected.count(), 1);
        QCOMPARE(connected.at(0).at(0).toString(), resultText.arg(simulator.portPath()));
    }
}

void SimulatorLinkTest::answersAgainAfterReopening()
{
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--send", "long", "--repeat", "0.1"}));
    ScannerLink link;
    QSignalSpy connected(&link, &ScannerLink::linkConnected);
    link.openLink(simulator.portPath(), kBaud);
    QCOMPARE(connected.count(), 1);
    // While the port is closed the simulator holds its blocks back, so
    // nothing stale stands in the way of the next handshake.
    link.closePort();
    link.waitWithEvents(kClosedPauseMs);
    link.openLink(simulator.portPath(), kBaud);
    QCOMPARE(connected.count(), 2);
    QByteArray arrived;
    QTRY_VERIFY_WITH_TIMEOUT((arrived += link.readAll()).size() >= ScannerSamples::kLongRecordBytes, kArrivalMs);
    QCOMPARE(arrived.left(ScannerSamples::kLongRecordBytes).toHex(' '), ScannerSamples::longRecord().toHex(' '));
}

QTEST_GUILESS_MAIN(SimulatorLinkTest)
#include "tst_simulatorlink.moc"
