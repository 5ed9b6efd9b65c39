// The raw RSA operations on a key record: m^e mod n, and m^d mod n in
// Garner's form of the Chinese remainder theorem.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::size_t kBitsFieldBytes = 4;
constexpr unsigned kBitsPerByte = 8;
// Only the low 32 bits of the public exponent field are used.
constexpr std::size_t kPublicExponentWords = 1;

const std::uint8_t* Field(const RsaKeyRecord* key, std::size_t offset)
{
    return reinterpret_cast<const std::uint8_t*>(key) + offset;
}

std::size_t ResultBytes(const RsaKeyRecord* key)
{
    return (RsaKeyBits(key) + kBitsPerByte - 1) / kBitsPerByte;
}

void WriteResult(const BigNum* m, const RsaKeyRecord* key, std::uint32_t* outLen, std::uint8_t* out)
{
    const std::size_t bytes = ResultBytes(key);
    *outLen = static_cast<std::uint32_t>(bytes);
    BigToBytes(m, m->length, out, bytes);
}

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

std::uint32_t RsaKeyBits(const RsaKeyRecord* key)
{
    const std::uint8_t* p = Field(key, TALVEX_KEY_OFFSET_BITS);
    std::uint32_t bits = 0;
    for (std::size_t i = kBitsFieldBytes; i-- > 0;)
        bits = (bits << kBitsPerByte) | p[i];
    return bits;
}

int RsaPublicOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                const RsaKeyRecord* key)
{
    Held<kFullWords> m;
    Held<kFullWords> n;
    Held<kPublicExponentWords> e;
    BigFromBytes(&m.num, kFullWords, in, len);
    BigFromBytes(&n.num, kFullWords, Field(key, TALVEX_KEY_OFFSET_MODULUS), kKeyFieldBytes);
    BigFromBytes(&e.num, kPublicExponentWords, Field(key, TALVEX_KEY_OFFSET_PUBLIC_EXPONENT), kKeyFieldBytes);
    if (BigCmp(&m.num, &n.num) >= 0)
        return kRsaErrInputRange;
    const int rc = BigModExp(&m.num, &m.num, &e.num, &n.num);
    if (rc != 0)
        return rc + kRsaPublicErrOffset;
    WriteResult(&m.num, key, outLen, out);
    return 0;
}

int RsaPrivateOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                 const RsaKeyRecord* key)
{
    Held<kFullWords> y;
    Held<kFullWords> n;
    Held<kHalfWords> p;
    Held<kHalfWords> q;
    Held<kHalfWords> dP;
    Held<kHalfWords> dQ;
    Held<kHalfWords> qInv;
    BigFromBytes(&y.num, kFullWords, in, len);
    BigFromBytes(&n.num, kFullWords, Field(key, TALVEX_KEY_OFFSET_MODULUS), kKeyFieldBytes);
    BigFromBytes(&p.num, kHalfFieldWords, Field(key, TALVEX_KEY_OFFSET_PRIME_P), kKeyHalfFieldBytes);
    BigFromBytes(&q.num, kHalfFieldWords, Field(key, TALVEX_KEY_OFFSET_PRIME_Q), kKeyHalfFieldBytes);
    BigFromBytes(&dP.num, kHalfFieldWords, Field(key, TALVEX_KEY_OFFSET_EXPONENT_P), kKeyHalfFieldBytes);
    BigFromBytes(&dQ.num, kHalfFieldWords, Field(key, TALVEX_KEY_OFFSET_EXPONENT_Q), kKeyHalfFieldBytes);
    BigFromBytes(&qInv.num, kHalfFieldWords, Field(key, TALVEX_KEY_OFFSET_COEFFICIENT), kKeyHalfFieldBytes);
    if (BigCmp(&y.num, &n.num) >= 0)
        return kRsaErrInputRange;

    // m1 = y^dP mod p, m2 = y^dQ mod q, h = (m1 - m2) qInv mod p,
    // m = m2 + h q.
    Held<kHalfWords> m1;
    Held<kHalfWords> m2;
    Held<kFullWords> h;
    Held<kFullWords> m;
    int rc = BigModExp(&m1.num, &y.num, &dP.num, &p.num);
    if (rc == 0)
        rc = BigModExp(&m2.num, &y.num, &dQ.num, &q.num);
    if (rc == 0)
        rc = BigSub(&h.num, &m1.num, &m2.num);
    if (rc == 0)
        rc = BigMul(&h.num, &h.num, &qInv.num);
    if (rc == 0)
        rc = BigMod(&h.num, &h.num, &p.num);
    if (rc == 0)
        rc = BigMul(&m.num, &h.num, &q.num);
    if (rc == 0)
        rc = BigAdd(&m.num, &m.num, &m2.num);
    if (rc != 0)
        return rc + kRsaPrivateErrOffset;
    WriteResult(&m.num, key, outLen, out);
    return 0;
}

} // namespace talvex
