#include "hexcodec.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr int kDigitsPerByte = 2;
constexpr int kHexBase = 16;
constexpr char kPairSeparator = ' ';

// One pair as the scanner's command texts write it: hex digits in either
// case, blanks around them ignored. Anything else (a sign, a stray letter)
// is not a byte we could mean, so it becomes 0x00 like an unreadable pair.
char pairToByte(const QByteArray &pair)
{
    const QByteArray digits = pair.trimmed();
    const bool allHex = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    return allHex ? static_cast<char>(digits.toUInt(nullptr, kHexBase)) : '\0';
}
} // namespace

QByteArray hexTextToBytes(const QByteArray &text)
{
    QByteArray bytes;
    const int length = text.size();
    if (length < kDigitsPerByte)
        return bytes;
    int p = 0;
    for (;;) {
        if (text.at(p) == kPairSeparator)
            ++p;
        // After a skipped space the pair may be a single last character,
        // which still converts on its own.
        bytes.append(pairToByte(text.mid(p, kDigitsPerByte)));
        p += kDigitsPerByte;
        if (p + 1 >= length)
            break;
    }
    return bytes;
}
