#include "scannersimulator.h"

#include "scannersamples.h"
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
            queueNextReads(now);
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
        m_startedAt = now + m_options.startAfterReplug;
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
            queueNextReads(now);
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
    if (now < m_startedAt) {
        std::printf("still starting: ignored command %02X\n", command.opcode);
        return;
    }
    QByteArray reply = m_persona.replyTo(command);
    reply.prepend(m_options.beforeReply);
    if (m_options.garbageFirst)
        reply.prepend(ScannerSamples::noise());
    // A reply starts after the pieces of the replies before it.
    const bool byteByByte = m_options.byteGap.count() > 0;
    const std::chrono::milliseconds gap = byteByByte ? m_options.byteGap : m_options.pieceGap;
    Clock::time_point due = now;
    for (const PendingWrite &write : m_writes) {
        if (!write.dataBlock)
            due = std::max(due, write.due + gap);
    }
    scheduleReply(reply, due, byteByByte ? static_cast<int>(reply.size()) : m_options.replyPieces, gap);
    if (command.opcode == kQueryOpcode && command.parameterId == kModelParameter
        && (m_options.delay || m_options.repeat))
        m_nextBlockDue = now + (m_options.delay ? *m_options.delay : *m_options.repeat);
}

void ScannerSimulator::queueNextReads(Clock::time_point due)
{
    if (m_options.blocks.isEmpty())
        return;
    QList<QByteArray> reads;
    for (int i = 0; i < m_options.readsPerLine; ++i) {
        reads << m_options.blocks.at(m_nextBlock);
        m_nextBlock = (m_nextBlock + 1) % m_options.blocks.size();
    }
    // Back to back, the blocks are one stream on the line; a gap sets each apart.
    if (m_options.readGap.count() == 0) {
        scheduleData(reads, due);
        return;
    }
    for (const QByteArray &read : reads)
        due = scheduleData({read}, due) + m_options.readGap;
}

// The data goes out at the pace chosen: all at once, a byte at a time, or in
// bursts of a fixed size that run across the blocks' borders, as an adapter
// hands them on. Returns when the last piece is due.
ScannerSimulator::Clock::time_point ScannerSimulator::scheduleData(const QList<QByteArray> &reads,
                                                                   Clock::time_point due)
{
    QByteArray stream;
    QList<int> ends;
    for (const QByteArray &read : reads) {
        stream += read;
        ends << static_cast<int>(stream.size());
    }
    const int size = static_cast<int>(stream.size());
    int pieceBytes = std::max(1, size);
    std::chrono::milliseconds gap{0};
    if (m_options.byteGap.count() > 0) {
        pieceBytes = 1;
        gap = m_options.byteGap;
    } else if (m_options.burstBytes > 0) {
        pieceBytes = m_options.burstBytes;
        gap = m_options.burstEvery;
    }
    Clock::time_point last = due;
    int ended = 0;
    const int pieces = (size + pieceBytes - 1) / pieceBytes;
    for (int start = 0, i = 0; start < size; start += pieceBytes, ++i) {
        const int end = std::min(size, start + pieceBytes);
        PendingWrite write{due + i * gap, stream.mid(start, end - start), true, {}, i + 1, pieces};
        while (ended < ends.size() && ends.at(ended) <= end)
            write.completes << reads.at(ended++);
        last = write.due;
        m_writes.push_back(write);
    }
    return last;
}

// The pieces split the bytes as evenly as they can; each follows the
// previous one after the gap.
void ScannerSimulator::scheduleReply(const QByteArray &bytes, Clock::time_point due, int pieces,
                                     std::chrono::milliseconds gap)
{
    const int size = static_cast<int>(bytes.size());
    const int count = std::max(1, std::min(pieces, size));
    int start = 0;
    for (int i = 0; i < count; ++i) {
        const int end = size * (i + 1) / count;
        const bool last = i + 1 == count;
        m_writes.push_back({due + i * gap, bytes.mid(start, end - start), false,
                            last ? QList<QByteArray>{bytes} : QList<QByteArray>{}, i + 1, count});
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
        const bool lastPiece = !write.completes.isEmpty();
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
    for (const QByteArray &whole : pending.completes) {
        if (!pending.dataBlock)
            std::printf("answered %s\n", hexOf(whole).constData());
        else if (m_options.timestamps)
            std::printf("sent %lld bytes %lld\n", static_cast<long long>(whole.size()), monotonicNanoseconds());
        else
            std::printf("sent %lld bytes\n", static_cast<long long>(whole.size()));
    }
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
