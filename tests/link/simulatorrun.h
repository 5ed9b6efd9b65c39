#pragma once

// The simulator program as a test drives it: one run in a scratch folder,
// and the host's end of its line.
#include "frames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

constexpr int kStartMs = 5000;
constexpr int kReplyWithinMs = 2000;
constexpr int kPollSliceMs = 10;

// The host's end of the simulator's line, opened through the --link path.
class HostEnd
{
public:
    ~HostEnd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool open(const QString &path, speed_t speed = B115200)
    {
        if (fd >= 0)
            ::close(fd);
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (fd < 0 || ::tcgetattr(fd, &raw) != 0)
            return false;
        ::cfmakeraw(&raw);
        ::cfsetspeed(&raw, speed);
        return ::tcsetattr(fd, TCSANOW, &raw) == 0;
    }
    // Whether the scanner's end went away: the line hangs up.
    bool hungUp(int withinMs)
    {
        pollfd line{fd, POLLIN, 0};
        return ::poll(&line, 1, withinMs) > 0 && (line.revents & POLLHUP);
    }
    bool write(const QByteArray &bytes) { return ::write(fd, bytes.constData(), bytes.size()) == bytes.size(); }

    // Reads until `done` says the bytes are complete or the time is up.
    QByteArray readUntil(const std::function<bool(const QByteArray &)> &done, int withinMs)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (!done(got) && clock.elapsed() < withinMs) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, kPollSliceMs) <= 0)
                continue;
            char chunk[512];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0)
                got.append(chunk, static_cast<int>(n));
        }
        return got;
    }
    QByteArray readReply()
    {
        return readUntil([](const QByteArray &b) { return isResponseFrame(b.constData(), b.size()); }, kReplyWithinMs);
    }
    QByteArray readBytes(int count, int withinMs = kReplyWithinMs)
    {
        return readUntil([count](const QByteArray &b) { return b.size() >= count; }, withinMs);
    }

private:
    int fd = -1;
};

// One run of quillon-scanner-sim in a scratch folder.
class SimulatorRun
{
public:
    ~SimulatorRun()
    {
        process.terminate();
        if (!process.waitForFinished(kStartMs))
            process.kill();
    }
    QString linkPath() const { return folder.filePath(QStringLiteral("scanner")); }
    bool start(const QStringList &arguments)
    {
        const QString linkPath = this->linkPath();
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(QUILLON_SIM_BINARY), QStringList{"--link", linkPath} + arguments);
        if (!process.waitForStarted(kStartMs))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(linkPath) && clock.elapsed() < kStartMs)
            QTest::qWait(kPollSliceMs);
        return host.open(linkPath);
    }
    QString file(const QString &name, const QByteArray &contents)
    {
        QFile f(folder.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(contents);
        return f.fileName();
    }
    // A line on the simulator's standard input, as the end-to-end test types it.
    bool typeLine()
    {
        process.write("\n");
        return process.waitForBytesWritten(kStartMs);
    }
    // The lines the simulator printed so far that start with `prefix`.
    QList<QByteArray> linesStarting(const QByteArray &prefix)
    {
        output += process.readAllStandardOutput();
        QList<QByteArray> lines;
        for (const QByteArray &line : output.split('\n')) {
            if (line.startsWith(prefix))
                lines << line;
        }
        return lines;
    }

    QTemporaryDir folder;
    QProcess process;
    QByteArray output;
    HostEnd host;
};
