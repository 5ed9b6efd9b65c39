#include "readsplitter.h"

#include "cardshape.h"

#include <algorithm>

namespace {

using std::chrono::milliseconds;

// A full-speed USB packet; an adapter sends at the latest when it is full.
constexpr int kAdapterPacketBytes = 64;
// Start bit, eight data bits, stop bit.
constexpr int kBitsPerCharacter = 10;
constexpr long long kMillisecondsPerSecond = 1000;

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

int indexOfTerminator(const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == kCarriageReturn || bytes.at(i) == kLineFeed)
            return i;
    }
    return -1;
}

// The length of the terminator at the front of bytes: CR LF, CR, LF or
// none. Once a CR was taken only an LF may still follow.
int terminatorAtFront(const QByteArray &bytes, bool carriageReturnTaken)
{
    if (bytes.isEmpty())
        return 0;
    if (bytes.at(0) == kLineFeed)
        return 1;
    if (bytes.at(0) != kCarriageReturn || carriageReturnTaken)
        return 0;
    return bytes.size() > 1 && bytes.at(1) == kLineFeed ? 2 : 1;
}

} // namespace

milliseconds quietGapFor(int bitsPerSecond)
{
    if (bitsPerSecond <= 0)
        return kMinimumQuietGap;
    const long long bits = static_cast<long long>(kAdapterPacketBytes) * kBitsPerCharacter * kMillisecondsPerSecond;
    const milliseconds packetTime{(bits + bitsPerSecond - 1) / bitsPerSecond};
    return std::max(kMinimumQuietGap, packetTime);
}

ReadSplitter::ReadSplitter(milliseconds quietGap) : m_quietGap(quietGap) {}

void ReadSplitter::receive(const QByteArray &bytes, Time now)
{
    if (bytes.isEmpty())
        return;
    const bool paused = now - m_lastByteAt >= m_quietGap;
    if (paused && !m_buffer.isEmpty())
        m_pausedAt = m_buffer.size();
    m_buffer += bytes;
    m_lastByteAt = now;
    splitComplete(now);
}

void ReadSplitter::elapse(Time now)
{
    if (m_buffer.isEmpty())
        return;
    const Front front = examineFront();
    const std::optional<Time> due = waitFor(front);
    if (!due || now < *due)
        return;
    if (front.pending == Pending::Other)
        take(m_buffer.size(), ReadEnd::QuietGap, 0, now);
    else if (front.pending == Pending::LongRecord && m_buffer.size() >= kLongRecordFieldsEnd)
        take(m_buffer.size(), ReadEnd::Card, kLongRecordBytes, now);
    else
        take(m_buffer.size(), ReadEnd::CardCutShort, front.pending == Pending::Zone ? kZoneBytes : kLongRecordBytes,
             now);
}

void ReadSplitter::finish()
{
    if (const std::optional<Time> due = deadline())
        elapse(std::max(*due, m_lastByteAt + kCardStallLimit));
    m_cardTerminatorUntil.reset();
}

QList<ScannerRead> ReadSplitter::takeReads()
{
    QList<ScannerRead> reads;
    reads.swap(m_reads);
    return reads;
}

std::optional<ReadSplitter::Time> ReadSplitter::deadline() const
{
    if (m_buffer.isEmpty())
        return std::nullopt;
    return waitFor(examineFront());
}

ReadSplitter::Front ReadSplitter::examineFront() const
{
    const int size = m_buffer.size();
    const int zone = zoneShapedPrefix(m_buffer);
    if (zone == kZoneBytes)
        return {kZoneBytes, ReadEnd::Card, kZoneBytes, Pending::Zone};
    // Until its first line is there, what looks like a zone may still be a
    // barcode that ends at the quiet gap.
    if (zone == size)
        return {0, ReadEnd::QuietGap, 0, zone >= kZoneLineBytes ? Pending::Zone : Pending::Other};
    if (zone >= kZoneLineBytes)
        return {m_pausedAt && *m_pausedAt < zone ? *m_pausedAt : zone, ReadEnd::CardCutShort, kZoneBytes,
                Pending::Zone};

    // A terminator ends other data, unless more than a long record's worth
    // came before it: a long record's fields may hold any byte.
    const int terminator = indexOfTerminator(m_buffer);
    if (terminator >= 0 && terminator <= kLongRecordMinBytesExclusive)
        return {terminator + terminatorAtFront(m_buffer.mid(terminator), false), ReadEnd::Terminator, 0,
                Pending::Other};
    if (terminator < 0 && size <= kLongRecordMinBytesExclusive)
        return {0, ReadEnd::QuietGap, 0, Pending::Other};
    if (size >= kLongRecordBytes)
        return {kLongRecordBytes, ReadEnd::Card, kLongRecordBytes, Pending::LongRecord};
    return {0, ReadEnd::QuietGap, 0, Pending::LongRecord};
}

// A card waits for its rest up to the stall limit; other data, and a long
// record whose fields are all there, end at the quiet gap.
std::optional<ReadSplitter::Time> ReadSplitter::waitFor(const Front &front) const
{
    if (front.complete)
        return std::nullopt;
    const bool endsAtGap = front.pending == Pending::Other
                           || (front.pending == Pending::LongRecord && m_buffer.size() >= kLongRecordFieldsEnd);
    return m_lastByteAt + (endsAtGap ? m_quietGap : kCardStallLimit);
}

void ReadSplitter::splitComplete(Time now)
{
    while (!m_buffer.isEmpty()) {
        if (takeCardTerminator(now))
            continue;
        const Front front = examineFront();
        if (!front.complete)
            return;
        take(front.complete, front.end, front.cardBytes, now);
    }
}

// A scanner set to end every read with CR or LF ends cards with it too;
// arriving just after the card, it is the card's and is not typed.
bool ReadSplitter::takeCardTerminator(Time now)
{
    if (!m_cardTerminatorUntil)
        return false;
    const int length = now <= *m_cardTerminatorUntil ? terminatorAtFront(m_buffer, m_cardCarriageReturn) : 0;
    if (!length) {
        m_cardTerminatorUntil.reset();
        return false;
    }
    const QByteArray terminator = m_buffer.left(length);
    m_buffer.remove(0, length);
    m_reads.append({terminator, ReadEnd::CardTerminator, 0});
    m_cardCarriageReturn = true;
    if (terminator.endsWith(kLineFeed))
        m_cardTerminatorUntil.reset();
    return true;
}

void ReadSplitter::take(int length, ReadEnd end, int cardBytes, Time now)
{
    ScannerRead read{m_buffer.left(length), end, cardBytes};
    m_buffer.remove(0, length);
    m_pausedAt.reset();
    m_cardTerminatorUntil.reset();
    if (end == ReadEnd::Card) {
        const int terminator = terminatorAtFront(m_buffer, false);
        read.bytes += m_buffer.left(terminator);
        m_buffer.remove(0, terminator);
        // The card's terminator, or its LF, may still be on its way.
        if (m_buffer.isEmpty() && !read.bytes.endsWith(kLineFeed)) {
            m_cardTerminatorUntil = now + m_quietGap;
            m_cardCarriageReturn = read.bytes.endsWith(kCarriageReturn);
        }
    }
    m_reads.append(read);
}
