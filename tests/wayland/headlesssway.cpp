#include "headlesssway.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <chrono>

#include <pwd.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStartTimeout{15000};
constexpr milliseconds kStopTimeout{5000};
constexpr milliseconds kPollInterval{50};
const QString kUnprivilegedUser = QStringLiteral("nobody");

// One output the size of the test windows' screen; no bar, no wallpaper, no
// XWayland, and the keyboard focus only where the test puts it.
const QByteArray kConfig = "xwayland disable\n"
                           "output HEADLESS-1 resolution 1280x1024 position 0 0\n"
                           "focus_follows_mouse no\n"
                           "default_border none\n";

QRect rectOf(const QJsonValue &value)
{
    const QJsonObject rect = value.toObject();
    return QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                 rect.value(QStringLiteral("width")).toInt(), rect.value(QStringLiteral("height")).toInt());
}

// The windows of sway's layout tree (the nodes that belong to a process).
void collectWindows(const QJsonObject &node, QList<HeadlessSway::Window> &windows)
{
    if (node.contains(QStringLiteral("pid"))) {
        HeadlessSway::Window window;
        window.pid = qint64(node.value(QStringLiteral("pid")).toDouble());
        const QRect container = rectOf(node.value(QStringLiteral("rect")));
        const QRect inner = rectOf(node.value(QStringLiteral("window_rect")));
        const QRect surface = rectOf(node.value(QStringLiteral("geometry")));
        window.content = QRect(container.topLeft() + inner.topLeft(), surface.size());
        window.visible = node.value(QStringLiteral("visible")).toBool();
        window.focused = node.value(QStringLiteral("focused")).toBool();
        windows << window;
    }
    for (const QString &children : {QStringLiteral("nodes"), QStringLiteral("floating_nodes")}) {
        for (const QJsonValue &child : node.value(children).toArray())
            collectWindows(child.toObject(), windows);
    }
}

} // namespace

HeadlessSway::HeadlessSway()
{
    sway.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sway.setStandardOutputFile(QProcess::nullDevice());
}

HeadlessSway::~HeadlessSway()
{
    if (sway.state() != QProcess::NotRunning) {
        sway.terminate();
        if (!sway.waitForFinished(int(kStopTimeout.count())))
            sway.kill();
        sway.waitForFinished();
    }
}

QString HeadlessSway::missing()
{
    for (const QString &tool : {QStringLiteral("sway"), QStringLiteral("swaymsg")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return QStringLiteral("%1 is not installed (apt-get install sway): no Wayland compositor to test on").arg(tool);
    }
    return {};
}

bool HeadlessSway::start(QString &error)
{
    if (!runtime.isValid()) {
        error = QStringLiteral("cannot make a runtime folder: %1").arg(runtime.errorString());
        return false;
    }
    const QString config = runtime.filePath(QStringLiteral("config"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(kConfig) != kConfig.size()) {
        error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();

    QString program = QStringLiteral("sway");
    QStringList arguments{QStringLiteral("-c"), config};
    if (geteuid() == 0) {
        const passwd *user = getpwnam(kUnprivilegedUser.toLatin1().constData());
        if (!user) {
            error = QStringLiteral("no user %1 to run sway as").arg(kUnprivilegedUser);
            return false;
        }
        const QByteArray folder = QFile::encodeName(runtime.path());
        if (chown(folder.constData(), user->pw_uid, user->pw_gid) != 0
            || chown(QFile::encodeName(config).constData(), user->pw_uid, user->pw_gid) != 0) {
            error = QStringLiteral("cannot hand %1 to %2").arg(runtime.path(), kUnprivilegedUser);
            return false;
        }
        arguments = QStringList{QStringLiteral("--reuid=%1").arg(user->pw_uid),
                                QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--clear-groups"),
                                QStringLiteral("--"), program}
                    + arguments;
        program = QStringLiteral("setpriv");
    }

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), runtime.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    sway.setProcessEnvironment(environment);
    sway.start(program, arguments);
    if (!sway.waitForStarted(int(kStartTimeout.count()))) {
        error = QStringLiteral("cannot start sway: %1").arg(sway.errorString());
        return false;
    }

    // The socket names are sway's choice: wayland-N and sway-ipc.UID.PID.sock.
    QElapsedTimer clock;
    clock.start();
    const QDir folder(runtime.path());
    while (clock.elapsed() < kStartTimeout.count() && sway.state() == QProcess::Running) {
        const QStringList wayland = folder.entryList({QStringLiteral("wayland-*")}, QDir::System);
        const QStringList ipc = folder.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
        if (!wayland.isEmpty() && !ipc.isEmpty()) {
            display = folder.filePath(wayland.first());
            ipcSocket = folder.filePath(ipc.first());
            if (!message({QStringLiteral("-t"), QStringLiteral("get_version")}).isEmpty())
                return true;
        }
        QThread::msleep(kPollInterval.count());
    }
    error = QStringLiteral("sway did not come up (see its output above)");
    return false;
}

void HeadlessSway::exportToThisProcess() const
{
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(display));
    qputenv("SWAYSOCK", QFile::encodeName(ipcSocket));
}

QByteArray HeadlessSway::message(const QStringList &arguments) const
{
    QProcess swaymsg;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SWAYSOCK"), ipcSocket);
    swaymsg.setProcessEnvironment(environment);
    swaymsg.start(QStringLiteral("swaymsg"), arguments);
    if (!swaymsg.waitForFinished(int(kStopTimeout.count())) || swaymsg.exitCode() != 0) {
        swaymsg.kill();
        swaymsg.waitForFinished();
        return {};
    }
    return swaymsg.readAllStandardOutput();
}

QList<HeadlessSway::Window> HeadlessSway::windows() const
{
    QList<Window> windows;
    const QByteArray tree = message({QStringLiteral("-t"), QStringLiteral("get_tree")});
    collectWindows(QJsonDocument::fromJson(tree).object(), windows);
    return windows;
}

qint64 HeadlessSway::focusedPid() const
{
    for (const Window &window : windows()) {
        if (window.focused)
            return window.pid;
    }
    return 0;
}

bool HeadlessSway::focus(qint64 pid) const
{
    return !message({QStringLiteral("[pid=%1] focus").arg(pid)}).isEmpty();
}

bool HeadlessSway::click(QPoint at) const
{
    const QString seat = QStringLiteral("seat seat0 cursor ");
    return !message({seat + QStringLiteral("set %1 %2").arg(at.x()).arg(at.y())}).isEmpty()
           && !message({seat + QStringLiteral("press button1")}).isEmpty()
           && !message({seat + QStringLiteral("release button1")}).isEmpty();
}
