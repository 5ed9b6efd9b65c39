// The raw RSA operations on a key record: m^e mod n, and m^d mod n in
// Garner's form of the Chinese remainder theorem.
#include <cstddef>

#include "talvex_internal.h"

namespace talvex {

static_assert(sizeof(RsaKeyRecord) == TALVEX_KEY_RECORD_BYTES, "key record layout");
static_assert(offsetof(RsaKeyRecord, modulus) == TALVEX_KEY_OFFSET_MODULUS, "key record layout");
static_assert(offsetof(RsaKeyRecord, publicExponent) == TALVEX_KEY_OFFSET_PUBLIC_EXPONENT, "key record layout");
static_assert(offsetof(RsaKeyRecord, privateExponent) == TALVEX_KEY_OFFSET_PRIVATE_EXPONENT, "key record layout");
static_assert(offsetof(RsaKeyRecord, primeP) == TALVEX_KEY_OFFSET_PRIME_P, "key record layout");
static_assert(offsetof(RsaKeyRecord, primeQ) == TALVEX_KEY_OFFSET_PRIME_Q, "key record layout");
static_assert(offsetof(RsaKeyRecord, exponentP) == TALVEX_KEY_OFFSET_EXPONENT_P, "key record layout");
static_assert(offsetof(RsaKeyRecord, exponentQ) == TALVEX_KEY_OFFSET_EXPONENT_Q, "key record layout");
static_assert(offsetof(RsaKeyRecord, coefficient) == TALVEX_KEY_OFFSET_COEFFICIENT, "key record layout");

namespace {

constexpr unsigned kBitsPerByte = 8;
constexpr std::size_t kExponentWords = 1; // only the low 32 bits of e count

template <std::size_t Words>
struct Number {
    std::uint32_t words[Words] = {};
    BigNum num{0, 1, words};
    Number() = default;
    Number(const Number&) = delete;
    Number& operator=(const Number&) = delete;
    ~Number() { SecureWipe(words, sizeof words); }
};
using Full = Number<kFullWords>;
using Half = Number<kHalfWords>;

std::uint32_t ResultBytes(const RsaKeyRecord* key)
{
    return (RsaKeyBits(key) + kBitsPerByte - 1) / kBitsPerByte;
}

} // namespace

std::uint32_t RsaKeyBits(const RsaKeyRecord* key)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(&key->bits);
    std::uint32_t bits = 0;
    for (std::size_t i = kWordBytes; i-- > 0;)
        bits = (bits << kBitsPerByte) | b[i];
    return bits;
}

int RsaPublicOp(std::size_t len, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                const RsaKeyRecord* key)
{
    Full m;
    Full n;
    Number<kExponentWords> e;
    BigFromBytes(&m.num, kFullWords, in, len);
    BigFromBytes(&n.num, kFullWords, key->modulus, sizeof key->modulus);
    BigFromBytes(&e.num, kExponentWords, key->publicExponent, sizeof key->publicExponent);
    if (BigCmp(&m.num, &n.num) >= 0)
        return kErrInputNotBelowModulus;
    const int rc = BigModExp(&m.num, &m.num, &e.num, &n.num);
    if (rc != 0)
        return rc + kPublicOpErrorOffset;
    *resLen = ResultBytes(key);
    BigToBytes(&m.num, m.num.length, res, *resLen);
    return 0;
}

int RsaPrivateOp(std::size_t len, const std::uint8_t* in, std::uint32_t* resLen, std::uint8_t* res,
                 const RsaKeyRecord* key)
{
    Full y;
    Full n;
    Half p;
    Half q;
    Half dP;
    Half dQ;
    Half qInv;
    Half m1;
    Half m2;
    Full h;
    BigFromBytes(&y.num, kFullWords, in, len);
    BigFromBytes(&n.num, kFullWords, key->modulus, sizeof key->modulus);
    if (BigCmp(&y.num, &n.num) >= 0)
        return kErrInputNotBelowModulus;
    BigFromBytes(&p.num, kHalfWords, key->primeP, sizeof key->primeP);
    BigFromBytes(&q.num, kHalfWords, key->primeQ, sizeof key->primeQ);
    BigFromBytes(&dP.num, kHalfWords, key->exponentP, sizeof key->exponentP);
    BigFromBytes(&dQ.num, kHalfWords, key->exponentQ, sizeof key->exponentQ);
    BigFromBytes(&qInv.num, kHalfWords, key->coefficient, sizeof key->coefficient);

    // m1 = y^dP mod p, m2 = y^dQ mod q, h = (m1 - m2) x qInv mod p,
    // m = m2 + h x q.
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
        rc = BigMul(&y.num, &h.num, &q.num);
    if (rc == 0)
        rc = BigAdd(&y.num, &y.num, &m2.num);
    if (rc != 0)
        return rc + kPrivateOpErrorOffset;
    *resLen = ResultBytes(key);
    BigToBytes(&y.num, y.num.length, res, *resLen);
    return 0;
}

} // namespace talvex
