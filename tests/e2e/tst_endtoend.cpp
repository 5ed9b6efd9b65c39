// The whole road, as an operator meets it: the scanner simulator on a
// pseudo-terminal, Quillon started as its own process on the real X server,
// logged in and linked by real clicks, and this program's text field holding
// the keyboard focus while the scanner sends two cards and a barcode.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kProcessStartMs = 10000;
constexpr int kTypedWithinMs = 15000;
constexpr int kHandshakeSettleMs = 1500;

// Where the widgets that the test clicks stand in their windows.
const QPoint kLoginButtonCentre(150 + 37, 140 + 11);
const QPoint kOpenButtonCentre(10 + 500 + 37, 10 + 30 + 11);
const QPoint kLogPaneInside(650 + 190, 40 + 300);

QByteArray latin1(const char *utf8) { return QString::fromUtf8(utf8).toLatin1(); }

QByteArray machineReadableZone()
{
    return QByteArray("I<COL0000000000<<<<<<<<<<<<<<<")   // line 1
           + "8503127M3012315COL12345678<<<1"         // line 2: birth, gender, expiry, number
           + "PEREZ<GOMEZ<<JUAN<CARLOS<<<<<<";        // line 3: the names
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

QString xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(kProcessStartMs);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// The first visible window of the process with the given size.
QString windowOf(qint64 pid, QSize size)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kProcessStartMs) {
        const QStringList ids = xdotool({"search", "--onlyvisible", "--pid", QString::number(pid), "--name", ""})
                                    .split('\n', Qt::SkipEmptyParts);
        for (const QString &id : ids) {
            const QString geometry = xdotool({"getwindowgeometry", id});
            if (geometry.contains(QStringLiteral("Geometry: %1x%2").arg(size.width()).arg(size.height())))
                return id;
        }
        QTest::qWait(100);
    }
    return {};
}

void click(const QString &window, QPoint at)
{
    xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y())});
    xdotool({"click", "1"});
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerToTypedText();
    void cleanupTestCase();

private:
    QTemporaryDir work;
    QProcess simulator;
    QProcess quillon;
};

void EndToEndTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X display (the test command starts Xvfb)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool to click Quillon's windows (apt-get install xdotool)");
    QVERIFY(work.isValid());
}

void EndToEndTest::scannerToTypedText()
{
    {
        QSettings config(work.filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
        config.setValue(QStringLiteral("Basic/DateFormat"), 3);
        const QStringList entries{"Número de Cedula", "TAB", "Apellido", "TAB", "Nombre", "TAB",
                                  "Fecha de Nacimiento", "TAB", "Fecha de Vencimiento", "Enter"};
        config.beginWriteArray(QStringLiteral("Transmit"));
        for (int i = 0; i < entries.size(); ++i) {
            config.setArrayIndex(i);
            config.setValue(QStringLiteral("Field"), entries[i]);
        }
        config.endArray();
    }
    const QList<QByteArray> blocks{machineReadableZone(), longRecord(), kBarcode};
    QStringList simArguments{"--link", work.filePath(QStringLiteral("scanner"))};
    for (int i = 0; i < blocks.size(); ++i) {
        QFile file(work.filePath(QStringLiteral("block%1.bin").arg(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(blocks[i]);
        simArguments << "--send-file" << file.fileName();
    }

    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QStringLiteral(QUILLON_SIM_BINARY), simArguments);
    QVERIFY(simulator.waitForStarted(kProcessStartMs));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(work.filePath(QStringLiteral("scanner"))), kProcessStartMs);

    QPlainTextEdit target;
    target.setWindowTitle(QStringLiteral("target"));
    target.setGeometry(1045, 10, 230, 400);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    quillon.setWorkingDirectory(work.path());
    quillon.setProcessChannelMode(QProcess::ForwardedChannels);
    quillon.start(QStringLiteral(QUILLON_BINARY), {"--port", work.filePath(QStringLiteral("scanner"))});
    QVERIFY(quillon.waitForStarted(kProcessStartMs));

    const QString login = windowOf(quillon.processId(), QSize(483, 225));
    QVERIFY2(!login.isEmpty(), "the login window did not appear");
    click(login, kLoginButtonCentre);
    const QString mainWindow = windowOf(quillon.processId(), QSize(1035, 765));
    QVERIFY2(!mainWindow.isEmpty(), "the main window did not appear after Login");
    click(mainWindow, kOpenButtonCentre);
    QTest::qWait(kHandshakeSettleMs);

    target.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&target));
    target.setFocus();

    const QStringList expected{
        QStringLiteral("12345678\tPEREZ GOMEZ\tJUAN CARLOS\t12/03/1985\t301231\n"),
        QString::fromUtf8("1020304050\tMUÑOZ PEÑA\tJOSÉ ÁNGEL\t21/07/1990\tNULL\n"),
        QStringLiteral("7501234567890\n"),
    };
    QString typed;
    for (const QString &text : expected) {
        simulator.write("\n"); // the simulator sends its next block
        typed += text;
        QTRY_COMPARE_WITH_TIMEOUT(target.toPlainText(), typed, kTypedWithinMs);
    }
    QTest::qWait(500);
    QCOMPARE(target.toPlainText(), typed); // nothing more arrives

    // The log pane, copied out as the operator would.
    xdotool({"windowfocus", "--sync", mainWindow});
    click(mainWindow, kLogPaneInside);
    xdotool({"key", "ctrl+a", "ctrl+c"});
    QTest::qWait(300);
    const QString log = QGuiApplication::clipboard()->text();
    const QRegularExpression entry(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]Receive (\\d+) bytes data:"));
    QStringList sizes;
    for (auto it = entry.globalMatch(log); it.hasNext();)
        sizes << it.next().captured(1);
    QCOMPARE(sizes, QStringList({"90", "200", "14"}));
    QVERIFY2(log.contains(QStringLiteral("37 35 30 31 32 33 34 35 36 37 38 39 30 0D")), qPrintable(log));
}

void EndToEndTest::cleanupTestCase()
{
    for (QProcess *p : {&quillon, &simulator}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(3000);
        }
    }
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
