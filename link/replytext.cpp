#include "replytext.h"

namespace {
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
} // namespace

QString versionTextFromPayload(const QByteArray &payload)
{
    QByteArray text = payload;
    text.replace(kCarriageReturn, QByteArray()).replace(kLineFeed, QByteArray());
    return QString::fromLatin1(text);
}

QString modelTextFromPayload(const QByteArray &payload)
{
    QByteArray text = payload;
    text.replace(kLineFeed, QByteArray());
    return QString::fromLatin1(text);
}
