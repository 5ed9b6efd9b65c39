#pragma once

#include <QByteArray>

// The two shapes in which the scanner sends an identity card, as far as the
// receive path must know them to take a card off the line whole.

// The machine-readable zone: three lines of 30 characters back to back.
constexpr int kZoneLineBytes = 30;
constexpr int kZoneBytes = 3 * kZoneLineBytes;

// The long record: fields at fixed positions, the last of them (the blood
// type) ending at byte 168; the scanner pads the record to 200 bytes.
constexpr int kLongRecordFieldsEnd = 168;
constexpr int kLongRecordBytes = 200;
// A block longer than this without "<<" is the long record.
constexpr int kLongRecordMinBytesExclusive = 150;

// How many of the first bytes fit a machine-readable zone: a document code
// of A, C or I, the issuing state in letters or fillers, then only
// upper-case letters, digits and the filler "<". At most kZoneBytes.
int zoneShapedPrefix(const QByteArray &bytes);
