// The whole road, as an operator meets it: the scanner simulator on a
// pseudo-terminal, Quillon started as its own process on the real X server,
// logged in and linked by real clicks, and this program's text field holding
// the keyboard focus while the scanner sends two cards and a barcode.
#include "quillonsession.h"
#include "scannedblocks.h"
#include "xkeymapcontrol.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest>

namespace {

constexpr int kTypedWithinMs = 15000;
constexpr int kHandshakeSettleMs = 1500;
constexpr int kQuietAfterMs = 500;

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerToTypedText_data();
    void scannerToTypedText();
    void replugWithSlowStartTypesWithoutAClick();
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
    QTest::newRow("each reply and block in one write") << QStringList();
    // As a scanner's UART sends at 9600 baud: the replies and the cards
    // arrive byte after byte and must still be read whole.
    QTest::newRow("a byte at a time, 1 ms apart") << QStringList{"--byte-gap", "1"};
}

void EndToEndTest::scannerToTypedText()
{
    QFETCH(QStringList, lineArguments);
    QuillonSession session;
    session.writeConfig(scanned::kDateFormat, scanned::transmitFields());
    const QList<scanned::Block> blocks = scanned::blocks();
    QVERIFY(session.startSimulatorSending(blocks, lineArguments));

    QPlainTextEdit target;
    target.setGeometry(1045, 10, 230, 400);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    const int unmappedAtStart = xkeymap::unmappedKeycodeCount();
    QVERIFY(session.startQuillon());
    QVERIFY2(session.logIn(), "the login window or the main window did not appear");
    QVERIFY(session.openLink());
    QTest::qWait(kHandshakeSettleMs);

    QVERIFY2(QuillonSession::focus(target), "the target window never got the keyboard focus");

    QString typed;
    for (const scanned::Block &block : blocks) {
        session.simulator().write("\n"); // the simulator sends its next block
        typed += block.typed;
        QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), typed, kTypedWithinMs);
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(target.toPlainText(), typed); // nothing more arrives

    const QString log = session.copyLog();
    const QRegularExpression entry(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]Receive (\\d+) bytes data:"));
    QStringList sizes;
    for (auto it = entry.globalMatch(log); it.hasNext();)
        sizes << it.next().captured(1);
    QCOMPARE(sizes, QStringList({"90", "200", "14", "16", "13"}));
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
    QVERIFY2(session.terminateQuillon(), "Quillon did not end by itself on SIGTERM");
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

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
