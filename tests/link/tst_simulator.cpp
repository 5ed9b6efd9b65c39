// The scanner simulator: its options, how it takes commands off the line and
// answers them, its sample reads, and the program itself on its
// pseudo-terminal as the end-to-end test and the README drive it.
#include "frames.h"
#include "hexcodec.h"
#include "scannercommand.h"
#include "scannerpersona.h"
#include "scannersamples.h"
#include "simoptions.h"
#include "simulatorrun.h"

#include <QFileInfo>
#include <QtTest>

#include <algorithm>
#include <termios.h>

namespace {

constexpr int kQuietMs = 300;
constexpr int kLineBytes = 30;
constexpr int kLongRecordThresholdBytes = 150;
constexpr int kOnePerByte = -1; // a reply written as many pieces as it has bytes

QString hexOf(const QByteArray &block) { return QString::fromLatin1(block.toHex(' ')); }
QByteArray command(const char *hexText) { return hexTextToBytes(QByteArray(hexText)); }

const QByteArray kVersionQuery = command("5700 16 0385 00 5500");
const QByteArray kModelQuery = command("5700 16 0085 00 5500");

// ICAO 9303 check digit of a field of a machine-readable zone.
int checkDigit(const QByteArray &field)
{
    static const int weights[] = {7, 3, 1};
    int sum = 0;
    for (int i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        const int value = c == '<' ? 0 : (c >= '0' && c <= '9') ? c - '0' : c - 'A' + 10;
        sum += value * weights[i % 3];
    }
    return sum % 10;
}

} // namespace

class SimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void optionsParsed_data();
    void optionsParsed();
    void commandsTakenOffTheLine_data();
    void commandsTakenOffTheLine();
    void personaAnswers_data();
    void personaAnswers();
    void samplesAreRealisticReads();
    void handshakeThenOneBlockPerInputLine();
    void misbehaviour_data();
    void misbehaviour();
    void repeatSendsOnceIdentified();
    void answersOnlyAtItsSpeed_data();
    void answersOnlyAtItsSpeed();
    void unplugAndReplug();
    void emptyLineWithNothingToSend();
};

void SimulatorTest::optionsParsed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<QByteArray>>("blocks");
    QTest::newRow("defaults") << QStringList{} << true << QList<QByteArray>{};
    QTest::newRow("samples in the order given")
        << QStringList{"--send", "mrz,barcode", "--send", "long"} << true
        << QList<QByteArray>{ScannerSamples::machineReadableZone(), ScannerSamples::barcode(),
                             ScannerSamples::longRecord()};
    QTest::newRow("unknown sample") << QStringList{"--send", "mrz,passport"} << false << QList<QByteArray>{};
    QTest::newRow("missing file") << QStringList{"--send-file", "/nonexistent/block"} << false << QList<QByteArray>{};
    QTest::newRow("repeat of zero seconds") << QStringList{"--repeat", "0"} << false << QList<QByteArray>{};
    QTest::newRow("repeat not a number") << QStringList{"--repeat", "soon"} << false << QList<QByteArray>{};
    QTest::newRow("repeat of nan seconds") << QStringList{"--repeat", "nan"} << false << QList<QByteArray>{};
    QTest::newRow("unplug after inf seconds") << QStringList{"--link", "/tmp/x", "--unplug-after", "inf"} << false
                                              << QList<QByteArray>{};
    QTest::newRow("delay beyond a week") << QStringList{"--delay", "1e300"} << false << QList<QByteArray>{};
    QTest::newRow("no pieces") << QStringList{"--pieces", "0"} << false << QList<QByteArray>{};
    QTest::newRow("byte gap") << QStringList{"--byte-gap", "1"} << true << QList<QByteArray>{};
    QTest::newRow("byte gap not a number") << QStringList{"--byte-gap", "1ms"} << false << QList<QByteArray>{};
    QTest::newRow("speed of zero") << QStringList{"--baud", "0"} << false << QList<QByteArray>{};
    QTest::newRow("unplug and replug") << QStringList{"--link", "/tmp/x", "--unplug-after", "1", "--replug-after", "2"}
                                       << true << QList<QByteArray>{};
    QTest::newRow("replug without unplug") << QStringList{"--link", "/tmp/x", "--replug-after", "2"} << false
                                           << QList<QByteArray>{};
    QTest::newRow("replug without a link to keep")
        << QStringList{"--unplug-after", "1", "--replug-after", "2"} << false << QList<QByteArray>{};
}

void SimulatorTest::optionsParsed()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(QList<QByteArray>, blocks);
    QString error;
    const std::optional<SimOptions> options = parseSimOptions(QStringList{"quillon-scanner-sim"} + arguments, &error);
    QCOMPARE(options.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (!valid)
        return;
    QCOMPARE(options->blocks, blocks);
    QCOMPARE(options->version, QByteArray("V2.3\r\n"));
    QCOMPARE(options->model, QByteArray("KR1"));
}

void SimulatorTest::commandsTakenOffTheLine_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<int>>("parameters"); // one per command found, in order
    QTest::newRow("version query") << QList<QByteArray>{kVersionQuery} << QList<int>{0x8503};
    QTest::newRow("two queries in one read") << QList<QByteArray>{kVersionQuery + kModelQuery}
                                             << QList<int>{0x8503, 0x8500};
    QTest::newRow("split across reads") << QList<QByteArray>{kModelQuery.left(3), kModelQuery.mid(3)}
                                        << QList<int>{0x8500};
    QTest::newRow("noise before") << QList<QByteArray>{QByteArray("\x00\x57\x12\xff", 4) + kVersionQuery}
                                  << QList<int>{0x8503};
    QTest::newRow("shifted query of entry 167, then a good one")
        << QList<QByteArray>{command("5700 16  0430 00 5500") + kModelQuery} << QList<int>{0x8500};
    QTest::newRow("setting") << QList<QByteArray>{command("5700 17 0C00 0100 01 005500")} << QList<int>{0x000C};
    QTest::newRow("start decoding") << QList<QByteArray>{command("5700 18 00 5500")} << QList<int>{0};
}

void SimulatorTest::commandsTakenOffTheLine()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<int>, parameters);
    CommandStream stream;
    QList<int> found;
    for (const QByteArray &piece : pieces) {
        stream.append(piece);
        while (const std::optional<ScannerCommand> next = stream.next())
            found << next->parameterId;
    }
    QCOMPARE(found, parameters);
}

void SimulatorTest::personaAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QByteArray>("lastPayload");
    QTest::newRow("version") << QList<QByteArray>{kVersionQuery} << QByteArray("V2.3");
    QTest::newRow("model") << QList<QByteArray>{kModelQuery} << QByteArray("KR1");
    QTest::newRow("unset parameter") << QList<QByteArray>{command("5700 16 0C00 00 5500")} << QByteArray("\x00\x00", 2);
    QTest::newRow("setting, then its query")
        << QList<QByteArray>{command("5700 17 0400 AD00 01 005500"), command("5700 16 0400 00 5500")}
        << QByteArray("\xAD\x00", 2);
}

// Every reply is a ResponseFrame as the link reads it.
void SimulatorTest::personaAnswers()
{
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QByteArray, lastPayload);
    ScannerPersona persona("V2.3", "KR1");
    CommandStream stream;
    QByteArray reply;
    for (const QByteArray &bytes : commands) {
        stream.append(bytes);
        const std::optional<ScannerCommand> next = stream.next();
        QVERIFY(next);
        reply = persona.replyTo(*next);
        QVERIFY2(isResponseFrame(reply.constData(), reply.size()), qPrintable(hexOf(reply)));
    }
    QCOMPARE(hexOf(responsePayload(reply.constData(), reply.size())), hexOf(lastPayload));
}

void SimulatorTest::samplesAreRealisticReads()
{
    const QByteArray mrz = ScannerSamples::machineReadableZone();
    QCOMPARE(mrz.size(), 3 * kLineBytes);
    QVERIFY(mrz.mid(2 * kLineBytes).contains("<<"));
    const QByteArray line2 = mrz.mid(kLineBytes, kLineBytes);
    QCOMPARE(checkDigit(mrz.mid(5, 9)), mrz.at(14) - '0');     // document number
    QCOMPARE(checkDigit(line2.left(6)), line2.at(6) - '0');    // birth date
    QCOMPARE(checkDigit(line2.mid(8, 6)), line2.at(14) - '0'); // expiry date

    const QByteArray record = ScannerSamples::longRecord();
    QVERIFY(record.size() > kLongRecordThresholdBytes);
    QVERIFY(!record.contains("<<"));
    const QByteArray names = record.mid(58, 92);
    QVERIFY2(std::any_of(names.begin(), names.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC0; }),
             "the names carry no accented Latin-1 letter");
    QVERIFY(QByteArray("0123456789").contains(record.at(152)));

    QVERIFY(ScannerSamples::barcode().endsWith('\r'));
}

// As the end-to-end test drives it: answers the handshake while it waits
// for its input, then one block per line, in the order given, each with
// its time stamp.
void SimulatorTest::handshakeThenOneBlockPerInputLine()
{
    SimulatorRun sim;
    const QByteArray first("first block \xD1\r", 14);
    const QByteArray second = ScannerSamples::longRecord();
    QVERIFY(sim.start({"--timestamps", "--send-file", sim.file("a.bin", first), "--send-file",
                       sim.file("b.bin", second)}));

    QVERIFY(sim.host.write(kVersionQuery));
    QByteArray reply = sim.host.readReply();
    QCOMPARE(responsePayload(reply.constData(), reply.size()), QByteArray("V2.3\r\n"));
    QVERIFY(sim.host.write(kModelQuery));
    reply = sim.host.readReply();
    QCOMPARE(responsePayload(reply.constData(), reply.size()), QByteArray("KR1"));
    QCOMPARE(hexOf(sim.host.readBytes(1, kQuietMs)), QString()); // nothing before a line is typed

    for (const QByteArray &block : {first, second}) {
        QVERIFY(sim.typeLine());
        QCOMPARE(hexOf(sim.host.readBytes(block.size())), hexOf(block));
    }
    QTRY_COMPARE_WITH_TIMEOUT(sim.linesStarting("sent ").size(), 2, kReplyWithinMs);
    const QList<QByteArray> stamps = sim.linesStarting("sent ");
    qint64 previous = 0;
    for (const QByteArray &line : stamps) {
        const QList<QByteArray> fields = line.split(' ');
        QCOMPARE(fields.size(), 4);
        bool ok = false;
        const qint64 nanoseconds = fields.at(3).toLongLong(&ok);
        QVERIFY2(ok && nanoseconds > previous, line.constData());
        previous = nanoseconds;
    }
    QVERIFY2(stamps.at(0).split(' ').contains(QByteArray::number(first.size())), stamps.at(0).constData());
}

void SimulatorTest::misbehaviour_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<bool>("frameAlone");
    QTest::addColumn<int>("pieces"); // 0: written whole
    QTest::newRow("silent") << QStringList{"--silent"} << false << false << 0;
    QTest::newRow("garbage first") << QStringList{"--garbage"} << true << false << 0;
    QTest::newRow("three pieces") << QStringList{"--pieces", "3", "--piece-gap", "60"} << true << true << 3;
    QTest::newRow("a byte at a time") << QStringList{"--byte-gap", "2"} << true << true << kOnePerByte;
}

void SimulatorTest::misbehaviour()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, answers);
    QFETCH(bool, frameAlone);
    QFETCH(int, pieces);
    SimulatorRun sim;
    QVERIFY(sim.start(arguments));
    QVERIFY(sim.host.write(kVersionQuery));
    const QByteArray reply = sim.host.readUntil(
        [](const QByteArray &b) { return b.endsWith(QByteArray("\x00\x55\x00", 3)) && b.contains("V2.3"); },
        answers ? kReplyWithinMs : kQuietMs);
    QCOMPARE(reply.contains("V2.3"), answers);
    QCOMPARE(isResponseFrame(reply.constData(), reply.size()), frameAlone);

    // The pieces as the simulator wrote them, in order, each with a gap
    // before the next: how this end's reads sliced them depends on the
    // machine, not on the simulator.
    const int expected = pieces == kOnePerByte ? int(reply.size()) : pieces;
    QTRY_COMPARE_WITH_TIMEOUT(sim.linesStarting("piece ").size(), expected, kReplyWithinMs);
    QByteArray written;
    const QList<QByteArray> lines = sim.linesStarting("piece ");
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray label = QStringLiteral("piece %1/%2: ").arg(i + 1).arg(expected).toLatin1();
        QVERIFY2(lines.at(i).startsWith(label), lines.at(i).constData());
        written += QByteArray::fromHex(lines.at(i).mid(label.size()));
    }
    if (expected > 0)
        QCOMPARE(hexOf(written), hexOf(reply));
}

void SimulatorTest::repeatSendsOnceIdentified()
{
    SimulatorRun sim;
    QVERIFY(sim.start({"--send", "barcode", "--repeat", "0.2"}));
    QCOMPARE(hexOf(sim.host.readBytes(1, kQuietMs)), QString()); // not before the handshake
    QVERIFY(sim.host.write(kModelQuery));
    sim.host.readReply();
    const QByteArray barcode = ScannerSamples::barcode();
    QCOMPARE(hexOf(sim.host.readBytes(2 * barcode.size())), hexOf(barcode + barcode));
}

void SimulatorTest::answersOnlyAtItsSpeed_data()
{
    QTest::addColumn<int>("portSpeed");
    QTest::addColumn<bool>("answers");
    QTest::newRow("port at the scanner's speed") << int(B9600) << true;
    QTest::newRow("port at another speed") << int(B115200) << false;
}

void SimulatorTest::answersOnlyAtItsSpeed()
{
    QFETCH(int, portSpeed);
    QFETCH(bool, answers);
    SimulatorRun sim;
    QVERIFY(sim.start({"--baud", "9600", "--send", "barcode"}));
    QVERIFY(sim.host.open(sim.linkPath(), speed_t(portSpeed)));
    QVERIFY(sim.host.write(kVersionQuery));
    const QByteArray reply = sim.host.readUntil(
        [](const QByteArray &b) { return isResponseFrame(b.constData(), b.size()); }, answers ? kReplyWithinMs : kQuietMs);
    QCOMPARE(reply.contains("V2.3"), answers);
    QVERIFY(sim.typeLine());
    QCOMPARE(sim.host.readBytes(1, answers ? kReplyWithinMs : kQuietMs).isEmpty(), !answers);
    if (!answers)
        QTRY_COMPARE(sim.linesStarting("command not understood: the port runs at 115200 baud, not 9600").size(), 1);
}

// The cable pulled a while after the port was opened, and plugged in again:
// the line hangs up and the path goes, then the same path leads to a new
// pseudo-terminal that answers as before.
void SimulatorTest::unplugAndReplug()
{
    SimulatorRun sim;
    QVERIFY(sim.start({"--unplug-after", "0.5", "--replug-after", "0.5"}));
    QVERIFY(sim.host.write(kVersionQuery));
    const QByteArray before = sim.host.readReply();
    QVERIFY(isResponseFrame(before.constData(), before.size()));
    QVERIFY2(sim.host.hungUp(kReplyWithinMs), "the line did not hang up");
    QVERIFY(!QFileInfo::exists(sim.linkPath()));
    QTRY_COMPARE_WITH_TIMEOUT(sim.linesStarting("plugged in /dev/").size(), 1, kReplyWithinMs);
    QVERIFY(QFileInfo::exists(sim.linkPath()));

    QVERIFY(sim.host.open(sim.linkPath()));
    QVERIFY(sim.host.write(kModelQuery));
    const QByteArray reply = sim.host.readReply();
    QCOMPARE(responsePayload(reply.constData(), reply.size()), QByteArray("KR1"));
    QCOMPARE(sim.linesStarting("unplugged").size(), 1); // once only
}

void SimulatorTest::emptyLineWithNothingToSend()
{
    SimulatorRun sim;
    QVERIFY(sim.start({}));
    QVERIFY(sim.typeLine());
    QTRY_COMPARE(sim.linesStarting("nothing to send").size(), 1);
    QCOMPARE(sim.host.readBytes(1, kQuietMs), QByteArray());
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
