#pragma once

#include <QByteArray>

// Commands are kept as hex text such as "5700 16 0385 00 5500": digit pairs,
// one per byte. A single space may stand before any pair and is skipped; a
// second space is not, so it shifts the pairing (the catalogue holds entries
// that rely on exactly this). A pair that is not hexadecimal becomes 0x00.
QByteArray hexTextToBytes(const QByteArray &text);
