// The key record's fields, and the public-key operation m^e mod n.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::size_t kBitsFieldBytes = 4;
constexpr unsigned kBitsPerByte = 8;
// Only the low 32 bits of the public exponent field are used.
constexpr std::size_t kPublicExponentWords = 1;
constexpr std::size_t kPublicExponentBytes = 4;

// One number with its own storage, wiped when it goes out of scope.
template <std::size_t Words>
struct Held {
    std::uint32_t words[Words] = {};
    BigNum num{0, 1, words};
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { SecureWipe(words, sizeof words); }
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
    Held<kFullWords> m;
    Held<kFullWords> n;
    Held<kPublicExponentWords> e;
    BigFromBytes(&m.num, kFullWords, in, len);
    BigFromBytes(&n.num, kFullWords, RsaKeyField(key, TALVEX_KEY_OFFSET_MODULUS), kKeyFieldBytes);
    BigFromBytes(&e.num, kPublicExponentWords, RsaKeyField(key, TALVEX_KEY_OFFSET_PUBLIC_EXPONENT), kKeyFieldBytes);
    if (BigCmp(&m.num, &n.num) >= 0)
        return kRsaErrInputRange;
    // An exponent of 1 would hand the input back; an even one is no RSA key.
    if (e.num.words[0] < kPublicExponentMin || (e.num.words[0] & 1u) == 0)
        return kRsaErrKeyRefused;
    const int rc = BigModExp(&m.num, &m.num, &e.num, &n.num);
    if (rc != 0)
        return rc + kRsaPublicErrOffset;
    const std::size_t bytes = RsaResultBytes(key);
    *outLen = static_cast<std::uint32_t>(bytes);
    BigToBytes(&m.num, m.num.length, out, bytes);
    return 0;
}

} // namespace talvex
