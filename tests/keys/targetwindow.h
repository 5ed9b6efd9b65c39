#pragma once

#include <QProcess>
#include <QString>

// Runs the typing target program and talks to it over its standard input
// and output.
class TargetWindow
{
public:
    explicit TargetWindow(const QString &program);
    ~TargetWindow();

    // Starts the target and waits until its field has the keyboard focus.
    bool start(QString &error);
    bool clear();
    // The field's text once it holds at least expectedLength characters or
    // has stopped changing.
    QString textOnceTyped(int expectedLength);

private:
    QByteArray ask(const QByteArray &command);

    QString program;
    QProcess process;
};
