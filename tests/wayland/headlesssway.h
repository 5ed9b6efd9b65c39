#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A sway compositor of the test's own: headless, drawn in software, without
// input devices or XWayland, with a private runtime folder that is removed
// with it. sway refuses to run as root, so under root it runs as the
// unprivileged user "nobody"; the test's processes reach it as root.
class HeadlessSway
{
public:
    struct Window
    {
        qint64 pid = 0;
        QRect content; // where the program's surface stands on the output
        bool visible = false;
        bool focused = false;
    };

    HeadlessSway();
    ~HeadlessSway();

    // Why the tests cannot run here (sway missing), else empty.
    static QString missing();
    bool start(QString &error);

    // The compositor's socket as an absolute path, for WAYLAND_DISPLAY.
    QString waylandDisplay() const { return display; }
    // Points this process (and what it starts from now on) at the compositor.
    void exportToThisProcess() const;
    // Runs swaymsg with arguments; its output, empty on failure.
    QByteArray message(const QStringList &arguments) const;
    QList<Window> windows() const;
    // The pid of the process whose window has the keyboard focus, 0 if none.
    qint64 focusedPid() const;
    // Gives the keyboard focus to the window of process pid.
    bool focus(qint64 pid) const;
    // A click of the left button at a point of the output. Needs a pointer on
    // the seat (headless sway has none of its own).
    bool click(QPoint at) const;

private:
    QTemporaryDir runtime;
    QProcess sway;
    QString display;
    QString ipcSocket;
};
