#include "receivedblock.h"

namespace {

// Barcodes up to this length are always typed, even when they hold "<<".
constexpr int kMaxRawOnlyBytes = 10;
// A block without "<<" longer than this is a long card record.
constexpr int kMaxRawBytes = 150;
const QString kMrzMarker = QStringLiteral("<<");

constexpr char kHexDumpSeparator = ' ';
const QString kLogEntryFormat = QStringLiteral("[%1]Receive %2 bytes data:\r\n%3");
const QString kLogTimeFormat = QStringLiteral("HH:mm:ss");

// The block read as text, as far as its first zero byte.
bool holdsMrzMarker(const QByteArray& block)
{
    const int zero = block.indexOf('\0');
    const int length = zero >= 0 ? zero : block.size();
    return QString::fromUtf8(block.constData(), length).contains(kMrzMarker);
}

} // namespace

BlockKind classifyBlock(const QByteArray& block)
{
    if (block.size() > kMaxRawOnlyBytes && holdsMrzMarker(block))
        return BlockKind::MachineReadableZone;
    if (block.size() > kMaxRawBytes)
        return BlockKind::LongRecord;
    if (!block.isEmpty())
        return BlockKind::Raw;
    return BlockKind::Nothing;
}

QString hexDump(const QByteArray& block)
{
    return QString::fromLatin1(block.toHex(kHexDumpSeparator).toUpper());
}

QString receiveLogEntry(const QTime& now, const QByteArray& block)
{
    return kLogEntryFormat.arg(now.toString(kLogTimeFormat), QString::number(block.size()),
                               hexDump(block));
}
