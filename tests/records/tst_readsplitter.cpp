// Cutting the serial line into the scanner's reads: cards by their shape and
// length, other data by terminator or quiet gap, whatever the pace at which
// the bytes come.
#include "cardblocks.h"
#include "readsplitter.h"

#include <QtTest>

namespace {

using std::chrono::milliseconds;

// One thing that happens to the splitter: bytes at a time, time passing, or
// the line closing.
struct Step
{
    enum Kind { Bytes, Elapse, Finish };
    Kind kind;
    int atMs;
    QByteArray bytes;
};
using Steps = QList<Step>;

Step at(int ms, const QByteArray &bytes) { return {Step::Bytes, ms, bytes}; }
Step elapse(int ms) { return {Step::Elapse, ms, {}}; }
Step finish() { return {Step::Finish, 0, {}}; }

// The bytes in bursts of `burst` every `everyMs`, from `startMs` on, as a USB
// adapter hands on a slow line's bytes at each tick of its latency timer.
Steps inBursts(const QByteArray &bytes, int burst, int everyMs, int startMs = 0)
{
    Steps steps;
    for (int i = 0; i * burst < bytes.size(); ++i)
        steps << at(startMs + i * everyMs, bytes.mid(i * burst, burst));
    return steps;
}

QString endName(ReadEnd end)
{
    switch (end) {
    case ReadEnd::Card: return QStringLiteral("card");
    case ReadEnd::Terminator: return QStringLiteral("terminator");
    case ReadEnd::QuietGap: return QStringLiteral("quiet");
    case ReadEnd::CardCutShort: return QStringLiteral("cut short");
    case ReadEnd::CardTerminator: return QStringLiteral("card's terminator");
    }
    return QStringLiteral("?");
}

// "card 90: I<COL…", readable when a comparison fails.
QString described(ReadEnd end, const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QStringLiteral("%1 %2: %3").arg(endName(end)).arg(bytes.size()).arg(text);
}

const QByteArray kZone = mrzBlock("PEREZ<GOMEZ<<JUAN<CARLOS");
const QByteArray kOtherZone = mrzBlock("RAMIREZ<DIAZ<<MARIA<FERNANDA");
const QByteArray kBarcode = QByteArrayLiteral("7501234567890\r");

QByteArray longRecord()
{
    QByteArray record = longRecordBlock();
    return record + QByteArray(200 - record.size(), ' ');
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class ReadSplitterTest : public QObject
{
    Q_OBJECT

private slots:
    void readsKeptApart_data();
    void readsKeptApart();
    void quietGapFollowsTheSpeed_data();
    void quietGapFollowsTheSpeed();
    void deadline_data();
    void deadline();
};

void ReadSplitterTest::readsKeptApart_data()
{
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QStringList>("reads");
    const QByteArray record = longRecord();
    const auto card = [](const QByteArray &bytes) { return described(ReadEnd::Card, bytes); };

    QTest::newRow("barcode ended by CR") << 40 << Steps{at(0, kBarcode)}
                                         << QStringList{described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("barcodes ended by CR LF, in one chunk")
        << 40 << Steps{at(0, "123\r\n456\r\n")}
        << QStringList{described(ReadEnd::Terminator, "123\r\n"), described(ReadEnd::Terminator, "456\r\n")};
    QTest::newRow("barcode without terminator, bytes within the gap")
        << 40 << Steps{at(0, "12345"), at(39, "678"), elapse(78), elapse(79)}
        << QStringList{described(ReadEnd::QuietGap, "12345678")};
    QTest::newRow("barcodes without terminator, a gap apart")
        << 40 << Steps{at(0, "12345"), elapse(40), at(40, "678"), finish()}
        << QStringList{described(ReadEnd::QuietGap, "12345"), described(ReadEnd::QuietGap, "678")};
    // Whatever the port held when the wait ran out came before it did.
    QTest::newRow("bytes read late continue the read")
        << 40 << Steps{at(0, "12345"), at(60, "678"), elapse(99), elapse(100)}
        << QStringList{described(ReadEnd::QuietGap, "12345678")};
    QTest::newRow("two cards 50 ms apart") << 40 << Steps{at(0, kZone), at(50, kOtherZone)}
                                           << QStringList{card(kZone), card(kOtherZone)};
    QTest::newRow("two cards in one chunk") << 40 << Steps{at(0, kZone + kOtherZone)}
                                            << QStringList{card(kZone), card(kOtherZone)};
    QTest::newRow("card, then at once a barcode")
        << 40 << Steps{at(0, kZone + kBarcode.left(5)), at(1, kBarcode.mid(5))}
        << QStringList{card(kZone), described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("long record, then at once a barcode")
        << 40 << Steps{at(0, record + kBarcode)} << QStringList{card(record), described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("long record at 9600, 15 bytes every 16 ms")
        << 67 << inBursts(record, 15, 16) << QStringList{card(record)};
    QTest::newRow("two zones at 9600, 15 bytes every 16 ms")
        << 67 << inBursts(kZone + kOtherZone, 15, 16) << QStringList{card(kZone), card(kOtherZone)};
    QTest::newRow("zone a byte at a time") << 40 << inBursts(kZone, 1, 1) << QStringList{card(kZone)};
    QTest::newRow("zone pausing longer than the gap")
        << 40 << Steps{at(0, kZone.left(45)), elapse(1999), at(1999, kZone.mid(45))} << QStringList{card(kZone)};
    QTest::newRow("zone cut short, then a barcode")
        << 40 << Steps{at(0, kZone.left(50)), elapse(2000), at(2500, kBarcode)}
        << QStringList{described(ReadEnd::CardCutShort, kZone.left(50)), described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("zone cut short, a barcode scanned before it was given up")
        << 40 << Steps{at(0, kZone.left(50)), at(1000, kBarcode)}
        << QStringList{described(ReadEnd::CardCutShort, kZone.left(50)), described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("zone broken off by a byte no zone holds")
        << 40 << Steps{at(0, kZone.left(45) + "-12\r")}
        << QStringList{described(ReadEnd::CardCutShort, kZone.left(45)), described(ReadEnd::Terminator, "-12\r")};
    QTest::newRow("barcodes that start as a zone would")
        << 40 << Steps{at(0, "ICOLOR42"), elapse(40), at(50, "IDCOL7\r")}
        << QStringList{described(ReadEnd::QuietGap, "ICOLOR42"), described(ReadEnd::Terminator, "IDCOL7\r")};
    QTest::newRow("long record cut short")
        << 40 << Steps{at(0, record.left(160)), elapse(1999), elapse(2000)}
        << QStringList{described(ReadEnd::CardCutShort, record.left(160))};
    QTest::newRow("long record that ends after its last field")
        << 40 << Steps{at(0, record.left(168)), elapse(40)} << QStringList{card(record.left(168))};
    const QByteArray withReturn = record.left(155) + '\r' + record.mid(156);
    QTest::newRow("long record holding a CR beyond byte 150") << 40 << Steps{at(0, withReturn)}
                                                              << QStringList{card(withReturn)};
    QTest::newRow("card's CR LF in the same chunk")
        << 40 << Steps{at(0, kZone + "\r\n" + kBarcode)}
        << QStringList{card(kZone + "\r\n"), described(ReadEnd::Terminator, kBarcode)};
    QTest::newRow("card's CR and LF after it")
        << 40 << Steps{at(0, kZone), at(5, "\r"), at(6, "\n")}
        << QStringList{card(kZone), described(ReadEnd::CardTerminator, "\r"), described(ReadEnd::CardTerminator, "\n")};
    QTest::newRow("card's LF after its CR") << 40 << Steps{at(0, kZone + '\r'), at(5, "\n\r")}
                                            << QStringList{card(kZone + '\r'), described(ReadEnd::CardTerminator, "\n"),
                                                           described(ReadEnd::Terminator, "\r")};
    QTest::newRow("a CR well after a card is a read of its own")
        << 40 << Steps{at(0, kZone), at(500, "\r")} << QStringList{card(kZone), described(ReadEnd::Terminator, "\r")};
    QTest::newRow("closing ends a barcode") << 40 << Steps{at(0, "123"), finish()}
                                            << QStringList{described(ReadEnd::QuietGap, "123")};
    QTest::newRow("closing cuts a card short") << 40 << Steps{at(0, kZone.left(40)), finish()}
                                               << QStringList{described(ReadEnd::CardCutShort, kZone.left(40))};
    QTest::newRow("more than 150 bytes before a terminator: a long record")
        << 40 << Steps{at(0, QByteArray(160, '7') + '\r' + QByteArray(45, '8'))}
        << QStringList{card(QByteArray(160, '7') + '\r' + QByteArray(39, '8'))};
}

void ReadSplitterTest::readsKeptApart()
{
    QFETCH(int, gapMs);
    QFETCH(Steps, steps);
    QFETCH(QStringList, reads);
    ReadSplitter splitter{milliseconds(gapMs)};
    QByteArray sent;
    QByteArray taken;
    QStringList got;
    for (const Step &step : steps) {
        if (step.kind == Step::Bytes)
            splitter.receive(step.bytes, milliseconds(step.atMs));
        else if (step.kind == Step::Elapse)
            splitter.elapse(milliseconds(step.atMs));
        else
            splitter.finish();
        sent += step.bytes;
        for (const ScannerRead &read : splitter.takeReads()) {
            got << described(read.end, read.bytes);
            taken += read.bytes;
        }
    }
    QCOMPARE(got, reads);
    // Every byte is in exactly one read, in the order it came.
    QCOMPARE(taken, sent.left(taken.size()));
    if (steps.last().kind == Step::Finish)
        QCOMPARE(taken.size(), sent.size());
}

void ReadSplitterTest::quietGapFollowsTheSpeed_data()
{
    QTest::addColumn<int>("bitsPerSecond");
    QTest::addColumn<int>("gapMs");
    QTest::newRow("9600: a USB packet's worth of characters") << 9600 << 67;
    QTest::newRow("19200") << 19200 << 40;
    QTest::newRow("115200") << 115200 << 40;
    QTest::newRow("unknown speed") << 0 << 40;
}

void ReadSplitterTest::quietGapFollowsTheSpeed()
{
    QFETCH(int, bitsPerSecond);
    QFETCH(int, gapMs);
    QCOMPARE(quietGapFor(bitsPerSecond).count(), gapMs);
}

void ReadSplitterTest::deadline_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<int>("deadlineMs"); // -1: none
    QTest::newRow("nothing pending") << Steps{} << -1;
    QTest::newRow("complete barcode") << Steps{at(0, kBarcode)} << -1;
    QTest::newRow("barcode waiting for the gap") << Steps{at(0, "12"), at(10, "3")} << 50;
    QTest::newRow("zone waiting for its rest") << Steps{at(10, kZone.left(40))} << 2010;
    QTest::newRow("long record with its fields, waiting for the gap") << Steps{at(0, longRecord().left(170))} << 40;
}

void ReadSplitterTest::deadline()
{
    QFETCH(Steps, steps);
    QFETCH(int, deadlineMs);
    ReadSplitter splitter;
    for (const Step &step : steps)
        splitter.receive(step.bytes, milliseconds(step.atMs));
    const std::optional<milliseconds> deadline = splitter.deadline();
    QCOMPARE(deadline ? int(deadline->count()) : -1, deadlineMs);
}

QTEST_GUILESS_MAIN(ReadSplitterTest)
#include "tst_readsplitter.moc"
