// The key record's fields, and the public-key operation m^e mod n.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::size_t kBitsFieldBytes = 4;
constexpr unsigned kBitsPerByte = 8;
// Only the low 32 bits of the public exponent field are used.
constexpr std::size_t kPublicExponentBytes = 4;

struct PublicWork {
    Limb n[kLimbMax], x[kLimbMax], r[kLimbMax];

    PublicWork() = default;
    PublicWork(const PublicWork&) = delete;
    PublicWork& operator=(const PublicWork&) = delete;
    ~PublicWork() { SecureWipe(this, sizeof *this); }
};

} // namespace

const std::uint8_t* RsaKeyField(const RsaKeyRecord* key, std::size_t offset)
{
    return reinterpret_cast<const std::uint8_t*>(key) + offset;
}

std::uint32_t RsaKeyBits(const RsaKeyRecord* key)
{
    const std::uint8_t* p = RsaKeyField(key, TALVEX_KEY_OFFSET_BITS);
    std::uint32_t bits = 0;
    for (std::size_t i = kBitsFieldBytes; i-- > 0;)
        bits = (bits << kBitsPerByte) | p[i];
    return bits;
}

std::uint32_t RsaPublicExponent(const RsaKeyRecord* key)
{
    const std::uint8_t* field = RsaKeyField(key, TALVEX_KEY_OFFSET_PUBLIC_EXPONENT) + kKeyFieldBytes;
    std::uint32_t e = 0;
    for (std::size_t i = kPublicExponentBytes; i > 0; --i)
        e = (e << kBitsPerByte) | field[-static_cast<std::ptrdiff_t>(i)];
    return e;
}

std::size_t RsaResultBytes(const RsaKeyRecord* key)
{
    return (RsaKeyBits(key) + kBitsPerByte - 1) / kBitsPerByte;
}

int RsaPublicOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                const RsaKeyRecord* key)
{
    // The input of an encryption is the padded message: wiped when it goes.
    PublicWork w{};
    LimbsFromBytes(w.n, kModulusMaxLimbs, RsaKeyField(key, TALVEX_KEY_OFFSET_MODULUS), kKeyFieldBytes);
    LimbsFromBytes(w.x, kModulusMaxLimbs, in, len);
    const std::uint32_t e = RsaPublicExponent(key);
    if (!LimbsLessMask(w.x, w.n, kModulusMaxLimbs))
        return kRsaErrInputRange;
    // An exponent of 1 would hand the input back; an even one is no RSA key,
    // and an even modulus has no Montgomery form.
    const std::size_t nLimbs = LimbsSignificant(w.n, kModulusMaxLimbs);
    if (e < kPublicExponentMin || (e & 1u) == 0 || (w.n[0] & 1) == 0 || (nLimbs == 1 && w.n[0] < 3))
        return kRsaErrKeyRefused;
    PublicPowerWith(PowerKernel::kBest, w.r, w.x, e, w.n, nLimbs);
    const std::size_t bytes = RsaResultBytes(key);
    *outLen = static_cast<std::uint32_t>(bytes);
    LimbsToBytes(w.r, nLimbs, out, bytes);
    return 0;
}

} // namespace talvex
