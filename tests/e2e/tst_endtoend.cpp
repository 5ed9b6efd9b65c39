// The whole road, as an operator meets it: the scanner simulator on a
// pseudo-terminal, Quillon started as its own process on the real X server,
// logged in and linked by real clicks, and this program's text field holding
// the keyboard focus while the scanner sends two cards and a barcode.
#include "quillonsession.h"
#include "xkeymapcontrol.h"

#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest>

namespace {

constexpr int kTypedWithinMs = 15000;
constexpr int kHandshakeSettleMs = 1500;
constexpr int kQuietAfterMs = 500;

QByteArray latin1(const char *utf8) { return QString::fromUtf8(utf8).toLatin1(); }

QByteArray machineReadableZone()
{
    return QByteArray("I<COL0000000000<<<<<<<<<<<<<<<") // line 1
           + "8503127M3012315COL12345678<<<1"       // line 2: birth, gender, expiry, number
           + "PEREZ<GOMEZ<<JUAN<CARLOS<<<<<<";      // line 3: the names
}

QByteArray longRecord()
{
    QByteArray block(200, ' ');
    auto put = [&block](int at, const QByteArray &text) { block.replace(at, text.size(), text); };
    put(1, "AF1234567");
    put(40, "HD000042");
    put(48, "1020304050");
    put(58, latin1("MUÑOZ"));
    put(81, latin1("PEÑA"));
    put(104, latin1("JOSÉ"));
    put(127, latin1("ÁNGEL"));
    put(151, "M");
    put(152, "19900721");
    put(160, "05");
    put(162, "01");
    put(166, "O+");
    return block;
}

const QByteArray kBarcode("7501234567890\r");

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerToTypedText();
};

void EndToEndTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X display (the test command starts Xvfb)");
    if (!QuillonSession::xdotoolAvailable())
        QSKIP("needs xdotool to click Quillon's windows (apt-get install xdotool)");
}

void EndToEndTest::scannerToTypedText()
{
    QuillonSession session;
    session.writeConfig(3, {"Número de Cedula", "TAB", "Apellido", "TAB", "Nombre", "TAB", "Fecha de Nacimiento",
                            "TAB", "Fecha de Vencimiento", "Enter"});
    QStringList simArguments;
    const QList<QByteArray> blocks{machineReadableZone(), longRecord(), kBarcode};
    for (int i = 0; i < blocks.size(); ++i) {
        QFile file(session.folder() + QStringLiteral("/block%1.bin").arg(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(blocks[i]);
        simArguments << "--send-file" << file.fileName();
    }
    QVERIFY(session.startSimulator(simArguments));

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

    const QStringList expected{
        QStringLiteral("12345678\tPEREZ GOMEZ\tJUAN CARLOS\t12/03/1985\t301231\n"),
        QString::fromUtf8("1020304050\tMUÑOZ PEÑA\tJOSÉ ÁNGEL\t21/07/1990\tNULL\n"),
        QStringLiteral("7501234567890\n"),
    };
    QString typed;
    for (const QString &text : expected) {
        session.simulator().write("\n"); // the simulator sends its next block
        typed += text;
        QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), typed, kTypedWithinMs);
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(target.toPlainText(), typed); // nothing more arrives

    const QString log = session.copyLog();
    const QRegularExpression entry(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]Receive (\\d+) bytes data:"));
    QStringList sizes;
    for (auto it = entry.globalMatch(log); it.hasNext();)
        sizes << it.next().captured(1);
    QCOMPARE(sizes, QStringList({"90", "200", "14"}));
    QVERIFY2(log.contains(QStringLiteral("37 35 30 31 32 33 34 35 36 37 38 39 30 0D")), qPrintable(log));

    // Copying the log left Quillon's own window with the keyboard focus:
    // the next card is logged but typed nowhere, not into the log pane
    // either.
    session.simulator().write("\n");
    QString heldBack;
    QTRY_VERIFY_WITH_TIMEOUT((heldBack = session.copyLog()).count(QStringLiteral("]Receive ")) == 4, kTypedWithinMs);
    QVERIFY2(!heldBack.contains(QStringLiteral("PEREZ")), qPrintable(heldBack));
    QCOMPARE(target.toPlainText(), typed);

    // Stopped by a signal, Quillon still gives back the keycodes it
    // borrowed for the accented capitals.
    QVERIFY2(session.terminateQuillon(), "Quillon did not end by itself on SIGTERM");
    QCOMPARE(xkeymap::unmappedKeycodeCount(), unmappedAtStart);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
