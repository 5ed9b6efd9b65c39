// Quillon.exe as a Windows operator meets it, under Wine on the X server:
// the login window, the main window after "Login", and the whole road from a
// COM port, which Wine maps to the scanner simulator's pseudo-terminal, to a
// Windows EDIT control that has the keyboard focus.
#include "quillonsession.h"
#include "scannedblocks.h"
#include "wineprogram.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QString kQuillon = QStringLiteral("Quillon.exe");
const QString kTool = QStringLiteral("tests/windows/windows_test_tool.exe");
const QString kMainWindowTitle = QStringLiteral("Quillon");
// The login window and the notices have no title of their own; Qt names
// such a window after the program. Being frameless, they show no title bar.
const QString kUntitledWindowTitle = kMainWindowTitle;
const QString kTargetTitle = QStringLiteral("Typing target");
// A notice is as wide as the design's message box; its height follows its text.
constexpr int kNoticeWidth = 340;
constexpr int kScannerComPort = 5;
const QString kScannerPort = QStringLiteral("COM5");
const QString kMissingPort = QStringLiteral("COM9");
// Wine has no Alt code entry: in code page 1252 the letters that Quillon
// types through Alt codes never arrive. In another code page they go by
// their Unicode value, which Wine delivers.
const QString kUnicodeTypingLocale = QStringLiteral("ru_RU.UTF-8");
constexpr int kTypedWithinMs = 20000;
constexpr int kTypedPollMs = 5;
constexpr int kIdentifiedWithinMs = 20000;
constexpr int kFocusSettleMs = 500;
constexpr int kClipboardSettleMs = 500;
constexpr int kQuietAfterMs = 500;
const QPoint kInsideTarget{40, 40};

QString readUtf8(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Quillon's debug output, which the test reads as the operator reads the
// status line.
bool waitForOutput(QProcess &process, QByteArray *output, const QByteArray &wanted)
{
    QElapsedTimer clock;
    clock.start();
    while (!output->contains(wanted) && !clock.hasExpired(kIdentifiedWithinMs)) {
        process.waitForReadyRead(kFocusSettleMs);
        *output += process.readAll();
    }
    return output->contains(wanted);
}

void endProcess(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

} // namespace

class WindowsProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loginThenMainWindow();
    void scannerToEditControl();
    void missingPortRefused();

private:
    // Starts Quillon.exe in the session's folder and logs in.
    std::optional<WineProgram::Window> startAndLogIn(const WineProgram &wine, QProcess &quillon,
                                                     const QuillonSession &session, const QStringList &arguments,
                                                     const QString &locale = {});
};

void WindowsProgramTest::initTestCase()
{
    if (WineProgram::windowsBuild().isEmpty() || !QFile::exists(QDir(WineProgram::windowsBuild()).filePath(kQuillon)))
        QSKIP("no Windows build to test: scripts/build-windows.sh OUTDIR, then configure with "
              "-DQUILLON_WINDOWS_BUILD=OUTDIR");
    if (WineProgram::wine().isEmpty())
        QSKIP("wine64 is not installed (apt-get install wine64)");
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X display (the test command starts Xvfb)");
    if (!QuillonSession::xdotoolAvailable())
        QSKIP("needs xdotool to click Quillon's windows (apt-get install xdotool)");
}

std::optional<WineProgram::Window> WindowsProgramTest::startAndLogIn(const WineProgram &wine, QProcess &quillon,
                                                                     const QuillonSession &session,
                                                                     const QStringList &arguments,
                                                                     const QString &locale)
{
    wine.start(quillon, kQuillon, arguments, session.folder(), locale);
    const std::optional<WineProgram::Window> login = wine.waitForWindow(QuillonSession::kLoginWindowSize, kUntitledWindowTitle);
    if (!login)
        return std::nullopt;
    WineProgram::click(login->origin + QuillonSession::kLoginButton);
    return wine.waitForWindow(QuillonSession::kMainWindowSize, kMainWindowTitle);
}

// The frameless login window alone first; "Login" hides it and shows the
// main window.
void WindowsProgramTest::loginThenMainWindow()
{
    WineProgram wine;
    QVERIFY2(wine.failure().isEmpty(), qPrintable(wine.failure()));
    QuillonSession session;
    QProcess quillon;
    QElapsedTimer clock;
    clock.start();
    wine.start(quillon, kQuillon, {}, session.folder());
    const std::optional<WineProgram::Window> login = wine.waitForWindow(QuillonSession::kLoginWindowSize, kUntitledWindowTitle);
    QVERIFY2(login, "the login window did not appear");
    qInfo("login window %lld ms after the start", static_cast<long long>(clock.elapsed()));
    QCOMPARE(wine.windows().size(), 1);

    WineProgram::click(login->origin + QuillonSession::kLoginButton);
    QVERIFY2(wine.waitForWindow(QuillonSession::kMainWindowSize, kMainWindowTitle), "the main window did not appear");
    QVERIFY2(wine.waitUntilGone(QuillonSession::kLoginWindowSize, kUntitledWindowTitle), "the login window stayed");
    endProcess(quillon);
}

void WindowsProgramTest::scannerToEditControl()
{
    WineProgram wine;
    QVERIFY2(wine.failure().isEmpty(), qPrintable(wine.failure()));
    QuillonSession session;
    session.writeConfig(scanned::kDateFormat, scanned::transmitFields());
    const QList<scanned::Block> blocks = scanned::blocks();
    QVERIFY(session.startSimulatorSending(blocks));
    QVERIFY(wine.linkComPort(kScannerComPort, session.folder() + QStringLiteral("/scanner")));

    const QString typedFile = session.folder() + QStringLiteral("/typed.txt");
    QProcess target;
    wine.start(target, kTool, {QStringLiteral("edit"), WineProgram::windowsPath(typedFile)}, session.folder());
    QVERIFY2(wine.waitForWindow({}, kTargetTitle), "the typing target did not appear");

    QProcess quillon;
    quillon.setProcessChannelMode(QProcess::MergedChannels);
    const std::optional<WineProgram::Window> main =
        startAndLogIn(wine, quillon, session, {QStringLiteral("--port"), kScannerPort}, kUnicodeTypingLocale);
    QVERIFY2(main, "the login window or the main window did not appear");
    QElapsedTimer clock;
    clock.start();
    WineProgram::click(main->origin + QuillonSession::kOpenButton);
    QByteArray output;
    QVERIFY2(waitForOutput(quillon, &output, "KR1"), output.constData());
    qInfo("identified %lld ms after \"Abrir\"", static_cast<long long>(clock.elapsed()));

    const std::optional<WineProgram::Window> edit = wine.waitForWindow({}, kTargetTitle);
    QVERIFY(edit);
    WineProgram::click(edit->origin + kInsideTarget);
    QTest::qWait(kFocusSettleMs);

    QString typed;
    for (const scanned::Block &block : blocks) {
        const int typedBefore = typed.size();
        typed += QString(block.typed).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        QElapsedTimer sent;
        sent.start();
        session.simulator().write("\n"); // the simulator sends its next block
        qint64 firstTypedMs = -1;
        QString now;
        while ((now = readUtf8(typedFile)) != typed && !sent.hasExpired(kTypedWithinMs)) {
            if (firstTypedMs < 0 && now.size() > typedBefore)
                firstTypedMs = sent.elapsed();
            QTest::qWait(kTypedPollMs);
        }
        QCOMPARE(now, typed);
        qInfo("%d bytes: first character typed %lld ms after they were sent, all of them after %lld ms",
              int(block.bytes.size()), static_cast<long long>(firstTypedMs), static_cast<long long>(sent.elapsed()));
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(readUtf8(typedFile), typed); // nothing more arrives

    // The log pane, copied out through the clipboard that Wine shares with X.
    WineProgram::click(main->origin + QuillonSession::kLogPane);
    QuillonSession::xdotool({"key", "ctrl+a", "ctrl+c"});
    QTest::qWait(kClipboardSettleMs);
    const QString log = QGuiApplication::clipboard()->text();
    const QRegularExpression entry(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]Receive (\\d+) bytes data:"));
    QStringList sizes;
    for (auto it = entry.globalMatch(log); it.hasNext();)
        sizes << it.next().captured(1);
    QStringList sent;
    for (const scanned::Block &block : blocks)
        sent << QString::number(block.bytes.size());
    QCOMPARE(sizes, sent); // one entry for each block, in order
    QVERIFY2(log.contains(QStringLiteral("37 35 30 31 32 33 34 35 36 37 38 39 30 0D")), qPrintable(log));
    endProcess(quillon);
    endProcess(target);
}

// "Abrir" on a port that is not there: the notice in the corner, and the
// system's reason in the debug output.
void WindowsProgramTest::missingPortRefused()
{
    WineProgram wine;
    QVERIFY2(wine.failure().isEmpty(), qPrintable(wine.failure()));
    QuillonSession session;
    QProcess quillon;
    quillon.setProcessChannelMode(QProcess::MergedChannels);
    const std::optional<WineProgram::Window> main =
        startAndLogIn(wine, quillon, session, {QStringLiteral("--port"), kMissingPort});
    QVERIFY2(main, "the login window or the main window did not appear");
    WineProgram::click(main->origin + QuillonSession::kOpenButton);
    const auto notice = [&](const WineProgram::Window &window) {
        return window.size.width() == kNoticeWidth && window.title == kUntitledWindowTitle;
    };
    QVERIFY2(wine.waitForWindow(notice), "no notice");
    QByteArray output;
    QVERIFY2(waitForOutput(quillon, &output, "cannot open " + kMissingPort.toLatin1()), output.constData());
    endProcess(quillon);
}

QTEST_MAIN(WindowsProgramTest)
#include "tst_windowsprogram.moc"
