#pragma once

#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>

class QWidget;
namespace scanned {
struct Block;
}

// Quillon as an operator runs it, driven from outside: the scanner simulator
// on a pseudo-terminal, Quillon as its own process in a fresh working folder,
// the login and the link opened by real clicks (xdotool) on the X server.
class QuillonSession
{
public:
    // Where the widgets that a session clicks stand in their windows.
    static constexpr QPoint kLoginButton{150 + 75 / 2, 140 + 23 / 2};
    static constexpr QPoint kOpenButton{10 + 500 + 75 / 2, 10 + 30 + 23 / 2};
    static constexpr QPoint kSpeedBox{10 + 370 + 101 / 2, 10 + 30 + 22 / 2};
    static constexpr QPoint kLogPane{650 + 381 / 2, 40 + 671 / 2};
    static constexpr QSize kLoginWindowSize{483, 225};
    static constexpr QSize kMainWindowSize{1035, 765};

    QuillonSession();
    ~QuillonSession();

    QString folder() const { return work.path(); }
    void writeConfig(int dateFormat, const QStringList &transmitEntries) const;

    // Starts the simulator with these extra arguments (after --link).
    bool startSimulator(const QStringList &arguments);
    // Starts the simulator so that it sends these blocks, one for each line
    // written to its standard input; lineArguments shape the line (--byte-gap).
    bool startSimulatorSending(const QList<scanned::Block> &blocks, const QStringList &lineArguments = {});
    QProcess &simulator() { return sim; }

    // Another build of Quillon to run (the benchmark compares two).
    void setQuillonProgram(const QString &path) { program = path; }
    bool startQuillon();
    qint64 quillonPid() const { return quillon.processId(); }
    // Asks Quillon to stop with signal (SIGTERM by default, as a desktop's
    // log-out does); true when it ended by itself.
    bool terminateQuillon(int signal = SIGTERM);
    bool logIn();
    bool openLink();
    // Picks the first speed of the list, 9600 baud, before the link opens.
    bool chooseSlowestSpeed();
    QString mainWindowId() const { return mainWindow; }
    // How many of Quillon's windows are on screen now (the main window, and
    // a notice when one is shown).
    int visibleWindowCount() const;

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
    QString program;
    QString mainWindow;
};
