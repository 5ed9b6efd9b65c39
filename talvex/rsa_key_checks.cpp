// The parameter checks in front of the key operations, shared by all four
// exports.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::uint32_t kBitsPerByte = 8;

using KeyOperation = int (*)(std::size_t, const std::uint8_t*, std::uint32_t*, std::uint8_t*, const RsaKeyRecord*);

std::uint8_t CheckedKeyOperation(KeyOperation op, std::uint32_t inLen, const std::uint8_t* in,
                                 std::uint32_t* resLen, std::uint8_t* res, const RsaKeyRecord* key)
{
    if (key == nullptr || in == nullptr || resLen == nullptr || res == nullptr)
        return kBlockBadArgument;
    const std::uint32_t bits = RsaKeyBits(key);
    if (bits > kMaxKeyBits || bits < kMinKeyBits)
        return kBlockBadArgument;
    if (inLen == 0 || inLen > (bits + kBitsPerByte - 1) / kBitsPerByte)
        return kBlockBadArgument;
    return op(inLen, in, resLen, res, key) == 0 ? kBlockOk : kBlockFailed;
}

} // namespace

std::uint8_t RsaPublicBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                            const RsaKeyRecord* key)
{
    return CheckedKeyOperation(RsaPublicOp, inLen, in, resLen, res, key);
}

std::uint8_t RsaPrivateBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                             const RsaKeyRecord* key)
{
    return CheckedKeyOperation(RsaPrivateOp, inLen, in, resLen, res, key);
}

} // namespace talvex
