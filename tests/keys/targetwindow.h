#pragma once

#include <QProcess>
#include <QString>

// Runs the typing target program and talks to it over its standard input
// and output.
class TargetWindow
{
public:
    // platform: the Qt platform the target runs on (xcb, wayland).
    explicit TargetWindow(const QString &program, const QString &platform = QStringLiteral("xcb"));
    ~TargetWindow();

    // Starts the target and waits until its field has the keyboard focus.
    bool start(QString &error);
    bool clear();
    qint64 pid() const { return process.processId(); }
    QString text();
    // The field's text once it holds at least expectedLength characters or
    // has stopped changing.
    QString textOnceTyped(int expectedLength);

private:
    QByteArray ask(const QByteArray &command);

    QString program;
    QString platform;
    QProcess process;
};
