// The link as a real scanner and a real operator meet it: replies that come
// a byte at a time as a UART sends them, stale bytes on the line, and
// failures said in words the operator can act on.
#include "catalogue.h"
#include "linkbench.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr int kOpeningsInARow = 5;
constexpr auto kUartByteGap = 1ms;
// Far longer than the 256-byte reply buffer: at a millisecond a byte the
// scanner, on a thread of its own, is still sending a second and a half after
// the link must have refused it, room for a loaded machine to hold the link's
// thread back for a while.
constexpr int kOverlongPayloadBytes = 1500;
constexpr int kTrickleEndsWithinMs = 15000;
const QString kOccupied = QStringLiteral("Check whether the serial port is occupied.");
const QString kNoAnswer = QStringLiteral("The scanner did not answer. Check the speed, the port and the cable.");
const QString kResultText = QStringLiteral("Conexión KR1_%1 exitosa, %2_115200");

} // namespace

class LinkInFieldTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { buildCommandCatalogue(); }
    void tricklingRepliesIdentify_data();
    void tricklingRepliesIdentify();
    void barcodeWaitingBeforeOpenIsDiscarded();
    void refusedSpeedClosesThePort();
    void openWithoutPermissionSaysWhatToDo();
};

void LinkInFieldTest::tricklingRepliesIdentify_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("versionText"); // null: the reply is refused
    QTest::newRow("version ended by CR LF") << QByteArray("V2.3\r\n") << QStringLiteral("V2.3");
    QTest::newRow("version ended by CR") << QByteArray("V2.3\r") << QStringLiteral("V2.3");
    QTest::newRow("empty version") << QByteArray() << QStringLiteral("");
    const QByteArray trailerInside("V2\x00\x55\x00" "3", 6);
    QTest::newRow("00 55 00 inside the version") << trailerInside << QString::fromLatin1(trailerInside);
    QTest::newRow("declared length past the buffer") << QByteArray(kOverlongPayloadBytes, 'x') << QString();
}

void LinkInFieldTest::tricklingRepliesIdentify()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, versionText);
    ScannerBehaviour behaviour;
    behaviour.version = version;
    behaviour.byteGap = kUartByteGap;
    Bench bench(behaviour);
    QVERIFY(bench.start());

    for (int opening = 1; opening <= kOpeningsInARow; ++opening) {
        bench.open();
        if (versionText.isNull()) {
            QCOMPARE(bench.warnings.size(), opening);
            QCOMPARE(bench.warnings.last(), kNoAnswer);
            QVERIFY2(bench.scannerSendingAtWarning.last(), "the link waited for the whole overlong reply");
            QTRY_VERIFY_WITH_TIMEOUT(!bench.scanner.sending(), kTrickleEndsWithinMs);
        } else {
            QCOMPARE(bench.warnings, QStringList());
            QCOMPARE(bench.connected.count(), opening);
            QCOMPARE(bench.connected.last().at(0).toString(), kResultText.arg(versionText, bench.scanner.portPath()));
            bench.link.closePort();
        }
    }
    QVERIFY(!bench.link.portOpen());
}

// A barcode scanned just before "Abrir" is no part of the version reply.
void LinkInFieldTest::barcodeWaitingBeforeOpenIsDiscarded()
{
    Bench bench;
    QVERIFY(bench.start());
    bench.scanner.send({QByteArrayLiteral("7501234567890\r")});
    bench.open();
    QCOMPARE(bench.warnings, QStringList());
    QCOMPARE(bench.connected.count(), 1);
}

void LinkInFieldTest::refusedSpeedClosesThePort()
{
    Bench bench;
    QVERIFY(bench.start());
    bench.link.openLink(bench.scanner.portPath(), QStringLiteral("0"));
    QCOMPARE(bench.warnings, QStringList{QStringLiteral("The serial port does not take the speed 0.")});
    QCOMPARE(bench.opened.count(), 0);
    QVERIFY(!bench.link.portOpen());
    QCOMPARE(bench.scanner.received(), QByteArray()); // nothing was asked at the port's old speed

    // The port was let go: it opens again at once.
    bench.open();
    QCOMPARE(bench.connected.count(), 1);
}

void LinkInFieldTest::openWithoutPermissionSaysWhatToDo()
{
    if (geteuid() == 0)
        QSKIP("root may open any device; the unprivileged run of this test checks it");
    Bench bench;
    QVERIFY(bench.start());
    const QString device = bench.scanner.portPath();
    QCOMPARE(::chmod(QFile::encodeName(device).constData(), 0), 0);
    bench.open();

    const QString group = QFileInfo(device).group();
    QVERIFY(!group.isEmpty());
    QCOMPARE(bench.warnings, QStringList{kOccupied + QStringLiteral("\nThis user may not use the device: add the user "
                                                                    "to the group %1 and log in again.")
                                                         .arg(group)});
    QCOMPARE(bench.opened.count(), 0);
}

QTEST_GUILESS_MAIN(LinkInFieldTest)
#include "tst_linkinfield.moc"
