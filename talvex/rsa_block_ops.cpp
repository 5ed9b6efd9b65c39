// The key operations as the exports call them: parameter checks first.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::uint32_t kBitsPerByte = 8;

bool ParametersAccepted(std::uint32_t inLen, const std::uint8_t* in, const std::uint32_t* resLen,
                        const std::uint8_t* res, const RsaKeyRecord* key)
{
    if (key == nullptr || in == nullptr || resLen == nullptr || res == nullptr)
        return false;
    const std::uint32_t bits = RsaKeyBits(key);
    if (bits > kKeyMaxBits || bits < kKeyMinBits)
        return false;
    return inLen != 0 && inLen <= (bits + kBitsPerByte - 1) / kBitsPerByte;
}

} // namespace

std::uint8_t RsaPublicBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                            const RsaKeyRecord* key)
{
    if (!ParametersAccepted(inLen, in, resLen, res, key))
        return kBlockRefused;
    return RsaPublicOp(inLen, in, resLen, res, key) == 0 ? kBlockOk : kBlockFailed;
}

std::uint8_t RsaPrivateBlock(std::uint32_t inLen, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                             const RsaKeyRecord* key)
{
    if (!ParametersAccepted(inLen, in, resLen, res, key))
        return kBlockRefused;
    return RsaPrivateOp(inLen, in, resLen, res, key) == 0 ? kBlockOk : kBlockFailed;
}

} // namespace talvex
