#include "cardshape.h"

#include <algorithm>

namespace {

// Line 1: the document code (its first letter A, C or I on a card of this
// size), then the issuing state in three letters or fillers.
constexpr int kIssuingStateEnd = 5;
constexpr char kFiller = '<';

bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool fitsZoneAt(int position, char c)
{
    if (position == 0)
        return c == 'A' || c == 'C' || c == 'I';
    if (position < kIssuingStateEnd)
        return isUpperLetter(c) || c == kFiller;
    return isUpperLetter(c) || isDigit(c) || c == kFiller;
}

} // namespace

int zoneShapedPrefix(const QByteArray &bytes)
{
    const int length = std::min<int>(bytes.size(), kZoneBytes);
    for (int i = 0; i < length; ++i) {
        if (!fitsZoneAt(i, bytes.at(i)))
            return i;
    }
    return length;
}
