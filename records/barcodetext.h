#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Many scanners send UTF-8 (QR codes above all). A read that is no card is
// taken as the characters it encodes when it is valid UTF-8 and holds at
// least one character beyond ASCII; anything else (ASCII alone, or bytes
// that are not UTF-8) is typed byte by byte as Latin-1, and nothing is
// returned. Valid means as the standard has it: no overlong forms, no
// surrogates, nothing beyond U+10FFFF, no sequence cut short.
std::optional<QString> utf8BarcodeText(const QByteArray &block);
