// PKCS#1 v1.5 type-2 blocks: 00 02, non-zero random padding, 00, message.
#include <cstring>

#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::uint8_t kLeadByte = 0x00;
constexpr std::uint8_t kBlockType2 = 0x02;
constexpr std::uint8_t kSeparator = 0x00;
constexpr std::size_t kTypeOffset = 1;
constexpr std::size_t kPaddingOffset = 2;
// The decoder looks for the separator from here on (seven padding bytes or
// more); what stands at offsets 2 to 8 is not examined.
constexpr std::size_t kFirstSeparatorOffset = 9;
constexpr std::size_t kHeaderBytes = 3; // 00 02 ... 00

// Fills the padding with random bytes, none of them zero: a zero is drawn
// again, so every byte keeps the same distribution over 1 to 255.
bool FillNonZero(std::uint8_t* pad, std::size_t len, RandomFill fill)
{
    if (!fill(pad, len))
        return false;
    for (std::size_t i = 0; i < len; ++i) {
        while (pad[i] == 0) {
            if (!fill(pad + i, 1))
                return false;
        }
    }
    return true;
}

} // namespace

std::uint8_t EncodeType2Block(std::uint32_t len, const std::uint8_t* msg, std::uint32_t k, std::uint8_t* dst,
                              RandomFill fill)
{
    if (msg == nullptr || dst == nullptr || k > kBlockBytes || k < kPaddingOverheadBytes ||
        len > k - kPaddingOverheadBytes)
        return kBlockBadArgument;
    std::uint8_t block[kBlockBytes] = {};
    block[0] = kLeadByte;
    block[kTypeOffset] = kBlockType2;
    const std::size_t padLen = k - len - kHeaderBytes;
    if (!FillNonZero(block + kPaddingOffset, padLen, fill)) {
        SecureWipe(block, sizeof block);
        return kBlockFailed;
    }
    block[kPaddingOffset + padLen] = kSeparator;
    if (len != 0)
        std::memcpy(block + kPaddingOffset + padLen + 1, msg, len);
    std::memcpy(dst, block, k);
    SecureWipe(block, sizeof block);
    return kBlockOk;
}

std::uint8_t EA_ucPKCS1_5RASEncode(std::uint32_t len, const std::uint8_t* msg, std::uint32_t k, std::uint8_t* dst)
{
    return EncodeType2Block(len, msg, k, dst, SystemRandomFill);
}

std::uint8_t EA_ucPKCS1_5RASEncodeGetData(const std::uint8_t* blk, std::uint32_t blkLen, std::uint32_t k,
                                          std::uint8_t* dst, std::uint32_t* dstLen)
{
    if (blk == nullptr || dst == nullptr || dstLen == nullptr || blkLen != k || k <= kFirstSeparatorOffset)
        return kBlockBadArgument;
    if (blk[0] != kLeadByte || blk[kTypeOffset] != kBlockType2)
        return kBlockFailed;
    std::size_t sep = kFirstSeparatorOffset;
    while (sep < k && blk[sep] != kSeparator)
        ++sep;
    if (sep == k)
        return kBlockFailed;
    const std::size_t start = sep + 1;
    const std::uint32_t len = static_cast<std::uint32_t>(k - start);
    if (len != 0)
        std::memcpy(dst, blk + start, len);
    *dstLen = len;
    return kBlockOk;
}

} // namespace talvex
