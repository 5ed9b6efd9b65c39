#include "fakescanner.h"

#include "scannerpersona.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr int kPollTimeoutMs = 5;
constexpr std::chrono::milliseconds kHungUpPause{5};
constexpr size_t kReadChunkBytes = 512;
} // namespace

FakeScanner::FakeScanner(ScannerBehaviour behaviour) : m_behaviour(std::move(behaviour)) {}

FakeScanner::~FakeScanner() { stop(); }

bool FakeScanner::start(QString *errorText)
{
    if (!m_terminal.open(errorText))
        return false;
    m_thread = std::thread([this] { serve(); });
    return true;
}

void FakeScanner::send(const QList<QByteArray> &pieces, std::chrono::milliseconds gap)
{
    ++m_sending;
    for (int i = 0; i < pieces.size() && writeAll(pieces.at(i)); ++i) {
        if (i + 1 < pieces.size())
            std::this_thread::sleep_for(gap);
    }
    --m_sending;
}

bool FakeScanner::writeAll(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::write(m_terminal.masterFd(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

QByteArray FakeScanner::received() const
{
    std::lock_guard<std::mutex> guard(m_receivedLock);
    return m_received;
}

void FakeScanner::hangUp()
{
    stop();
    m_terminal.closeMaster();
}

void FakeScanner::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void FakeScanner::serve()
{
    CommandStream commands;
    int index = 0;
    while (!m_stop) {
        pollfd fds{m_terminal.masterFd(), POLLIN, 0};
        if (poll(&fds, 1, kPollTimeoutMs) <= 0)
            continue;
        if (!(fds.revents & POLLIN)) {
            // Nobody has the port open yet (or any more): the line reads
            // as hung up until someone does.
            std::this_thread::sleep_for(kHungUpPause);
            continue;
        }
        char chunk[kReadChunkBytes];
        const ssize_t got = ::read(m_terminal.masterFd(), chunk, sizeof(chunk));
        if (got <= 0)
            continue;
        const QByteArray bytes(chunk, static_cast<int>(got));
        {
            std::lock_guard<std::mutex> guard(m_receivedLock);
            m_received += bytes;
        }
        commands.append(bytes);
        while (const std::optional<ScannerCommand> command = commands.next())
            answer(*command, index++);
    }
}

void FakeScanner::answer(const ScannerCommand &command, int index)
{
    if (m_behaviour.silent || index < m_behaviour.ignoredCommands)
        return;
    const bool modelQuery = command.opcode == kQueryOpcode && command.parameterId == kModelParameter;
    if (modelQuery && !m_behaviour.model)
        return;
    ScannerPersona persona(m_behaviour.version, m_behaviour.model.value_or(QByteArray()));
    const QByteArray reply = persona.replyTo(command);
    const bool byteByByte = m_behaviour.byteGap.count() > 0;
    QList<QByteArray> pieces;
    const int count = byteByByte ? reply.size() : m_behaviour.replyPieces;
    for (int i = 0; i < count; ++i)
        pieces << reply.mid(reply.size() * i / count, reply.size() * (i + 1) / count - reply.size() * i / count);
    send(pieces, byteByByte ? m_behaviour.byteGap : m_behaviour.pieceGap);
}
