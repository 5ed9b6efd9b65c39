#pragma once

#include <QByteArray>
#include <QString>

// The bytes at [pos, pos + len) of a card block as Latin-1 text, one byte
// per character. Only bytes that exist are taken: a slice that runs past the
// end of the block is cut short, one that starts past it is empty. Zero bytes
// are kept (Qt's QByteArray overload of fromLatin1 would stop at the first).
QString latin1Slice(const QByteArray &block, int pos, int len);

// The same slice, trimmed of white space at both ends (zero bytes stay).
QString trimmedSlice(const QByteArray &block, int pos, int len);
