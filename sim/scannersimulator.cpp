#include "scannersimulator.h"

#include "simulatorline.h"

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

ScannerSimulator::ScannerSimulator(const SimOptions &options, SimulatorLine &line)
    : m_options(options), m_line(line), m_persona(options.version, options.model)
{
}

void ScannerSimulator::run(const volatile bool &stopFlag)
{
    while (!stopFlag) {
        const Clock::time_point now = Clock::now();
        handleCable(now);
        if (!m_listening && m_line.pluggedIn() && now >= m_nextListenerCheck)
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
            fds[count++] = {m_line.masterFd(), POLLIN, 0};
        }
        if (m_watchInput) {
            inputIndex = static_cast<int>(count);
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        const auto timeout = pollTimeout(now);
        const timespec wait{static_cast<time_t>(timeout.count() / kNanosecondsPerSecond),
                            static_cast<long>(timeout.count() % kNanosecondsPerSecond)};
        if (ppoll(fds, count, &wait, nullptr) < 0) {
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

// The cable is pulled once, a while after the first program opened the
// port, and plugged in again a while later when asked.
void ScannerSimulator::handleCable(Clock::time_point now)
{
    if (m_unplugDue && now >= *m_unplugDue) {
        m_unplugDue.reset();
        m_unpluggedOnce = true;
        loseListener();
        m_line.pullOut();
        std::printf("unplugged\n");
        if (m_options.replugAfter)
            m_replugDue = now + *m_options.replugAfter;
    }
    if (m_replugDue && now >= *m_replugDue) {
        m_replugDue.reset();
        QString errorText;
        if (m_line.plugIn(&errorText))
            std::printf("plugged in %s\n", qPrintable(m_line.slavePath()));
        else
            std::printf("cannot plug in again: %s\n", qPrintable(errorText));
        m_nextListenerCheck = now;
    }
}

void ScannerSimulator::checkForListener(Clock::time_point now)
{
    pollfd probe{m_line.masterFd(), POLLIN, 0};
    poll(&probe, 1, 0);
    if (probe.revents & POLLHUP) {
        m_nextListenerCheck = now + kListenerCheckInterval;
        return;
    }
    m_listening = true;
    std::printf("port opened\n");
    if (m_options.unplugAfter && !m_unpluggedOnce && !m_unplugDue)
        m_unplugDue = now + *m_options.unplugAfter;
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
    const ssize_t got = read(m_line.masterFd(), chunk, sizeof(chunk));
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
        if (chunk[i] != '\n')
            continue;
        if (m_options.blocks.isEmpty())
            std::printf("nothing to send: name samples with --send or files with --send-file\n");
        else
            queueNextBlock(now);
    }
}

void ScannerSimulator::answer(const ScannerCommand &command, Clock::time_point now)
{
    if (m_options.silent) {
        std::printf("ignored command %02X\n", command.opcode);
        return;
    }
    if (!atAgreedSpeed("command not understood"))
        return;
    QByteArray reply = m_persona.replyTo(command);
    if (m_options.garbageFirst)
        reply.prepend(kNoise);
    // A reply starts after the pieces of the replies before it.
    const bool byteByByte = m_options.byteGap.count() > 0;
    const std::chrono::milliseconds gap = byteByByte ? m_options.byteGap : m_options.pieceGap;
    Clock::time_point due = now;
    for (const PendingWrite &write : m_writes) {
        if (!write.dataBlock)
            due = std::max(due, write.due + gap);
    }
    schedule(reply, due, byteByByte ? static_cast<int>(reply.size()) : m_options.replyPieces, gap, false);
    if (command.opcode == kQueryOpcode && command.parameterId == kModelParameter
        && (m_options.delay || m_options.repeat))
        m_nextBlockDue = now + (m_options.delay ? *m_options.delay : *m_options.repeat);
}

void ScannerSimulator::queueNextBlock(Clock::time_point due)
{
    if (m_options.blocks.isEmpty())
        return;
    const QByteArray &block = m_options.blocks.at(m_nextBlock);
    schedule(block, due, m_options.byteGap.count() > 0 ? static_cast<int>(block.size()) : 1, m_options.byteGap, true);
    m_nextBlock = (m_nextBlock + 1) % m_options.blocks.size();
}

// The pieces split the bytes as evenly as they can; each follows the
// previous one after the gap.
void ScannerSimulator::schedule(const QByteArray &bytes, Clock::time_point due, int pieces,
                                std::chrono::milliseconds gap, bool dataBlock)
{
    const int size = static_cast<int>(bytes.size());
    const int count = std::max(1, std::min(pieces, size));
    int start = 0;
    for (int i = 0; i < count; ++i) {
        const int end = size * (i + 1) / count;
        const bool last = i + 1 == count;
        m_writes.push_back(
            {due + i * gap, bytes.mid(start, end - start), dataBlock, last ? bytes : QByteArray(), i + 1, count});
        start = end;
    }
}

// At another speed than the scanner's, what either side sends is noise to
// the other: the scanner neither answers nor sends. `what` is said when it
// is not null.
bool ScannerSimulator::atAgreedSpeed(const char *what)
{
    if (!m_options.baud)
        return true;
    const int speed = m_line.lineSpeed();
    if (speed == *m_options.baud)
        return true;
    if (what)
        std::printf("%s: the port runs at %d baud, not %d\n", what, speed, *m_options.baud);
    return false;
}

void ScannerSimulator::writeDue(Clock::time_point now)
{
    std::stable_sort(m_writes.begin(), m_writes.end(),
                     [](const PendingWrite &a, const PendingWrite &b) { return a.due < b.due; });
    while (!m_writes.empty() && m_writes.front().due <= now) {
        const PendingWrite write = m_writes.front();
        m_writes.pop_front();
        const bool lastPiece = !write.whole.isNull();
        if (!m_listening) {
            if (write.dataBlock && lastPiece)
                std::printf("not written: no program has the port open\n");
        } else if (!write.dataBlock || atAgreedSpeed(lastPiece ? "block not sent" : nullptr)) {
            writeBytes(write);
        }
    }
}

void ScannerSimulator::writeBytes(const PendingWrite &pending)
{
    const QByteArray &bytes = pending.bytes;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(m_line.masterFd(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // The port's user is not reading and the line is full.
            std::printf("dropped %lld bytes: the line is full\n", static_cast<long long>(bytes.size() - done));
            return;
        }
        done += put;
    }
    tcdrain(m_line.masterFd());
    // Each piece of a split reply or block is said as it goes out: how the
    // host's reads happen to slice the bytes shows nothing of it.
    if (pending.pieces > 1)
        std::printf("piece %d/%d: %s\n", pending.piece, pending.pieces, hexOf(bytes).constData());
    if (pending.whole.isNull())
        return;
    if (!pending.dataBlock)
        std::printf("answered %s\n", hexOf(pending.whole).constData());
    else if (m_options.timestamps)
        std::printf("sent %lld bytes %lld\n", static_cast<long long>(pending.whole.size()), monotonicNanoseconds());
    else
        std::printf("sent %lld bytes\n", static_cast<long long>(pending.whole.size()));
}

std::chrono::nanoseconds ScannerSimulator::pollTimeout(Clock::time_point now) const
{
    Clock::time_point wake = now + kLongestSleep;
    if (!m_writes.empty())
        wake = std::min(wake, std::min_element(m_writes.begin(), m_writes.end(), [](const auto &a, const auto &b) {
                                  return a.due < b.due;
                              })->due);
    for (const std::optional<Clock::time_point> &due : {m_nextBlockDue, m_unplugDue, m_replugDue}) {
        if (due)
            wake = std::min(wake, *due);
    }
    if (!m_listening && m_line.pluggedIn())
        wake = std::min(wake, m_nextListenerCheck);
    return std::max(std::chrono::nanoseconds::zero(), std::chrono::nanoseconds(wake - now));
}
