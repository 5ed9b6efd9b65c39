#include "quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX
namespace {

// The handler may only write to a descriptor; the event loop reads it.
int signalPipe[2] = {-1, -1};
// A closed terminal (SIGHUP) and Ctrl+\ (SIGQUIT) stop Quillon too: the
// keymap must be put back then as well.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// The signal may land between a failed call and the look at its errno in
// the code it interrupts: the write must not change what that code sees.
void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitOnSignal::QuitOnSignal()
{
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = read(signalPipe[1], &byte, 1);
        notifier->setEnabled(false);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signalNumber : kStopSignals)
        sigaction(signalNumber, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal()
{
    for (int signalNumber : kStopSignals)
        std::signal(signalNumber, SIG_DFL);
    delete notifier;
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}
#else
QuitOnSignal::QuitOnSignal() = default;
QuitOnSignal::~QuitOnSignal() = default;
#endif
