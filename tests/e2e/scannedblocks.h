#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the end-to-end tests have the scanner send, and what Quillon must
// type for each block with the transmit settings below.
namespace scanned {

struct Block
{
    QByteArray bytes;
    QString typed;
};

// "dd/mm/aaaa"
constexpr int kDateFormat = 3;
// The transmit list: number, names, both dates, each field ended by a tab
// and the last by Enter.
QStringList transmitFields();
// A machine-readable zone, a long record with Spanish letters, a barcode,
// and the same Spanish text read from a UTF-8 and from a Latin-1 code.
QList<Block> blocks();

} // namespace scanned
