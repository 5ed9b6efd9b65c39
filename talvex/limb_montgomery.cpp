// Montgomery multiplication and squaring on 64-bit limbs with 128-bit
// products: the inner loops of the RSA operations. The common sizes (16 and 32
// limbs: the primes of a 2048-bit key and the key itself) get their own fully
// unrolled copies.
#include "talvex_internal.h"

#if defined(TALVEX_HAVE_LIMB64)

namespace talvex {

namespace {

using Wide = unsigned __int128;
constexpr unsigned kLimbBits = 64;
constexpr std::uint64_t kInverseSeedMask = 8;
constexpr std::uint64_t kInverseSeedOffset = 4;
constexpr int kNewtonStepsToLimb = 4;
constexpr std::size_t kHalfModulusLimbs = 16;
constexpr std::size_t kFullModulusLimbs = 32;

inline std::uint64_t Lo(Wide v) { return static_cast<std::uint64_t>(v); }
inline std::uint64_t Hi(Wide v) { return static_cast<std::uint64_t>(v >> kLimbBits); }

// r[0..L] = t[0..L] - n when t >= n, else t (t's top limb is 0 or 1).
inline __attribute__((always_inline)) void SubtractOnce(std::uint64_t* r, const std::uint64_t* t,
                                                         const std::uint64_t* n, std::size_t limbs)
{
    bool notBelow = t[limbs] != 0;
    if (!notBelow) {
        notBelow = true;
        for (std::size_t i = limbs; i-- > 0;) {
            if (t[i] != n[i]) {
                notBelow = t[i] > n[i];
                break;
            }
        }
    }
    if (!notBelow) {
        for (std::size_t i = 0; i <= limbs; ++i)
            r[i] = t[i];
        return;
    }
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide d = static_cast<Wide>(t[i]) - n[i] - borrow;
        r[i] = Lo(d);
        borrow = Hi(d) & 1;
    }
    r[limbs] = t[limbs] - borrow;
}

inline __attribute__((always_inline)) void WipeLimbs(std::uint64_t* p, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        p[i] = 0;
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

// A column sum of up to 2L products of 64-bit limbs: 128 bits plus a word of
// carries.
struct Column {
    Wide low;
    std::uint64_t top;
};

inline __attribute__((always_inline)) void MulAdd(Column& c, std::uint64_t x, std::uint64_t y)
{
    const Wide p = static_cast<Wide>(x) * y;
    c.low += p;
    c.top += c.low < p ? 1 : 0;
}

// Takes the lowest limb out and moves the rest down by one limb.
inline __attribute__((always_inline)) std::uint64_t ShiftOut(Column& c)
{
    const std::uint64_t out = Lo(c.low);
    c.low = (c.low >> kLimbBits) | (static_cast<Wide>(c.top) << kLimbBits);
    c.top = 0;
    return out;
}

// Product scanning with the reduction folded in: column i of a x b + m x n is
// summed at once, and in the low columns the Montgomery digit m[i] is chosen
// so that the column's low limb vanishes. The digits form the unique m < R
// with a x b + m x n = 0 mod R, the same as a limb-by-limb reduction.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void MulCore(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b,
                                                   const std::uint64_t* n, std::uint64_t nPrime, std::size_t runtimeLimbs)
{
    constexpr std::size_t kCapacity = Fixed != 0 ? Fixed : kLimbMax;
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    if (limbs == 0 || limbs > kCapacity)
        __builtin_unreachable();
    std::uint64_t m[kCapacity];
    std::uint64_t t[kCapacity + 1];
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
inline __attribute__((always_inline)) void SqrCore(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* n,
                                                   std::uint64_t nPrime, std::size_t runtimeLimbs)
{
    constexpr std::size_t kCapacity = Fixed != 0 ? Fixed : kLimbMax;
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    if (limbs == 0 || limbs > kCapacity)
        __builtin_unreachable();
    std::uint64_t m[kCapacity];
    std::uint64_t t[kCapacity + 1];
    Column acc{0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i + 1 < 2 * limbs; ++i) {
        const std::size_t first = i < limbs ? 0 : i - limbs + 1;
        Column cross{0, 0};
#pragma GCC unroll 64
        for (std::size_t j = first; 2 * j < i; ++j)
            MulAdd(cross, a[j], a[i - j]);
        cross.top = (cross.top << 1) | static_cast<std::uint64_t>(cross.low >> (2 * kLimbBits - 1));
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

std::uint64_t LimbMontNPrime(std::uint64_t lowLimb)
{
    const std::uint64_t w = lowLimb;
    std::uint64_t x = w + ((2 * w + kInverseSeedOffset) & kInverseSeedMask);
    for (int i = 0; i < kNewtonStepsToLimb; ++i)
        x *= 2 - w * x;
    return 0 - x;
}

void LimbMontMul(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b, const std::uint64_t* n,
                 std::uint64_t nPrime, std::size_t limbs)
{
    if (limbs == kHalfModulusLimbs)
        MulCore<kHalfModulusLimbs>(r, a, b, n, nPrime, limbs);
    else if (limbs == kFullModulusLimbs)
        MulCore<kFullModulusLimbs>(r, a, b, n, nPrime, limbs);
    else
        MulCore<0>(r, a, b, n, nPrime, limbs);
}

void LimbMontSqr(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* n, std::uint64_t nPrime,
                 std::size_t limbs)
{
    if (limbs == kHalfModulusLimbs)
        SqrCore<kHalfModulusLimbs>(r, a, n, nPrime, limbs);
    else if (limbs == kFullModulusLimbs)
        SqrCore<kFullModulusLimbs>(r, a, n, nPrime, limbs);
    else
        SqrCore<0>(r, a, n, nPrime, limbs);
}

} // namespace talvex

#endif
