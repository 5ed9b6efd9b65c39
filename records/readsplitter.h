#pragma once

#include <QByteArray>
#include <QList>

#include <chrono>
#include <optional>

// How one read of the scanner came to an end.
enum class ReadEnd {
    Card,           // a card, taken whole at its known length
    Terminator,     // other data, ended by CR, LF or CR LF (included)
    QuietGap,       // other data, ended by the line falling quiet
    CardCutShort,   // a card the scanner stopped sending part-way
    CardTerminator, // the CR / LF a scanner ends a card with, come after the card was taken
};

struct ScannerRead
{
    QByteArray bytes;
    ReadEnd end = ReadEnd::QuietGap;
    // Cards: the length the card should have had.
    int cardBytes = 0;
};

// The least quiet gap that ends a read without a terminator: longer than
// the 16 ms for which a USB serial adapter holds bytes by default.
constexpr std::chrono::milliseconds kMinimumQuietGap{40};
// A card the scanner stops sending part-way is given up this long after its
// last byte.
constexpr std::chrono::milliseconds kCardStallLimit{2000};

// The quiet gap at a line speed: at least kMinimumQuietGap, and at low
// speeds the time that one USB packet's worth of characters takes on the
// line, since an adapter may hold that many before it sends them on.
std::chrono::milliseconds quietGapFor(int bitsPerSecond);

// Cuts the bytes that come off the serial line into the scanner's reads, in
// the order they came. A card is known by its shape and taken off the front
// at its own length, whatever follows it at once; other data ends at the
// scanner's terminator or when the line falls quiet. No byte is dropped:
// each one ends up in exactly one read.
//
// It keeps no clock of its own: the caller gives the time with every call
// (any steady count of milliseconds) and calls elapse() once deadline() has
// passed. Only elapse() ends a read by time: the caller first takes in what
// the port holds, so that bytes it was late to read are not taken for the
// line having fallen quiet.
class ReadSplitter
{
public:
    using Time = std::chrono::milliseconds;

    explicit ReadSplitter(std::chrono::milliseconds quietGap = kMinimumQuietGap);
    void setQuietGap(std::chrono::milliseconds quietGap) { m_quietGap = quietGap; }

    // Bytes read off the line at `now`: they continue the pending read.
    void receive(const QByteArray &bytes, Time now);
    // Time has passed: ends the read waiting for the line to fall quiet or
    // for the rest of a card, when its wait is over.
    void elapse(Time now);
    // The line is closed: whatever is pending ends as if the line had
    // stayed quiet for good.
    void finish();

    // The reads complete so far, oldest first; they leave the splitter.
    QList<ScannerRead> takeReads();
    // When elapse() has something to decide; nothing while no read is pending.
    std::optional<Time> deadline() const;

private:
    enum class Pending { Other, Zone, LongRecord };
    struct Front
    {
        int complete = 0; // bytes of a complete read at the front, else 0
        ReadEnd end = ReadEnd::QuietGap;
        int cardBytes = 0;
        Pending pending = Pending::Other;
    };

    Front examineFront() const;
    std::optional<Time> waitFor(const Front &front) const;
    void splitComplete(Time now);
    bool takeCardTerminator(Time now);
    void take(int length, ReadEnd end, int cardBytes, Time now);

    std::chrono::milliseconds m_quietGap;
    QByteArray m_buffer;
    Time m_lastByteAt{0};
    // Where the pending card last paused longer than the quiet gap: when
    // it breaks off after that, the scanner had stopped there and what
    // followed is the next read.
    std::optional<int> m_pausedAt;
    QList<ScannerRead> m_reads;
    // After a card that came without its terminator: until when a CR or LF
    // still belongs to it, and whether a CR came already (then only LF).
    std::optional<Time> m_cardTerminatorUntil;
    bool m_cardCarriageReturn = false;
};
