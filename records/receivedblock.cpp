#include "receivedblock.h"

namespace {

// Short blocks are barcodes even when they hold "<<"; long ones without it
// are the fixed-position card record.
constexpr int kMrzMinBytesExclusive = 10;
constexpr int kLongRecordMinBytesExclusive = 150;

const QString kMrzMarker = QStringLiteral("<<");
const QString kLogEntryFormat = QStringLiteral("[%1]Receive %2 bytes data:\r\n%3");
const QString kLogTimeFormat = QStringLiteral("HH:mm:ss");
constexpr char kHexSeparator = ' ';

// The block as text stops at its first zero byte, so "<<" behind one is not seen.
bool holdsMrzMarker(const QByteArray &block)
{
    const int zero = block.indexOf('\0');
    const int length = zero >= 0 ? zero : block.size();
    return QString::fromUtf8(block.constData(), length).contains(kMrzMarker, Qt::CaseSensitive);
}

} // namespace

BlockKind classifyBlock(const QByteArray &block)
{
    const int size = block.size();
    if (size > kMrzMinBytesExclusive && holdsMrzMarker(block))
        return BlockKind::MachineReadableZone;
    if (size > kLongRecordMinBytesExclusive)
        return BlockKind::LongRecord;
    if (size > 0)
        return BlockKind::Raw;
    return BlockKind::Nothing;
}

QString hexDump(const QByteArray &block)
{
    return QString::fromLatin1(block.toHex(kHexSeparator).toUpper());
}

QString receiveLogEntry(const QTime &now, const QByteArray &block)
{
    return kLogEntryFormat.arg(now.toString(kLogTimeFormat), QString::number(block.size()), hexDump(block));
}
