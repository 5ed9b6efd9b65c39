#pragma once

#include <QList>
#include <QPoint>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

// Windows programs of the Windows build under Wine on the X server, in a
// Wine prefix made for the test and removed with it, its Wine server ended.
class WineProgram
{
public:
    // A top-level window as Windows sees it: its client area's size and the
    // area's top left corner on the screen, which is the X screen.
    struct Window
    {
        QSize size;
        QPoint origin;
        QString title;
    };

    WineProgram();
    ~WineProgram();

    // Where the Windows build lies; empty when the test was configured without one.
    static QString windowsBuild();
    static QString wine();
    // The prefix is made: empty, or why not.
    QString failure() const { return m_failure; }

    // COMnumber leads to target (a pseudo-terminal or a link to one).
    bool linkComPort(int number, const QString &target) const;
    // A path as Windows programs in the prefix name it.
    static QString windowsPath(const QString &path);
    // Starts a program of the Windows build (relative to it) in the prefix;
    // a locale sets Wine's code page.
    void start(QProcess &process, const QString &program, const QStringList &arguments, const QString &workingFolder,
               const QString &locale = {}) const;

    QList<Window> windows() const;
    // The first visible window of this size (any, when not valid) and title,
    // once it is there.
    std::optional<Window> waitForWindow(QSize size, const QString &title) const;
    // The first visible window that is wanted, once it is there.
    std::optional<Window> waitForWindow(const std::function<bool(const Window &)> &wanted) const;
    bool waitUntilGone(QSize size, const QString &title) const;
    static void click(QPoint onScreen);

private:
    QProcessEnvironment environment() const;

    QTemporaryDir m_prefix;
    QString m_failure;
};
