#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

// What the receive path does with one block read from the scanner.
enum class BlockKind {
    MachineReadableZone, // more than 10 bytes holding "<<" before any zero byte
    LongRecord,          // otherwise more than 150 bytes
    Raw,                 // any other non-empty block: typed as it came
    Nothing,             // empty block
};

BlockKind classifyBlock(const QByteArray& block);

// The block as upper-case hex byte pairs separated by one space: "57 00 16 03".
QString hexDump(const QByteArray& block);

// The log pane entry for a block received at `now`.
QString receiveLogEntry(const QTime& now, const QByteArray& block);
