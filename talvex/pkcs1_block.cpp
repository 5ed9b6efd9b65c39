// PKCS#1 v1.5 type-2 blocks: 00 02, non-zero random padding, 00, message.
#include "talvex_internal.h"

#include <cstring>

namespace talvex {

namespace {

constexpr std::size_t kTypeByteOffset = 1;
constexpr std::size_t kPaddingOffset = 2;
// Framing bytes around the padding: 00 02 before it, 00 after it.
constexpr std::size_t kFramingBytes = 3;
// A working source returns a zero byte one time in 256, so a few rounds fill
// any padding; a source that keeps returning zeros is broken.
constexpr int kMaxRandomRounds = 64;

// Fills buf with len non-zero random bytes, redrawing the zeros.
bool FillNonZero(std::uint8_t* buf, std::size_t len, RandomSource random)
{
    std::uint8_t draw[kBlockBytes];
    std::size_t filled = 0;
    for (int round = 0; filled < len && round < kMaxRandomRounds; ++round) {
        const std::size_t wanted = len - filled;
        if (!random(draw, wanted))
            break;
        for (std::size_t i = 0; i < wanted; ++i) {
            if (draw[i] != 0)
                buf[filled++] = draw[i];
        }
    }
    SecureWipe(draw, sizeof draw);
    return filled == len;
}

} // namespace

std::uint8_t Pkcs1Type2Encode(std::size_t len, const std::uint8_t* msg, std::size_t k, std::uint8_t* dst,
                              RandomSource random)
{
    if (msg == nullptr || dst == nullptr || random == nullptr || k > kBlockBytes || k < kBlockOverheadBytes
        || len > k - kBlockOverheadBytes)
        return kBlockRefused;
    std::uint8_t block[kBlockBytes] = {};
    block[0] = kBlockLeadByte;
    block[kTypeByteOffset] = kBlockTypePublicPadding;
    const std::size_t paddingLen = k - len - kFramingBytes;
    if (!FillNonZero(block + kPaddingOffset, paddingLen, random)) {
        SecureWipe(block, sizeof block);
        return kBlockNoRandom;
    }
    block[kPaddingOffset + paddingLen] = kBlockSeparator;
    std::memcpy(block + kFramingBytes + paddingLen, msg, len);
    std::memcpy(dst, block, k);
    SecureWipe(block, sizeof block);
    return kBlockOk;
}

std::uint8_t EA_ucPKCS1_5RASEncode(std::size_t len, const std::uint8_t* msg, std::size_t k, std::uint8_t* dst)
{
    return Pkcs1Type2Encode(len, msg, k, dst, SystemRandomBytes);
}

std::uint8_t EA_ucPKCS1_5RASEncodeGetData(const std::uint8_t* blk, std::size_t blkLen, std::size_t k,
                                          std::uint8_t* dst, std::size_t* dstLen)
{
    if (blk == nullptr || dst == nullptr || dstLen == nullptr || blkLen != k || k <= kTypeByteOffset)
        return kBlockRefused;
    if (k <= kBlockMinSeparatorOffset)
        return kBlockFailed;
    // The block is what the private key just opened: where its separator
    // stands, and whether it is a type-2 block at all, must not show in the
    // timing. One pass over every byte with masks finds the first zero from
    // offset 2 on; it must come after at least eight padding bytes. The
    // verdict waits for the end.
    Limb good = MaskIfEqual(blk[0], kBlockLeadByte) & MaskIfEqual(blk[kTypeByteOffset], kBlockTypePublicPadding);
    Limb found = 0;
    Limb tooEarly = 0;
    Limb separator = 0;
    for (std::size_t i = kPaddingOffset; i < k; ++i) {
        const Limb isZero = MaskIfZero(blk[i]);
        const Limb first = isZero & ~found;
        separator |= static_cast<Limb>(i) & first;
        // CT: i is a position, the same for every block.
        if (i < kBlockMinSeparatorOffset)
            tooEarly |= first;
        found |= isZero;
    }
    good &= found & ~tooEarly;
    // Every byte from offset 11 on that could belong to the message, moved
    // down by the separator's distance from offset 10 in steps of 1, 2, 4, ...
    // bytes, each step a masked pass over the whole buffer.
    constexpr std::size_t kFirstMessageOffset = kBlockMinSeparatorOffset + 1;
    const std::size_t room = k - kFirstMessageOffset;
    std::uint8_t message[kBlockBytes];
    std::memcpy(message, blk + kFirstMessageOffset, room);
    const Limb shift = (separator - kBlockMinSeparatorOffset) & good;
    for (std::size_t step = 1; step < room; step <<= 1) {
        const auto take = static_cast<std::uint8_t>(~MaskIfZero(shift & step));
        for (std::size_t i = 0; i + step < room; ++i)
            message[i] = static_cast<std::uint8_t>((message[i + step] & take) | (message[i] & ~take));
    }
    const std::size_t messageLen = room - static_cast<std::size_t>(shift);
    std::uint8_t rc = kBlockFailed;
    if (good != 0) {
        std::memcpy(dst, message, messageLen);
        *dstLen = messageLen;
        rc = kBlockOk;
    }
    SecureWipe(message, sizeof message);
    return rc;
}

} // namespace talvex
