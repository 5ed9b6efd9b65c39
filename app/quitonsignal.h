#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loops when the process is asked to stop (SIGTERM, SIGINT,
// SIGHUP, SIGQUIT), so that the windows are destroyed as on a normal exit and
// the keyboard puts back the keycodes it borrowed from the X keymap. The same
// signal a second time ends the process at once. Does nothing where there are no
// such signals.
class QuitOnSignal : public QObject
{
public:
    QuitOnSignal();
    ~QuitOnSignal() override;

private:
    QSocketNotifier *notifier = nullptr;
};
