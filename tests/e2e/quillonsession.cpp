#include "quillonsession.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

namespace {

constexpr int kProcessStartMs = 10000;
constexpr int kPollMs = 100;
constexpr int kClipboardSettleMs = 300;

// Where the widgets that the session clicks stand in their windows.
constexpr int kLoginButtonX = 150 + 75 / 2;
constexpr int kLoginButtonY = 140 + 23 / 2;
constexpr int kOpenButtonX = 10 + 500 + 75 / 2;
constexpr int kOpenButtonY = 10 + 30 + 23 / 2;
constexpr int kLogPaneX = 650 + 381 / 2;
constexpr int kLogPaneY = 40 + 671 / 2;
const QSize kLoginWindowSize(483, 225);
const QSize kMainWindowSize(1035, 765);

} // namespace

QuillonSession::QuillonSession()
{
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    quillon.setProcessChannelMode(QProcess::ForwardedChannels);
}

QuillonSession::~QuillonSession()
{
    for (QProcess *p : {&quillon, &sim}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(3000))
            p->kill();
        p->waitForFinished(3000);
    }
}

void QuillonSession::writeConfig(int dateFormat, const QStringList &transmitEntries) const
{
    QSettings config(work.filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
    config.setValue(QStringLiteral("Basic/DateFormat"), dateFormat);
    config.beginWriteArray(QStringLiteral("Transmit"));
    for (int i = 0; i < transmitEntries.size(); ++i) {
        config.setArrayIndex(i);
        config.setValue(QStringLiteral("Field"), transmitEntries[i]);
    }
    config.endArray();
}

bool QuillonSession::startSimulator(const QStringList &arguments)
{
    const QString link = work.filePath(QStringLiteral("scanner"));
    sim.start(QStringLiteral(QUILLON_SIM_BINARY), QStringList{"--link", link} + arguments);
    if (!sim.waitForStarted(kProcessStartMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(link) && clock.elapsed() < kProcessStartMs)
        QTest::qWait(kPollMs);
    return QFile::exists(link);
}

bool QuillonSession::startQuillon()
{
    quillon.setWorkingDirectory(work.path());
    quillon.start(QStringLiteral(QUILLON_BINARY), {"--port", work.filePath(QStringLiteral("scanner"))});
    return quillon.waitForStarted(kProcessStartMs);
}

bool QuillonSession::terminateQuillon()
{
    quillon.terminate();
    return quillon.waitForFinished(kProcessStartMs) && quillon.exitStatus() == QProcess::NormalExit;
}

bool QuillonSession::logIn()
{
    const QString login = windowOf(kLoginWindowSize);
    if (login.isEmpty())
        return false;
    click(login, kLoginButtonX, kLoginButtonY);
    mainWindow = windowOf(kMainWindowSize);
    return !mainWindow.isEmpty();
}

bool QuillonSession::openLink()
{
    if (mainWindow.isEmpty())
        return false;
    click(mainWindow, kOpenButtonX, kOpenButtonY);
    return true;
}

QString QuillonSession::copyLog()
{
    xdotool({"windowfocus", "--sync", mainWindow});
    click(mainWindow, kLogPaneX, kLogPaneY);
    xdotool({"key", "ctrl+a", "ctrl+c"});
    QTest::qWait(kClipboardSettleMs);
    return QGuiApplication::clipboard()->text();
}

bool QuillonSession::focus(QWidget &window)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kProcessStartMs) {
        xdotool({"windowfocus", "--sync", QString::number(window.winId())});
        window.activateWindow();
        window.setFocus();
        QTest::qWait(kPollMs);
        if (window.isActiveWindow() && window.hasFocus())
            return true;
    }
    return false;
}

bool QuillonSession::xdotoolAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

QString QuillonSession::xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(kProcessStartMs);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
}

// The first visible window of Quillon's process with the given size.
QString QuillonSession::windowOf(QSize size) const
{
    const QString wanted = QStringLiteral("Geometry: %1x%2").arg(size.width()).arg(size.height());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kProcessStartMs) {
        const QStringList ids = xdotool({"search", "--onlyvisible", "--pid", QString::number(quillon.processId())})
                                    .split('\n', Qt::SkipEmptyParts);
        for (const QString &id : ids)
            if (xdotool({"getwindowgeometry", id}).contains(wanted))
                return id;
        QTest::qWait(kPollMs);
    }
    return {};
}

void QuillonSession::click(const QString &window, int x, int y)
{
    xdotool({"mousemove", "--window", window, QString::number(x), QString::number(y)});
    xdotool({"click", "1"});
}
