#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

// What a block from the scanner is taken for.
enum class BlockKind {
    MachineReadableZone,   // more than 10 bytes with "<<" before any zero byte
    LongRecord,            // otherwise more than 150 bytes
    Raw,                   // any other non-empty block: a barcode, typed as it came
    Nothing,               // empty
};

BlockKind classifyBlock(const QByteArray &block);

// Two upper-case hex digits per byte, separated by single spaces: "57 00 16 03".
QString hexDump(const QByteArray &block);

// The receive log's entry for a block read at `now`.
QString receiveLogEntry(const QTime &now, const QByteArray &block);
