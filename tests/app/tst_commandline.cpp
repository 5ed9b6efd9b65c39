// The command line: the ports given with --port, and --help and --version,
// which answer without a window, as the program itself does them.
#include "commandline.h"

#include <QCommandLineParser>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Only a guard against a program that opened its window instead of
// answering; an answer comes long before.
constexpr int kAnswerGuardMs = 60000;
constexpr int kExitSuccess = 0;

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parsed_data();
    void parsed();
    void answersWithoutWindow_data();
    void answersWithoutWindow();
};

void CommandLineTest::parsed_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("helpAll");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("mistaken");
    QTest::newRow("none") << QStringList{"quillon"} << QStringList{} << false << false << false << false;
    QTest::newRow("one") << QStringList{"quillon", "--port", "/tmp/scanner"} << QStringList{"/tmp/scanner"} << false << false
                         << false << false;
    QTest::newRow("repeated, in order")
        << QStringList{"quillon", "--port", "/dev/pts/7", "--port=/tmp/b", "--port", "/tmp/a"}
        << QStringList{"/dev/pts/7", "/tmp/b", "/tmp/a"} << false << false << false << false;
    QTest::newRow("empty path skipped") << QStringList{"quillon", "--port=", "--port", "/tmp/a"}
                                        << QStringList{"/tmp/a"} << false << false << false << false;
    QTest::newRow("other options told, ports still taken")
        << QStringList{"quillon", "--verbose", "--port", "/tmp/s", "file"} << QStringList{"/tmp/s"} << false << false << false
        << true;
    QTest::newRow("missing value") << QStringList{"quillon", "--port"} << QStringList{} << false << false << false << true;
    QTest::newRow("program name is not an option") << QStringList{"--port", "x"} << QStringList{} << false << false << false
                                                   << false;
    QTest::newRow("--help") << QStringList{"quillon", "--help"} << QStringList{} << true << false << false << false;
    QTest::newRow("--help-all") << QStringList{"quillon", "--help-all"} << QStringList{} << false << true << false
                                << false;
    QTest::newRow("-h") << QStringList{"quillon", "-h"} << QStringList{} << true << false << false << false;
    QTest::newRow("--version") << QStringList{"quillon", "--version"} << QStringList{} << false << false << true << false;
    QTest::newRow("-v") << QStringList{"quillon", "-v"} << QStringList{} << false << false << true << false;
    // Before the application object has taken them out, Qt's options are
    // whole words, not bundles of letters that would spell -v or -h.
    QTest::newRow("Qt's options before Qt took them")
        << QStringList{"quillon", "-reverse", "-stylesheet", "a.qss", "-platform", "xcb", "--port", "/tmp/a"}
        << QStringList{"/tmp/a"} << false << false << false << true;
}

void CommandLineTest::parsed()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, ports);
    QFETCH(bool, help);
    QFETCH(bool, helpAll);
    QFETCH(bool, version);
    QFETCH(bool, mistaken);
    QCommandLineParser parser;
    const CommandLine commandLine = parseCommandLine(parser, arguments);
    QCOMPARE(commandLine.extraPorts, ports);
    QCOMPARE(commandLine.helpAsked, help);
    QCOMPARE(commandLine.helpAllAsked, helpAll);
    QCOMPARE(commandLine.versionAsked, version);
    QVERIFY2(commandLine.mistakes.isEmpty() != mistaken, qPrintable(commandLine.mistakes));
}

void CommandLineTest::answersWithoutWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("withDisplay");
    QTest::addColumn<QString>("answer"); // a line the output holds

    const QString version = QStringLiteral("Quillon " QUILLON_VERSION);
    QTest::newRow("--help") << QStringList{"--help"} << true << QStringLiteral("  --port <path>");
    QTest::newRow("--version") << QStringList{"--version"} << true << version;
    QTest::newRow("--help-all") << QStringList{"--help-all"} << true << QStringLiteral("  --platform <platformName[:options]>");
    QTest::newRow("with Qt's own options") << QStringList{"-platform", "offscreen", "-reverse", "--version"} << true
                                           << version;
    QTest::newRow("in a terminal with no display") << QStringList{"--version"} << false << version;
}

void CommandLineTest::answersWithoutWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, withDisplay);
    QFETCH(QString, answer);

    // A runtime folder as a desktop session gives one, so that standard
    // error holds only what Quillon says.
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    QProcess quillon;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    if (!withDisplay) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
    }
    quillon.setProcessEnvironment(environment);
    quillon.start(QStringLiteral(QUILLON_BINARY), arguments);
    QVERIFY2(quillon.waitForFinished(kAnswerGuardMs), "Quillon did not end: it opened its window instead");
    const QString out = QString::fromLocal8Bit(quillon.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(quillon.readAllStandardError());
    QCOMPARE(quillon.exitStatus(), QProcess::NormalExit);
    QVERIFY2(quillon.exitCode() == kExitSuccess, qPrintable(err));
    QVERIFY2(out.split(QLatin1Char('\n')).filter(answer).size() == 1, qPrintable(out));
    QVERIFY2(err.isEmpty(), qPrintable(err));
}

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
