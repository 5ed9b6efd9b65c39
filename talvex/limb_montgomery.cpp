// Montgomery multiplication and squaring on limbs with double-width
// products: the inner loops of the RSA operations. 64-bit limbs with 128-bit
// products where the compiler has them, 32-bit limbs with 64-bit products
// elsewhere (i686). The common sizes (the primes of a 2048-bit key and, on
// 64-bit limbs, the key itself) get their own fully unrolled copies. The
// final subtraction is done by masks: no branch or address depends on the
// operands or the modulus, only on the limb count.
#include "talvex_internal.h"

namespace talvex {

namespace {

using Wide = WideLimb;
constexpr unsigned kBitsPerLimb = kLimbBits;
constexpr Limb kInverseSeedMask = 8;
constexpr Limb kInverseSeedOffset = 4;
// Each Newton step doubles the correct low bits of the inverse, from 4.
constexpr int kNewtonSteps = kLimbBits == 64 ? 4 : 3;
constexpr std::size_t kHalfModulusLimbs = kPrimeMaxLimbs;
// A fully unrolled 2048-bit product on 32-bit limbs would be 4096 columns of
// code; only 64-bit limbs get that copy.
constexpr std::size_t kFullModulusLimbs = kLimbBits == 64 ? kModulusMaxLimbs : 0;

inline Limb Lo(Wide v) { return static_cast<Limb>(v); }
inline Limb Hi(Wide v) { return static_cast<Limb>(v >> kBitsPerLimb); }

// r[0..L] = t[0..L] - n when t >= n, else t (t's top limb is 0 or 1). Both
// are computed; a mask picks one.
inline __attribute__((always_inline)) void SubtractOnce(Limb* r, const Limb* t, const Limb* n, std::size_t limbs)
{
    Limb d[kLimbMax];
    Limb borrow = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide diff = static_cast<Wide>(t[i]) - n[i] - borrow;
        d[i] = Lo(diff);
        borrow = Hi(diff) & 1;
    }
    // t - n is negative when the borrow runs out of the top limb.
    const Limb keepT = ValueBarrier(static_cast<Limb>(0 - (borrow & (t[limbs] ^ 1))));
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = (t[i] & keepT) | (d[i] & ~keepT);
    r[limbs] = 0;
    WipeLimbs(d, limbs);
}

// A column sum of up to 2L products of limbs: two limbs plus a limb of
// carries.
struct Column {
    Wide low;
    Limb top;
};

inline __attribute__((always_inline)) void MulAdd(Column& c, Limb x, Limb y)
{
    const Wide p = static_cast<Wide>(x) * y;
    c.low += p;
    c.top += c.low < p ? 1 : 0;
}

// Takes the lowest limb out and moves the rest down by one limb.
inline __attribute__((always_inline)) Limb ShiftOut(Column& c)
{
    const Limb out = Lo(c.low);
    c.low = (c.low >> kBitsPerLimb) | (static_cast<Wide>(c.top) << kBitsPerLimb);
    c.top = 0;
    return out;
}

// Product scanning with the reduction folded in: column i of a x b + m x n is
// summed at once, and in the low columns the Montgomery digit m[i] is chosen
// so that the column's low limb vanishes. The digits form the unique m < R
// with a x b + m x n = 0 mod R, the same as a limb-by-limb reduction.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void MulCore(Limb* r, const Limb* a, const Limb* b, const Limb* n, Limb nPrime,
                                                   std::size_t runtimeLimbs)
{
    constexpr std::size_t kCapacity = Fixed != 0 ? Fixed : kLimbMax;
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    if (limbs == 0 || limbs > kCapacity)
        __builtin_unreachable();
    Limb m[kCapacity];
    Limb t[kCapacity + 1];
    Column acc{0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i < limbs; ++i) {
#pragma GCC unroll 64
        for (std::size_t j = 0; j < i; ++j) {
            MulAdd(acc, a[j], b[i - j]);
            MulAdd(acc, m[j], n[i - j]);
        }
        MulAdd(acc, a[i], b[0]);
        m[i] = Lo(acc.low) * nPrime;
        MulAdd(acc, m[i], n[0]);
        ShiftOut(acc);
    }
#pragma GCC unroll 64
    for (std::size_t i = limbs; i < 2 * limbs; ++i) {
#pragma GCC unroll 64
        for (std::size_t j = i - limbs + 1; j < limbs; ++j) {
            MulAdd(acc, a[j], b[i - j]);
            MulAdd(acc, m[j], n[i - j]);
        }
        t[i - limbs] = ShiftOut(acc);
    }
    t[limbs] = Lo(acc.low);
    SubtractOnce(r, t, n, limbs);
    WipeLimbs(m, limbs);
    WipeLimbs(t, limbs + 1);
}

// The same for a x a: each cross product a[j] a[i-j] of a column is formed
// once and the column's cross sum doubled.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void SqrCore(Limb* r, const Limb* a, const Limb* n, Limb nPrime,
                                                   std::size_t runtimeLimbs)
{
    constexpr std::size_t kCapacity = Fixed != 0 ? Fixed : kLimbMax;
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    if (limbs == 0 || limbs > kCapacity)
        __builtin_unreachable();
    Limb m[kCapacity];
    Limb t[kCapacity + 1];
    Column acc{0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i + 1 < 2 * limbs; ++i) {
        const std::size_t first = i < limbs ? 0 : i - limbs + 1;
        Column cross{0, 0};
#pragma GCC unroll 64
        for (std::size_t j = first; 2 * j < i; ++j)
            MulAdd(cross, a[j], a[i - j]);
        cross.top = (cross.top << 1) | static_cast<Limb>(cross.low >> (2 * kBitsPerLimb - 1));
        cross.low <<= 1;
        acc.low += cross.low;
        acc.top += cross.top + (acc.low < cross.low ? 1 : 0);
        if (i % 2 == 0)
            MulAdd(acc, a[i / 2], a[i / 2]);
        const std::size_t reduced = i < limbs ? i : limbs;
#pragma GCC unroll 64
        for (std::size_t j = first; j < reduced; ++j)
            MulAdd(acc, m[j], n[i - j]);
        if (i < limbs) {
            m[i] = Lo(acc.low) * nPrime;
            MulAdd(acc, m[i], n[0]);
            ShiftOut(acc);
        } else {
            t[i - limbs] = ShiftOut(acc);
        }
    }
    t[limbs - 1] = ShiftOut(acc);
    t[limbs] = Lo(acc.low);
    SubtractOnce(r, t, n, limbs);
    WipeLimbs(m, limbs);
    WipeLimbs(t, limbs + 1);
}

} // namespace

Limb LimbMontNPrime(Limb lowLimb)
{
    const Limb w = lowLimb;
    Limb x = w + ((2 * w + kInverseSeedOffset) & kInverseSeedMask);
    for (int i = 0; i < kNewtonSteps; ++i)
        x *= 2 - w * x;
    return 0 - x;
}

void LimbMontMul(Limb* r, const Limb* a, const Limb* b, const Limb* n, Limb nPrime, std::size_t limbs)
{
    if (limbs == kHalfModulusLimbs)
        MulCore<kHalfModulusLimbs>(r, a, b, n, nPrime, limbs);
    else if (limbs == kFullModulusLimbs)
        MulCore<kFullModulusLimbs>(r, a, b, n, nPrime, limbs);
    else
        MulCore<0>(r, a, b, n, nPrime, limbs);
}

void LimbMontSqr(Limb* r, const Limb* a, const Limb* n, Limb nPrime, std::size_t limbs)
{
    if (limbs == kHalfModulusLimbs)
        SqrCore<kHalfModulusLimbs>(r, a, n, nPrime, limbs);
    else if (limbs == kFullModulusLimbs)
        SqrCore<kFullModulusLimbs>(r, a, n, nPrime, limbs);
    else
        SqrCore<0>(r, a, n, nPrime, limbs);
}

} // namespace talvex
