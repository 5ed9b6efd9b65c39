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
    if (blk[0] != kBlockLeadByte || blk[kTypeByteOffset] != kBlockTypePublicPadding)
        return kBlockFailed;
    // Bytes 2 to 8 are padding whatever they hold; the separator is the
    // first zero from offset 9 on, and the search ends with the block.
    std::size_t separator = kBlockMinSeparatorOffset;
    while (separator < k && blk[separator] != kBlockSeparator)
        ++separator;
    if (separator == k)
        return kBlockFailed;
    const std::size_t start = separator + 1;
    std::memcpy(dst, blk + start, k - start);
    *dstLen = k - start;
    return kBlockOk;
}

} // namespace talvex
