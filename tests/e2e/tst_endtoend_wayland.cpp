// The whole road on a Wayland desktop: a headless sway of the test's own,
// Quillon running natively on it with the scanner simulator, logged in and
// linked by clicks through sway's seat, and the typing target (also native)
// holding the keyboard focus while the scanner sends two cards and a barcode.
#include "headlesssway.h"
#include "quillonsession.h"
#include "scannedblocks.h"
#include "targetwindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <functional>

namespace {

constexpr int kStartMs = 10000;
constexpr int kTypedWithinMs = 15000;
constexpr int kHandshakeSettleMs = 1500;
constexpr int kQuietAfterMs = 500;
constexpr int kPollMs = 100;

// The first visible window of process pid with a surface of this size.
HeadlessSway::Window windowOf(const HeadlessSway &sway, qint64 pid, QSize size)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartMs) {
        for (const HeadlessSway::Window &window : sway.windows()) {
            if (window.pid == pid && window.visible && window.content.size() == size)
                return window;
        }
        QTest::qWait(kPollMs);
    }
    return {};
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(kPollMs);
    }
    return true;
}

} // namespace

class WaylandEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void scannerToTypedText();
};

void WaylandEndToEndTest::initTestCase()
{
    const QString missing = HeadlessSway::missing();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
}

void WaylandEndToEndTest::scannerToTypedText()
{
    HeadlessSway sway;
    QString error;
    QVERIFY2(sway.start(error), qPrintable(error));
    sway.exportToThisProcess();

    QProcess pointer;
    pointer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pointer.start(QStringLiteral(QUILLON_VIRTUAL_POINTER), QStringList());
    QVERIFY2(pointer.waitForReadyRead(kStartMs) && pointer.readLine().trimmed() == "ready",
             "the virtual pointer did not come up");

    QuillonSession session;
    session.writeConfig(scanned::kDateFormat, scanned::transmitFields());
    const QList<scanned::Block> blocks = scanned::blocks();
    QVERIFY(session.startSimulatorSending(blocks));

    TargetWindow target(QStringLiteral(QUILLON_TYPING_TARGET), QStringLiteral("wayland"));
    QVERIFY2(target.start(error), qPrintable(error));

    qputenv("QT_QPA_PLATFORM", "wayland");
    QVERIFY(session.startQuillon());
    const HeadlessSway::Window login = windowOf(sway, session.quillonPid(), QuillonSession::kLoginWindowSize);
    QVERIFY2(login.pid != 0, "the login window did not appear");
    QVERIFY(sway.click(login.content.topLeft() + QuillonSession::kLoginButton));
    const HeadlessSway::Window main = windowOf(sway, session.quillonPid(), QuillonSession::kMainWindowSize);
    QVERIFY2(main.pid != 0, "the main window did not appear after the login");
    QVERIFY(sway.click(main.content.topLeft() + QuillonSession::kOpenButton));
    QTest::qWait(kHandshakeSettleMs);

    QVERIFY(sway.focus(target.pid()));
    QVERIFY2(waitFor([&] { return sway.focusedPid() == target.pid(); }, kStartMs),
             "the typing target never got the keyboard focus");

    QString typed;
    for (const scanned::Block &block : blocks) {
        session.simulator().write("\n"); // the simulator sends its next block
        typed += block.typed;
        QString text;
        waitFor([&] { return (text = target.text()) == typed; }, kTypedWithinMs);
        QCOMPARE(text, typed);
    }
    QTest::qWait(kQuietAfterMs);
    QCOMPARE(target.text(), typed); // nothing more arrives

    pointer.closeWriteChannel();
    QVERIFY(pointer.waitForFinished(kStartMs));
}

QTEST_GUILESS_MAIN(WaylandEndToEndTest)
#include "tst_endtoend_wayland.moc"
