#pragma once

#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QWidget;

// Quillon as an operator runs it, driven from outside: the scanner simulator
// on a pseudo-terminal, Quillon as its own process in a fresh working folder,
// the login and the link opened by real clicks (xdotool) on the X server.
class QuillonSession
{
public:
    QuillonSession();
    ~QuillonSession();

    QString folder() const { return work.path(); }
    void writeConfig(int dateFormat, const QStringList &transmitEntries) const;

    // Starts the simulator with these extra arguments (after --link).
    bool startSimulator(const QStringList &arguments);
    QProcess &simulator() { return sim; }

    bool startQuillon();
    qint64 quillonPid() const { return quillon.processId(); }
    // Asks Quillon to stop (SIGTERM); true when it ended by itself.
    bool terminateQuillon();
    bool logIn();
    bool openLink();
    QString mainWindowId() const { return mainWindow; }

    // Copies the log pane's text out through the clipboard (Ctrl+A, Ctrl+C).
    QString copyLog();

    // Gives the keyboard focus to a window of this process (there is no
    // window manager under Xvfb to do it) and waits until it has it.
    static bool focus(QWidget &window);

    static bool xdotoolAvailable();
    static QString xdotool(const QStringList &arguments);

private:
    QString windowOf(QSize size) const;
    static void click(const QString &window, int x, int y);

    QTemporaryDir work;
    QProcess sim;
    QProcess quillon;
    QString mainWindow;
};
