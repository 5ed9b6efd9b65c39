// The whole road, as an operator meets it: the scanner simulator on a
// pseudo-terminal, Quillon started as its own process on the real X server,
// logged in and linked by real clicks, and this program's text field holding
// the keyboard focus while the scanner sends two cards and a barcode, one
// after the other or back to back, at a scanner's or an adapter's pace.
#include "quillonsession.h"
#include "scannedblocks.h"
#include "xkeymapcontrol.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest>

#include <cstring>

namespace {

constexpr int kTypedWithinMs = 15000;
constexpr int kHandshakeSettleMs = 1500;
constexpr int kQuietAfterMs = 500;
// Quillon's X connection takes its window for inactive only 400 ms after the
// focus went to another program's window; a read before that is held back.
constexpr int kFocusLeftQuillonMs = 1000;

// The sizes of the log's entries, in order.
QStringList loggedSizes(const QString &log)
{
    static const QRegularExpression entry(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]Receive (\\d+) bytes data:"));
    QStringList sizes;
    for (auto it = entry.globalMatch(log); it.hasNext();)
        sizes << it.next().captured(1);
    return sizes;
}

} // namespace

Q_DECLARE_METATYPE(scanned::Block)

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerToTypedText_data();
    void scannerToTypedText();
    void replugWithSlowStartTypesWithoutAClick();
    void readsKeptApart_data();
    void readsKeptApart();

private:
    // Quillon linked to the simulator that sends these blocks, with this
    // program's text field holding the keyboard focus.
    bool startTyping(QuillonSession &session, QPlainTextEdit &target, const QList<scanned::Block> &blocks,
                     const QStringList &lineArguments, bool slowestSpeed = false);
};

void EndToEndTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X display (the test command starts Xvfb)");
    if (!QuillonSession::xdotoolAvailable())
        QSKIP("needs xdotool to click Quillon's windows (apt-get install xdotool)");
}

void EndToEndTest::scannerToTypedText_data()
{
    QTest::addColumn<QStringList>("lineArguments");
    // How Quillon is stopped at the end: a log-out, a closed terminal, Ctrl+\.
    QTest::addColumn<int>("stopSignal");
    QTest::newRow("each reply and block in one write") << QStringList() << int(SIGTERM);
    // As a scanner's UART sends at 9600 baud: the replies and the cards
    // arrive byte after byte and must still be read whole.
    QTest::newRow("a byte at a time, 1 ms apart") << QStringList{"--byte-gap", "1"} << int(SIGHUP);
    QTest::newRow("each reply and block in one write, stopped by SIGQUIT") << QStringList() << int(SIGQUIT);
}

bool EndToEndTest::startTyping(QuillonSession &session, QPlainTextEdit &target, const QList<scanned::Block> &blocks,
                               const QStringList &lineArguments, bool slowestSpeed)
{
    session.writeConfig(scanned::kDateFormat, scanned::transmitFields());
    if (!session.startSimulatorSending(blocks, lineArguments))
        return false;
    target.setGeometry(1045, 10, 230, 400);
    target.show();
    if (!QTest::qWaitForWindowExposed(&target) || !session.startQuillon())
        return false;
    if (!session.logIn()) {
        qWarning("the login window or the main window did not appear");
        return false;
    }
    if ((slowestSpeed && !session.chooseSlowestSpeed()) || !session.openLink())
        return false;
    QTest::qWait(kHandshakeSettleMs);
    if (!QuillonSession::focus(target)) {
        qWarning("the target window never got the keyboard focus");
        return false;
    }
    QTest::qWait(kFocusLeftQuillonMs);
    return true;
}

void EndToEndTest::scannerToTypedText()
{
    QFETCH(QStringList, lineArguments);
    QFETCH(int, stopSignal);
    QuillonSession session;
    QPlainTextEdit target;
    const QList<scanned::Block> blocks = scanned::blocks();
    const int unmappedAtStart = xkeymap::unmappedKeycodeCount();
    QVERIFY(startTyping(session, target, blocks, lineArguments));

    QString typed;
    for (const scanned::Block &block : blocks) {
        session.simulator().write("\n"); // the simulator sends its next block
        typed += block.typed;
        QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), typed, kTypedWithinMs);
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(target.toPlainText(), typed); // nothing more arrives

    const QString log = session.copyLog();
    QCOMPARE(loggedSizes(log), QStringList({"90", "200", "14", "16", "13"}));
    QVERIFY2(log.contains(QStringLiteral("37 35 30 31 32 33 34 35 36 37 38 39 30 0D")), qPrintable(log));

    // Copying the log left Quillon's own window with the keyboard focus:
    // the next card is logged but typed nowhere, not into the log pane
    // either.
    session.simulator().write("\n");
    QString heldBack;
    QTRY_VERIFY_WITH_TIMEOUT((heldBack = session.copyLog()).count(QStringLiteral("]Receive ")) == blocks.size() + 1,
                             kTypedWithinMs);
    QVERIFY2(!heldBack.contains(QStringLiteral("PEREZ")), qPrintable(heldBack));
    QCOMPARE(target.toPlainText(), typed);

    // Stopped by a signal, Quillon still gives back the keycodes it
    // borrowed for the accented capitals.
    QVERIFY2(session.terminateQuillon(stopSignal), qPrintable(QStringLiteral("Quillon did not end by itself on %1")
                                                                  .arg(QString::fromLatin1(strsignal(stopSignal)))));
    QCOMPARE(xkeymap::unmappedKeycodeCount(), unmappedAtStart);
}

// The cable is pulled while the operator works in another window, and
// plugged in again; the scanner takes a second and a half to answer. The
// disconnection notice appears and goes again without taking the keyboard,
// the scanner is identified by itself, and the next card lands where the
// operator's cursor was, with no click.
void EndToEndTest::replugWithSlowStartTypesWithoutAClick()
{
    QuillonSession session;
    session.writeConfig(scanned::kDateFormat, {"Número de Cedula", "Enter"});
    QVERIFY(session.startSimulator({"--unplug-after", "4", "--replug-after", "1", "--start-after-replug", "1.5",
                                    "--send", "mrz"}));
    QPlainTextEdit target;
    target.setGeometry(1045, 10, 230, 400);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));
    QVERIFY(session.startQuillon());
    QVERIFY2(session.logIn(), "the login window or the main window did not appear");
    QVERIFY(session.openLink());
    QVERIFY2(QuillonSession::focus(target), "the target window never got the keyboard focus");

    QString simulatorSaid;
    const auto simulatorSays = [&](const QString &line) {
        simulatorSaid += QString::fromLatin1(session.simulator().readAllStandardOutput());
        return simulatorSaid.contains(line);
    };
    QTRY_VERIFY_WITH_TIMEOUT(simulatorSays(QStringLiteral("unplugged")), kTypedWithinMs);
    simulatorSaid = simulatorSaid.mid(simulatorSaid.indexOf(QStringLiteral("unplugged")));
    QTRY_COMPARE_WITH_TIMEOUT(session.visibleWindowCount(), 2, kTypedWithinMs); // the main window and the notice
    QVERIFY2(target.isActiveWindow() && target.hasFocus(), "the notice took the keyboard focus");

    // Plugged in again and identified once it has started: its model query
    // answered.
    QTRY_VERIFY_WITH_TIMEOUT(simulatorSays(QStringLiteral("answered 31 00 16 00 85")), kTypedWithinMs);
    QTRY_COMPARE_WITH_TIMEOUT(session.visibleWindowCount(), 1, kTypedWithinMs); // the notice closed itself

    session.simulator().write("\n");
    QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), QStringLiteral("87654321\n"), kTypedWithinMs);
    QVERIFY(target.isActiveWindow() && target.hasFocus());
}

// Reads that come back to back or close together are each logged and typed
// on their own, in order; a card the scanner stops sending part-way is
// logged and not typed, and the scan after it is typed as it came.
void EndToEndTest::readsKeptApart_data()
{
    QTest::addColumn<QStringList>("lineArguments");
    QTest::addColumn<QList<scanned::Block>>("blocks");
    QTest::addColumn<int>("lines"); // the blocks go out in this many lines, as many in each
    QTest::addColumn<bool>("at9600"); // else at 115200 baud
    QTest::addColumn<QStringList>("logged");
    const QList<scanned::Block> sample = scanned::blocks();
    const scanned::Block &zone = sample.at(0);
    const scanned::Block &record = sample.at(1);
    const scanned::Block &barcode = sample.at(2);
    const scanned::Block cutShort{zone.bytes.left(50), QString()};

    QTest::newRow("two cards 50 ms apart") << QStringList{"--reads-per-line", "2", "--read-gap", "50"}
                                           << QList<scanned::Block>{zone, record} << 1 << false
                                           << QStringList{"90", "200"};
    QTest::newRow("a card, then at once a barcode") << QStringList{"--reads-per-line", "2"}
                                                    << QList<scanned::Block>{zone, barcode} << 1 << false
                                                    << QStringList{"90", "14"};
    QTest::newRow("a long record, then at once a barcode") << QStringList{"--reads-per-line", "2"}
                                                           << QList<scanned::Block>{record, barcode} << 1 << false
                                                           << QStringList{"200", "14"};
    // 9600 baud through a USB adapter with the usual 16 ms latency timer.
    QTest::newRow("long records at 9600 in bursts of 15 bytes every 16 ms")
        << QStringList{"--burst-bytes", "15", "--burst-every", "16"} << QList<scanned::Block>{record, record} << 2
        << true << QStringList{"200", "200"};
    // The barcode comes after the card was given up.
    QTest::newRow("a card cut short, then a barcode")
        << QStringList{"--reads-per-line", "2", "--read-gap", "3000"} << QList<scanned::Block>{cutShort, barcode}
        << 1 << false << QStringList{"50", "14"};
}

void EndToEndTest::readsKeptApart()
{
    QFETCH(QStringList, lineArguments);
    QFETCH(QList<scanned::Block>, blocks);
    QFETCH(int, lines);
    QFETCH(bool, at9600);
    QFETCH(QStringList, logged);
    QuillonSession session;
    QPlainTextEdit target;
    QVERIFY(startTyping(session, target, blocks, lineArguments, at9600));

    const int perLine = blocks.size() / lines;
    QString typed;
    for (int line = 0; line < lines; ++line) {
        session.simulator().write("\n");
        for (int i = 0; i < perLine; ++i)
            typed += blocks.at(line * perLine + i).typed;
        QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), typed, kTypedWithinMs);
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(target.toPlainText(), typed);
    QCOMPARE(loggedSizes(session.copyLog()), logged);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
