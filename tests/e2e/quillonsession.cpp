#include "quillonsession.h"

#include "scannedblocks.h"

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
constexpr int kPopupSettleMs = 300;

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

bool QuillonSession::startSimulatorSending(const QList<scanned::Block> &blocks, const QStringList &lineArguments)
{
    QStringList arguments = lineArguments;
    for (int i = 0; i < blocks.size(); ++i) {
        QFile file(work.filePath(QStringLiteral("block%1.bin").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(blocks[i].bytes) != blocks[i].bytes.size())
            return false;
        arguments << QStringLiteral("--send-file") << file.fileName();
    }
    return startSimulator(arguments);
}

bool QuillonSession::startQuillon()
{
    quillon.setWorkingDirectory(work.path());
    // Quillon keeps the port it last identified a scanner on per user; the
    // session's user is a folder of its own.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("user-config")));
    quillon.setProcessEnvironment(environment);
    quillon.start(program.isEmpty() ? QStringLiteral(QUILLON_BINARY) : program,
                  {"--port", work.filePath(QStringLiteral("scanner"))});
    return quillon.waitForStarted(kProcessStartMs);
}

bool QuillonSession::terminateQuillon(int signal)
{
    kill(pid_t(quillon.processId()), signal);
    return quillon.waitForFinished(kProcessStartMs) && quillon.exitStatus() == QProcess::NormalExit;
}

bool QuillonSession::logIn()
{
    const QString login = windowOf(kLoginWindowSize);
    if (login.isEmpty())
        return false;
    click(login, kLoginButton.x(), kLoginButton.y());
    mainWindow = windowOf(kMainWindowSize);
    return !mainWindow.isEmpty();
}

bool QuillonSession::openLink()
{
    if (mainWindow.isEmpty())
        return false;
    click(mainWindow, kOpenButton.x(), kOpenButton.y());
    return true;
}

bool QuillonSession::chooseSlowestSpeed()
{
    if (mainWindow.isEmpty())
        return false;
    // The click opens the list; the keys go to it.
    click(mainWindow, kSpeedBox.x(), kSpeedBox.y());
    QTest::qWait(kPopupSettleMs);
    xdotool({"key", "Home", "Return"});
    return true;
}

QString QuillonSession::copyLog()
{
    xdotool({"windowfocus", "--sync", mainWindow});
    click(mainWindow, kLogPane.x(), kLogPane.y());
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

int QuillonSession::visibleWindowCount() const
{
    return xdotool({"search", "--onlyvisible", "--pid", QString::number(quillon.processId())})
        .split('\n', Qt::SkipEmptyParts)
        .size();
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
