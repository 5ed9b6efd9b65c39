#include "frames.h"

#include <algorithm>

namespace {

constexpr char kResponseHeader0 = 0x31;
constexpr char kResponseHeader1 = 0x00;
constexpr char kTrailer[] = {0x00, 0x55, 0x00};
constexpr int kTrailerBytes = sizeof(kTrailer);
constexpr int kMinResponseFrameBytes = 6;
constexpr int kPayloadLengthOffset = 5;
constexpr int kPayloadOffset = 7;
constexpr int kByteShift = 8;

constexpr char kEscapeReply = 0x1B;
constexpr char kWxReplyFirst = 0x77;
constexpr char kWxReplyLast = 0x78;
constexpr char kStatusReplyFirst = 0x33;
constexpr char kStatusReplySecond = 0x06;
constexpr char kStatusReplyLast0 = 0x66;
constexpr char kStatusReplyLast1 = static_cast<char>(0x99);
constexpr int kMinAuxiliaryReplyBytes = 2;

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr int kMinLineBytes = 2;
constexpr int kMinFrameCheckBytes = 4; // a frame test starts above three bytes

int byteAt(const char *block, int index) { return static_cast<unsigned char>(block[index]); }

int declaredPayloadLength(const char *block)
{
    return byteAt(block, kPayloadLengthOffset) | (byteAt(block, kPayloadLengthOffset + 1) << kByteShift);
}

} // namespace

bool isResponseFrame(const char *block, int length)
{
    if (length < kMinResponseFrameBytes)
        return false;
    return block[0] == kResponseHeader0 && block[1] == kResponseHeader1
           && std::equal(kTrailer, kTrailer + kTrailerBytes, block + length - kTrailerBytes);
}

bool isAuxiliaryReply(const char *block, int length)
{
    if (length < kMinAuxiliaryReplyBytes)
        return false;
    switch (block[0]) {
    case kEscapeReply:
        return true;
    case kWxReplyFirst:
        return block[length - 1] == kWxReplyLast;
    case kStatusReplyFirst:
        return block[1] == kStatusReplySecond && block[length - 1] == kStatusReplyLast1
               && block[length - 2] == kStatusReplyLast0;
    default:
        return false;
    }
}

int declaredFrameLength(const char *block, int length)
{
    if (length < kPayloadOffset || block[0] != kResponseHeader0 || block[1] != kResponseHeader1)
        return 0;
    return kPayloadOffset + declaredPayloadLength(block) + kTrailerBytes;
}

int completeReplyLength(const char *block, int length)
{
    if (const int declared = declaredFrameLength(block, length))
        return length >= declared ? declared : 0;
    if (length >= kMinLineBytes && block[length - 2] == kCarriageReturn && block[length - 1] == kLineFeed)
        return length;
    if (length >= kMinFrameCheckBytes && (isResponseFrame(block, length) || isAuxiliaryReply(block, length)))
        return length;
    return 0;
}

int bytesBeforeReplyHeader(const char *block, int length)
{
    for (int at = 0; at + 1 < length; ++at) {
        if (block[at] == kResponseHeader0 && block[at + 1] == kResponseHeader1)
            return at;
    }
    return 0;
}

QByteArray responsePayload(const char *block, int length)
{
    // The trailer is never payload: a length that reaches into it or beyond
    // is cut back to the bytes that stand between the length field and it.
    const int received = length - kPayloadOffset - kTrailerBytes;
    if (received <= 0)
        return {};
    return QByteArray(block + kPayloadOffset, std::min(declaredPayloadLength(block), received));
}
