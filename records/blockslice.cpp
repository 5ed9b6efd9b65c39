#include "blockslice.h"

#include <algorithm>

QString latin1Slice(const QByteArray &block, int pos, int len)
{
    if (pos < 0 || len <= 0 || pos >= block.size())
        return QString();
    const int available = std::min(len, block.size() - pos);
    return QString::fromLatin1(block.constData() + pos, available);
}

QString trimmedSlice(const QByteArray &block, int pos, int len)
{
    return latin1Slice(block, pos, len).trimmed();
}
