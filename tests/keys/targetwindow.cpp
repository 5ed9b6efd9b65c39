#include "targetwindow.h"

#include <QElapsedTimer>
#include <QThread>

#include <chrono>

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStartTimeout{10000};
constexpr milliseconds kReplyTimeout{5000};
constexpr milliseconds kFocusTimeout{10000};
constexpr milliseconds kPollInterval{50};
// The receiving program's queue drains within this after the last key.
constexpr milliseconds kSettleTimeout{3000};
constexpr int kStableReads = 4;

} // namespace

TargetWindow::TargetWindow(const QString &program, const QString &platform)
    : program(program)
    , platform(platform)
{
}

TargetWindow::~TargetWindow()
{
    if (process.state() != QProcess::NotRunning) {
        process.closeWriteChannel();
        if (!process.waitForFinished(int(kReplyTimeout.count())))
            process.kill();
        process.waitForFinished();
    }
}

bool TargetWindow::start(QString &error)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, QStringList());
    if (!process.waitForStarted(int(kStartTimeout.count()))) {
        error = QStringLiteral("cannot start %1: %2").arg(program, process.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kFocusTimeout.count()) {
        const QByteArray answer = ask("ready");
        if (answer == "ready")
            return true;
        if (answer.isEmpty()) {
            error = QStringLiteral("the typing target does not answer");
            return false;
        }
        QThread::msleep(kPollInterval.count());
    }
    error = QStringLiteral("the typing target never got the keyboard focus");
    return false;
}

bool TargetWindow::clear()
{
    return ask("clear") == "cleared";
}

QString TargetWindow::textOnceTyped(int expectedLength)
{
    QElapsedTimer clock;
    clock.start();
    QString seen;
    int stable = 0;
    while (clock.elapsed() < kSettleTimeout.count()) {
        const QString now = text();
        stable = now == seen ? stable + 1 : 0;
        seen = now;
        if (seen.size() >= expectedLength || stable >= kStableReads)
            break;
        QThread::msleep(kPollInterval.count());
    }
    return seen;
}

QString TargetWindow::text()
{
    return QString::fromUtf8(QByteArray::fromHex(ask("text")));
}

QByteArray TargetWindow::ask(const QByteArray &command)
{
    process.write(command + '\n');
    process.waitForBytesWritten(int(kReplyTimeout.count()));
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine()) {
        if (clock.elapsed() > kReplyTimeout.count() || !process.waitForReadyRead(int(kReplyTimeout.count())))
            return {};
    }
    return process.readLine().trimmed();
}
