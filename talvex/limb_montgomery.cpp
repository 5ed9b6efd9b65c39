// Montgomery multiplication and squaring on limbs with double-width
// products: the inner loops of the RSA operations. 64-bit limbs with 128-bit
// products where the compiler has them, 32-bit limbs with 64-bit products
// elsewhere (i686). The common sizes (the primes of a 2048-bit key and, on
// 64-bit limbs, the key itself) get their own fully unrolled copies. The
// final subtraction is done by masks: no branch or address depends on the
// operands or the modulus, only on the limb count.
#include "talvex_internal.h"

// x86-64 with 64-bit limbs: carry chains written as such (see Column).
#if defined(TALVEX_HAVE_LIMB64) && defined(__x86_64__) && defined(__GNUC__)
#define TALVEX_COLUMN_ASM 1
#include <x86intrin.h>
#endif

namespace talvex {

namespace {

using Wide = WideLimb;
constexpr Limb kInverseSeedMask = 8;
constexpr Limb kInverseSeedOffset = 4;
// Each Newton step doubles the correct low bits of the inverse, from 4.
constexpr int kNewtonSteps = kLimbBits == 64 ? 4 : 3;
constexpr std::size_t kHalfModulusLimbs = kPrimeMaxLimbs;
// A fully unrolled 2048-bit product on 32-bit limbs would be 4096 columns of
// code; only 64-bit limbs get that copy.
constexpr std::size_t kFullModulusLimbs = kLimbBits == 64 ? kModulusMaxLimbs : 0;

#if !defined(TALVEX_COLUMN_ASM)
constexpr unsigned kBitsPerLimb = kLimbBits;
inline Limb Lo(Wide v) { return static_cast<Limb>(v); }
inline Limb Hi(Wide v) { return static_cast<Limb>(v >> kBitsPerLimb); }
#endif

// Zeroes a product's scratch limbs. For the fixed lengths the stores are
// written out one by one: the compiler would otherwise call them a memset and
// start a string store, whose set-up costs more than the stores themselves.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void WipeScratch(Limb* p, std::size_t count)
{
    if (Fixed == 0) {
        WipeLimbs(p, count);
        return;
    }
    volatile Limb* v = p;
#pragma GCC unroll 64
    for (std::size_t i = 0; i < Fixed; ++i)
        v[i] = 0;
}

// r[0..L] = t[0..L] - n when t >= n, else t (t's top limb is 0 or 1). Both
// are computed; a mask picks one.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void SubtractOnce(Limb* r, const Limb* t, const Limb* n, std::size_t runtimeLimbs)
{
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    Limb d[kLimbMax];
    Limb borrow = 0;
#if defined(TALVEX_COLUMN_ASM)
    // One subtract-with-borrow chain.
    unsigned char flag = 0;
#pragma GCC unroll 64
    for (std::size_t i = 0; i < limbs; ++i) {
        unsigned long long diff;
        flag = _subborrow_u64(flag, t[i], n[i], &diff);
        d[i] = diff;
    }
    borrow = flag;
#else
#pragma GCC unroll 64
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide diff = static_cast<Wide>(t[i]) - n[i] - borrow;
        d[i] = Lo(diff);
        borrow = Hi(diff) & 1;
    }
#endif
    // t - n is negative when the borrow runs out of the top limb.
    const Limb keepT = ValueBarrier(static_cast<Limb>(0 - (borrow & (t[limbs] ^ 1))));
#pragma GCC unroll 64
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = (t[i] & keepT) | (d[i] & ~keepT);
    r[limbs] = 0;
    WipeScratch<Fixed>(d, limbs);
}

// A column sum of up to 2L products of limbs: two limbs plus a limb of
// carries, lowest first.
struct Column {
    Limb c0, c1, c2;
};

// On x86-64 the column is kept in three registers and each product added
// with one add-with-carry chain: the compiler's own double-width code takes
// the carry out of the top through a flag byte instead, half again as many
// instructions on the products' path. Elsewhere, the same in C.
inline __attribute__((always_inline)) void MulAdd(Column& c, Limb x, Limb y)
{
#if defined(TALVEX_COLUMN_ASM)
    Limb hi;
    __asm__("mulq %[y]\n\taddq %%rax, %[c0]\n\tadcq %%rdx, %[c1]\n\tadcq $0, %[c2]"
            : [c0] "+r"(c.c0), [c1] "+r"(c.c1), [c2] "+r"(c.c2), "+a"(x), "=&d"(hi)
            : [y] "rm"(y)
            : "cc");
#else
    const Wide p = static_cast<Wide>(x) * y;
    const Wide low = (static_cast<Wide>(c.c1) << kBitsPerLimb | c.c0) + p;
    c.c2 += low < p ? 1 : 0;
    c.c0 = Lo(low);
    c.c1 = Hi(low);
#endif
}

// c += d.
inline __attribute__((always_inline)) void AddColumn(Column& c, const Column& d)
{
#if defined(TALVEX_COLUMN_ASM)
    __asm__("addq %3, %0\n\tadcq %4, %1\n\tadcq %5, %2"
            : "+r"(c.c0), "+r"(c.c1), "+r"(c.c2)
            : "r"(d.c0), "r"(d.c1), "r"(d.c2)
            : "cc");
#else
    const Wide d01 = static_cast<Wide>(d.c1) << kBitsPerLimb | d.c0;
    const Wide low = (static_cast<Wide>(c.c1) << kBitsPerLimb | c.c0) + d01;
    c.c2 += d.c2 + (low < d01 ? 1 : 0);
    c.c0 = Lo(low);
    c.c1 = Hi(low);
#endif
}

// Takes the lowest limb out and moves the rest down by one limb.
inline __attribute__((always_inline)) Limb ShiftOut(Column& c)
{
    const Limb out = c.c0;
    c.c0 = c.c1;
    c.c1 = c.c2;
    c.c2 = 0;
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
    Column acc{0, 0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i < limbs; ++i) {
        Column reduction{0, 0, 0};
#pragma GCC unroll 64
        for (std::size_t j = 0; j < i; ++j) {
            MulAdd(acc, a[j], b[i - j]);
            MulAdd(reduction, m[j], n[i - j]);
        }
        MulAdd(acc, a[i], b[0]);
        AddColumn(acc, reduction);
        m[i] = acc.c0 * nPrime;
        MulAdd(acc, m[i], n[0]);
        ShiftOut(acc);
    }
#pragma GCC unroll 64
    for (std::size_t i = limbs; i < 2 * limbs; ++i) {
        Column reduction{0, 0, 0};
#pragma GCC unroll 64
        for (std::size_t j = i - limbs + 1; j < limbs; ++j) {
            MulAdd(acc, a[j], b[i - j]);
            MulAdd(reduction, m[j], n[i - j]);
        }
        AddColumn(acc, reduction);
        t[i - limbs] = ShiftOut(acc);
    }
    t[limbs] = acc.c0;
    SubtractOnce<Fixed>(r, t, n, limbs);
    WipeScratch<Fixed>(m, limbs);
    WipeScratch<Fixed>(t, limbs);
    WipeScratch<1>(t + limbs, 1);
}

// The same for a x a: each cross product a[j] a[i-j] of a column is formed
// once and the column's cross sum added in twice.
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
    Column acc{0, 0, 0};
#pragma GCC unroll 64
    for (std::size_t i = 0; i + 1 < 2 * limbs; ++i) {
        const std::size_t first = i < limbs ? 0 : i - limbs + 1;
        Column cross{0, 0, 0};
#pragma GCC unroll 64
        for (std::size_t j = first; 2 * j < i; ++j)
            MulAdd(cross, a[j], a[i - j]);
        const std::size_t reduced = i < limbs ? i : limbs;
        Column reduction{0, 0, 0};
#pragma GCC unroll 64
        for (std::size_t j = first; j < reduced; ++j)
            MulAdd(reduction, m[j], n[i - j]);
        AddColumn(acc, reduction);
        AddColumn(acc, cross);
        AddColumn(acc, cross);
        if (i % 2 == 0)
            MulAdd(acc, a[i / 2], a[i / 2]);
        if (i < limbs) {
            m[i] = acc.c0 * nPrime;
            MulAdd(acc, m[i], n[0]);
            ShiftOut(acc);
        } else {
            t[i - limbs] = ShiftOut(acc);
        }
    }
    t[limbs - 1] = ShiftOut(acc);
    t[limbs] = acc.c0;
    SubtractOnce<Fixed>(r, t, n, limbs);
    WipeScratch<Fixed>(m, limbs);
    WipeScratch<Fixed>(t, limbs);
    WipeScratch<1>(t + limbs, 1);
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
