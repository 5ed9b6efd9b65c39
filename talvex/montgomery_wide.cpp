// Montgomery products on 64-bit limbs with 128-bit intermediate products.
//
// A modulus of an even number k of 32-bit words is, on a little-endian host,
// the same bytes as k / 2 limbs of 64 bits, and R = 2^(32 x k) is the same
// number either way. The unreduced Montgomery result S = (a x b + M x n) / R
// depends only on a, b and n (M is the one value below R that makes the sum
// divisible by R), so these loops return exactly what the word-by-word loop
// returns, in a quarter of the word products.
#include <cstring>

#include "talvex_internal.h"

namespace talvex {

#if defined(__SIZEOF_INT128__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__

namespace {

using Limb = std::uint64_t;
using Wide = unsigned __int128;
constexpr unsigned kLimbBits = 64;
constexpr std::size_t kWordsPerLimb = 2;
constexpr std::size_t kMaxLimbs = kMaxModulusWords / kWordsPerLimb;

// The RSA sizes: 1024-bit primes and 2048-bit moduli get loops with fixed
// bounds, which the compiler unrolls.
constexpr std::size_t kHalfKeyLimbs = 16;
constexpr std::size_t kFullKeyLimbs = 32;

// -1 / n mod 2^64 from -1 / n mod 2^32, by one Newton step.
Limb WideInverse(Limb n0, std::uint32_t nPrime)
{
    Limb x = static_cast<Limb>(0u - nPrime) & 0xFFFFFFFFu; // 1 / n mod 2^32
    x *= 2 - n0 * x;
    return 0 - x;
}

// t[0..L] = (a x b + M x n) / R, operand-scanning with the reduction folded
// into each step. t holds L + 2 limbs.
inline __attribute__((always_inline)) void MulLoop(Limb* t, const Limb* a, const Limb* b, const Limb* n, Limb n0,
                                                   std::size_t L)
{
    for (std::size_t i = 0; i < L + 2; ++i)
        t[i] = 0;
    for (std::size_t i = 0; i < L; ++i) {
        const Limb ai = a[i];
        Limb c = 0;
        for (std::size_t j = 0; j < L; ++j) {
            const Wide p = static_cast<Wide>(ai) * b[j] + t[j] + c;
            t[j] = static_cast<Limb>(p);
            c = static_cast<Limb>(p >> kLimbBits);
        }
        Wide s = static_cast<Wide>(t[L]) + c;
        t[L] = static_cast<Limb>(s);
        t[L + 1] = static_cast<Limb>(s >> kLimbBits);

        const Limb m = t[0] * n0;
        Wide p = static_cast<Wide>(m) * n[0] + t[0];
        c = static_cast<Limb>(p >> kLimbBits);
        for (std::size_t j = 1; j < L; ++j) {
            p = static_cast<Wide>(m) * n[j] + t[j] + c;
            t[j - 1] = static_cast<Limb>(p);
            c = static_cast<Limb>(p >> kLimbBits);
        }
        s = static_cast<Wide>(t[L]) + c;
        t[L - 1] = static_cast<Limb>(s);
        t[L] = t[L + 1] + static_cast<Limb>(s >> kLimbBits);
    }
}

// t[L..2L] = (a x a + M x n) / R: the square with each cross product formed
// once and doubled, then L reduction steps. t holds 2L + 1 limbs.
inline __attribute__((always_inline)) void SqrLoop(Limb* t, const Limb* a, const Limb* n, Limb n0, std::size_t L)
{
    for (std::size_t i = 0; i < 2 * L + 1; ++i)
        t[i] = 0;
    for (std::size_t i = 0; i < L; ++i) {
        Limb c = 0;
        for (std::size_t j = i + 1; j < L; ++j) {
            const Wide p = static_cast<Wide>(a[i]) * a[j] + t[i + j] + c;
            t[i + j] = static_cast<Limb>(p);
            c = static_cast<Limb>(p >> kLimbBits);
        }
        t[i + L] = c;
    }
    for (std::size_t i = 2 * L; i-- > 1;)
        t[i] = (t[i] << 1) | (t[i - 1] >> (kLimbBits - 1));
    t[0] <<= 1;
    Limb c = 0;
    for (std::size_t i = 0; i < L; ++i) {
        const Wide sq = static_cast<Wide>(a[i]) * a[i];
        Wide s = static_cast<Wide>(t[2 * i]) + static_cast<Limb>(sq) + c;
        t[2 * i] = static_cast<Limb>(s);
        s = static_cast<Wide>(t[2 * i + 1]) + static_cast<Limb>(sq >> kLimbBits) + static_cast<Limb>(s >> kLimbBits);
        t[2 * i + 1] = static_cast<Limb>(s);
        c = static_cast<Limb>(s >> kLimbBits);
    }

    Limb top = 0; // carry out of the limb above the one the step just finished
    for (std::size_t i = 0; i < L; ++i) {
        const Limb m = t[i] * n0;
        c = 0;
        for (std::size_t j = 0; j < L; ++j) {
            const Wide p = static_cast<Wide>(m) * n[j] + t[i + j] + c;
            t[i + j] = static_cast<Limb>(p);
            c = static_cast<Limb>(p >> kLimbBits);
        }
        const Wide s = static_cast<Wide>(t[i + L]) + c + top;
        t[i + L] = static_cast<Limb>(s);
        top = static_cast<Limb>(s >> kLimbBits);
    }
    t[2 * L] = top;
}

void MulDispatch(Limb* t, const Limb* a, const Limb* b, const Limb* n, Limb n0, std::size_t L)
{
    if (L == kHalfKeyLimbs)
        MulLoop(t, a, b, n, n0, kHalfKeyLimbs);
    else if (L == kFullKeyLimbs)
        MulLoop(t, a, b, n, n0, kFullKeyLimbs);
    else
        MulLoop(t, a, b, n, n0, L);
}

void SqrDispatch(Limb* t, const Limb* a, const Limb* n, Limb n0, std::size_t L)
{
    if (L == kHalfKeyLimbs)
        SqrLoop(t, a, n, n0, kHalfKeyLimbs);
    else if (L == kFullKeyLimbs)
        SqrLoop(t, a, n, n0, kFullKeyLimbs);
    else
        SqrLoop(t, a, n, n0, L);
}

struct Operands {
    Limb a[kMaxLimbs];
    Limb b[kMaxLimbs];
    Limb n[kMaxLimbs];
    Limb t[2 * kMaxLimbs + 2];
    ~Operands() { SecureWipe(this, sizeof *this); }
};

Limb LowLimb(const std::uint32_t* n)
{
    return static_cast<Limb>(n[0]) | (static_cast<Limb>(n[1]) << kWordBits);
}

} // namespace

bool MontMulWide(std::uint32_t* s, const std::uint32_t* a, const std::uint32_t* b, const std::uint32_t* n,
                 std::size_t k, std::uint32_t nPrime)
{
    if (k % kWordsPerLimb != 0 || k == 0)
        return false;
    const std::size_t L = k / kWordsPerLimb;
    const std::size_t bytes = k * kWordBytes;
    Operands o;
    std::memcpy(o.a, a, bytes);
    std::memcpy(o.b, b, bytes);
    std::memcpy(o.n, n, bytes);
    MulDispatch(o.t, o.a, o.b, o.n, WideInverse(LowLimb(n), nPrime), L);
    std::memcpy(s, o.t, bytes);
    s[k] = static_cast<std::uint32_t>(o.t[L]);
    return true;
}

bool MontSqrWide(std::uint32_t* s, const std::uint32_t* a, const std::uint32_t* n, std::size_t k, std::uint32_t nPrime)
{
    if (k % kWordsPerLimb != 0 || k == 0)
        return false;
    const std::size_t L = k / kWordsPerLimb;
    const std::size_t bytes = k * kWordBytes;
    Operands o;
    std::memcpy(o.a, a, bytes);
    std::memcpy(o.n, n, bytes);
    SqrDispatch(o.t, o.a, o.n, WideInverse(LowLimb(n), nPrime), L);
    std::memcpy(s, o.t + L, bytes);
    s[k] = static_cast<std::uint32_t>(o.t[2 * L]);
    return true;
}

#else

bool MontMulWide(std::uint32_t*, const std::uint32_t*, const std::uint32_t*, const std::uint32_t*, std::size_t,
                 std::uint32_t)
{
    return false;
}

bool MontSqrWide(std::uint32_t*, const std::uint32_t*, const std::uint32_t*, std::size_t, std::uint32_t)
{
    return false;
}

#endif

} // namespace talvex
