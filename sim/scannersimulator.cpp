#include "scannersimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds kListenerCheckInterval{100};
constexpr std::chrono::milliseconds kLongestSleep{1000};
constexpr size_t kReadChunkBytes = 512;
constexpr long long kNanosecondsPerSecond = 1000000000LL;
const QByteArray kNoise = QByteArrayLiteral("\xFF\x13noise\xA5");

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

QByteArray hexOf(const QByteArray &bytes) { return bytes.toHex(' ').toUpper(); }

} // namespace

ScannerSimulator::ScannerSimulator(const SimOptions &options, int masterFd)
    : m_options(options), m_masterFd(masterFd), m_persona(options.version, options.model)
{
}

void ScannerSimulator::run(const volatile bool &stopFlag)
{
    while (!stopFlag) {
        const Clock::time_point now = Clock::now();
        if (!m_listening && now >= m_nextListenerCheck)
            checkForListener(now);
        if (m_nextBlockDue && now >= *m_nextBlockDue) {
            queueNextBlock(now);
            m_nextBlockDue.reset();
            if (m_options.repeat)
                m_nextBlockDue = now + *m_options.repeat;
        }
        writeDue(now);

        pollfd fds[2] = {};
        nfds_t count = 0;
        int masterIndex = -1;
        int inputIndex = -1;
        if (m_listening) {
            masterIndex = static_cast<int>(count);
            fds[count++] = {m_masterFd, POLLIN, 0};
        }
        if (m_watchInput) {
            inputIndex = static_cast<int>(count);
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        if (poll(fds, count, pollTimeoutMs(now)) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("poll");
            return;
        }
        if (masterIndex >= 0) {
            if (fds[masterIndex].revents & POLLIN)
                readCommands();
            else if (fds[masterIndex].revents & (POLLHUP | POLLERR))
                loseListener();
        }
        if (inputIndex >= 0 && fds[inputIndex].revents)
            readStandardInput();
    }
}

void ScannerSimulator::checkForListener(Clock::time_point now)
{
    pollfd probe{m_masterFd, POLLIN, 0};
    poll(&probe, 1, 0);
    if (probe.revents & POLLHUP) {
        m_nextListenerCheck = now + kListenerCheckInterval;
        return;
    }
    m_listening = true;
    std::printf("port opened\n");
}

void ScannerSimulator::loseListener()
{
    m_listening = false;
    m_commands = CommandStream();
    m_writes.clear();
    m_nextBlockDue.reset();
    m_nextListenerCheck = Clock::now() + kListenerCheckInterval;
    std::printf("port closed\n");
}

void ScannerSimulator::readCommands()
{
    char chunk[kReadChunkBytes];
    const ssize_t got = read(m_masterFd, chunk, sizeof(chunk));
    if (got <= 0) {
        if (got < 0 && errno == EAGAIN)
            return;
        loseListener();
        return;
    }
    const QByteArray bytes(chunk, static_cast<int>(got));
    std::printf("received %s\n", hexOf(bytes).constData());
    m_commands.append(bytes);
    const Clock::time_point now = Clock::now();
    while (const std::optional<ScannerCommand> command = m_commands.next())
        answer(*command, now);
}

void ScannerSimulator::readStandardInput()
{
    char chunk[kReadChunkBytes];
    const ssize_t got = read(STDIN_FILENO, chunk, sizeof(chunk));
    if (got <= 0) {
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        m_watchInput = false; // standard input ended; timers may still send
        return;
    }
    const Clock::time_point now = Clock::now();
    for (ssize_t i = 0; i < got; ++i) {
        if (chunk[i] == '\n')
            queueNextBlock(now);
    }
}

void ScannerSimulator::answer(const ScannerCommand &command, Clock::time_point now)
{
    if (m_options.silent) {
        std::printf("ignored command %02X\n", command.opcode);
        return;
    }
    QByteArray reply = m_persona.replyTo(command);
    if (m_options.garbageFirst)
        reply.prepend(kNoise);
    // The pieces split the reply as evenly as they can; each follows the
    // previous one after the gap, and a reply starts after the pieces of
    // the replies before it.
    Clock::time_point due = now;
    for (const PendingWrite &write : m_writes) {
        if (!write.dataBlock)
            due = std::max(due, write.due + m_options.pieceGap);
    }
    const int pieces = std::min(m_options.replyPieces, static_cast<int>(reply.size()));
    int start = 0;
    for (int i = 0; i < pieces; ++i) {
        const int end = static_cast<int>(reply.size()) * (i + 1) / pieces;
        m_writes.push_back({due + i * m_options.pieceGap, reply.mid(start, end - start), false});
        start = end;
    }
    if (command.opcode == kQueryOpcode && command.parameterId == kModelParameter
        && (m_options.delay || m_options.repeat))
        m_nextBlockDue = now + (m_options.delay ? *m_options.delay : *m_options.repeat);
}

void ScannerSimulator::queueNextBlock(Clock::time_point due)
{
    if (m_options.blocks.isEmpty())
        return;
    m_writes.push_back({due, m_options.blocks.at(m_nextBlock), true});
    m_nextBlock = (m_nextBlock + 1) % m_options.blocks.size();
}

void ScannerSimulator::writeDue(Clock::time_point now)
{
    std::stable_sort(m_writes.begin(), m_writes.end(),
                     [](const PendingWrite &a, const PendingWrite &b) { return a.due < b.due; });
    while (!m_writes.empty() && m_writes.front().due <= now) {
        const PendingWrite write = m_writes.front();
        m_writes.pop_front();
        if (m_listening)
            writeBytes(write.bytes, write.dataBlock);
        else if (write.dataBlock)
            std::printf("not written: no program has the port open\n");
    }
}

void ScannerSimulator::writeBytes(const QByteArray &bytes, bool dataBlock)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(m_masterFd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // The port's user is not reading and the line is full.
            std::printf("dropped %lld bytes: the line is full\n", static_cast<long long>(bytes.size() - done));
            return;
        }
        done += put;
    }
    tcdrain(m_masterFd);
    if (!dataBlock)
        std::printf("answered %s\n", hexOf(bytes).constData());
    else if (m_options.timestamps)
        std::printf("sent %lld bytes %lld\n", static_cast<long long>(bytes.size()), monotonicNanoseconds());
    else
        std::printf("sent %lld bytes\n", static_cast<long long>(bytes.size()));
}

int ScannerSimulator::pollTimeoutMs(Clock::time_point now) const
{
    Clock::time_point wake = now + kLongestSleep;
    if (!m_writes.empty())
        wake = std::min(wake, std::min_element(m_writes.begin(), m_writes.end(), [](const auto &a, const auto &b) {
                                  return a.due < b.due;
                              })->due);
    if (m_nextBlockDue)
        wake = std::min(wake, *m_nextBlockDue);
    if (!m_listening)
        wake = std::min(wake, m_nextListenerCheck);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now);
    return static_cast<int>(std::max<long long>(0, wait.count()));
}
