// Exponentiation on AVX-512 IFMA: the two CRT halves side by side, and the
// public exponent's power for the result check. A 1024-bit residue is held as
// 20 digits of 52 bits in five 256-bit vectors (a 2048-bit one as 40 in ten),
// and the multiply-add instructions on 52-bit digits do a Montgomery product
// in one step per digit. The two halves' products are interleaved, so that
// one half's step fills the other's wait for its scalar digit. Constant-time
// like the portable kernel: the same instructions whatever the values, table
// entries read whole, no branch on a digit; and the same results.
#include "talvex_internal.h"

#if defined(TALVEX_HAVE_IFMA)

#include <immintrin.h>

// Everything below is built for AVX-512 with IFMA, and BMI2 for the scalar
// products (mulx leaves the flags and takes any registers, a few moves fewer
// per step); IfmaUsable() decides at run time whether it may be called.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512vl,avx512ifma,bmi2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512vl,avx512ifma,bmi2")
#endif

namespace talvex {

namespace {

constexpr std::size_t kDigitBits = 52;
constexpr std::uint64_t kDigitMask = (std::uint64_t{1} << kDigitBits) - 1;
constexpr std::size_t kLanes = 4;
// A 1024-bit prime takes 20 digits, a 2048-bit modulus 40: 1040 and 2080
// bits, so that R exceeds four times the modulus and products of values
// below 2m stay below 2m without a subtraction (an "almost" Montgomery
// product).
constexpr std::size_t kHalfDigits = 20;
constexpr std::size_t kFullDigits = 40;
constexpr std::size_t kHalves = 2;
constexpr std::size_t kMaxWindowBits = 5;
constexpr std::size_t kMaxEntries = std::size_t{1} << kMaxWindowBits;
constexpr int kLanesPerMask = 4;
constexpr std::uint64_t kLaneMask = (1u << kLanesPerMask) - 1;

constexpr std::size_t RBits(std::size_t digits)
{
    return digits * kDigitBits;
}

// The limbs that hold a value below 2^(RBits - 16): 16 or 32.
constexpr std::size_t LimbsOf(std::size_t digits)
{
    return RBits(digits) / kLimbBits;
}

template <std::size_t N>
struct Digits {
    static constexpr std::size_t kVectors = N / kLanes;
    __m256i v[kVectors];
};

// A modulus as the products need it.
template <std::size_t N>
struct DigitModulus {
    Digits<N> m;
    std::uint64_t m0;  // lowest digit
    std::uint64_t k0;  // -m^-1 mod 2^52
};

template <std::size_t N>
void ToDigits(Digits<N>& d, const Limb* x)
{
    constexpr std::size_t kLimbs = LimbsOf(N);
    alignas(32) std::uint64_t digits[N];
    for (std::size_t j = 0; j < N; ++j) {
        const std::size_t bit = j * kDigitBits;
        const std::size_t i = bit / kLimbBits;
        const std::size_t shift = bit % kLimbBits;
        std::uint64_t v = i < kLimbs ? x[i] >> shift : 0;
        if (shift + kDigitBits > kLimbBits && i + 1 < kLimbs)
            v |= x[i + 1] << (kLimbBits - shift);
        digits[j] = v & kDigitMask;
    }
    for (std::size_t k = 0; k < Digits<N>::kVectors; ++k)
        d.v[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(digits + k * kLanes));
    SecureWipe(digits, sizeof digits);
}

// x = the digits' value, for a value that fits LimbsOf(N) limbs.
template <std::size_t N>
void FromDigits(Limb* x, const Digits<N>& d)
{
    constexpr std::size_t kLimbs = LimbsOf(N);
    alignas(32) std::uint64_t digits[N];
    for (std::size_t k = 0; k < Digits<N>::kVectors; ++k)
        _mm256_store_si256(reinterpret_cast<__m256i*>(digits + k * kLanes), d.v[k]);
    for (std::size_t i = 0; i < kLimbs; ++i)
        x[i] = 0;
    for (std::size_t j = 0; j < N; ++j) {
        const std::size_t bit = j * kDigitBits;
        const std::size_t i = bit / kLimbBits;
        const std::size_t shift = bit % kLimbBits;
        if (i < kLimbs)
            x[i] |= digits[j] << shift;
        if (shift + kDigitBits > kLimbBits && i + 1 < kLimbs)
            x[i + 1] |= digits[j] >> (kLimbBits - shift);
    }
    SecureWipe(digits, sizeof digits);
}

// Every lane back below 2^52 with its carries passed up: first all carries
// at once, then the at most one further carry per lane, rippling through
// lanes that are all ones; the ripple is worked out on a bit mask of the
// lanes with one addition.
template <std::size_t N>
inline __attribute__((always_inline)) void Normalise(Digits<N>& x)
{
    constexpr std::size_t kVectors = Digits<N>::kVectors;
    const __m256i mask = _mm256_set1_epi64x(static_cast<long long>(kDigitMask));
    const __m256i zero = _mm256_setzero_si256();
    __m256i carries[kVectors];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kVectors; ++k) {
        carries[k] = _mm256_srli_epi64(x.v[k], kDigitBits);
        x.v[k] = _mm256_and_si256(x.v[k], mask);
    }
    x.v[0] = _mm256_add_epi64(x.v[0], _mm256_alignr_epi64(carries[0], zero, 3));
#pragma GCC unroll 16
    for (std::size_t k = 1; k < kVectors; ++k)
        x.v[k] = _mm256_add_epi64(x.v[k], _mm256_alignr_epi64(carries[k], carries[k - 1], 3));
    std::uint64_t generate = 0;
    std::uint64_t propagate = 0;
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kVectors; ++k) {
        generate |= static_cast<std::uint64_t>(_mm256_cmpgt_epu64_mask(x.v[k], mask)) << (kLanesPerMask * k);
        propagate |= static_cast<std::uint64_t>(_mm256_cmpeq_epu64_mask(x.v[k], mask)) << (kLanesPerMask * k);
    }
    const std::uint64_t carryIn = ((generate << 1) + propagate) ^ propagate;
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kVectors; ++k) {
        const auto lanes = static_cast<__mmask8>((carryIn >> (kLanesPerMask * k)) & kLaneMask);
        // Adding 1 to a lane and dropping 2^52: x - (2^52 - 1), masked.
        x.v[k] = _mm256_and_si256(_mm256_mask_sub_epi64(x.v[k], lanes, x.v[k], mask), mask);
    }
}

// Zeroes digit rows with whole-vector stores, written out in place: a
// product is short enough that a call to the library's wipe would cost a
// few percent of it. The empty statement that claims to read them keeps the
// stores from being dropped as dead.
template <std::size_t H, std::size_t N>
inline __attribute__((always_inline)) void WipeDigitRows(std::uint64_t (&rows)[H][N])
{
    static_assert(N % kLanes == 0, "rows of whole vectors");
    const __m256i zero = _mm256_setzero_si256();
#pragma GCC unroll 16
    for (std::size_t h = 0; h < H; ++h) {
#pragma GCC unroll 16
        for (std::size_t k = 0; k < N / kLanes; ++k)
            _mm256_store_si256(reinterpret_cast<__m256i*>(rows[h] + k * kLanes), zero);
    }
    __asm__ __volatile__("" : : "r"(rows) : "memory");
}

// r[h] = a[h] b[h] / 2^(52 N) mod m[h], almost: below 2m for inputs below
// 2m. One digit of b per step: add a b_i and y m (y making the lowest digit
// vanish) into the accumulator's low halves, move it down a digit, add the
// high halves. The lowest digit is also followed in a scalar register, from
// the moved-down vector before its high halves arrive: that shortens the
// path from one step's y to the next, and the vector's own lowest lane is
// dropped at the next move anyway, so it is only written back at the end.
// With two halves their steps interleave, one filling the other's waits.
// Built into each of its two callers, where the operands' places are known
// (about 1 % faster than a call through the operand tables).
template <std::size_t N, std::size_t H>
inline __attribute__((always_inline)) void AlmostMontMul(Digits<N>* r, const Digits<N>* const* a, const Digits<N>* const* b, const DigitModulus<N>* mods)
{
    constexpr std::size_t kVectors = Digits<N>::kVectors;
    alignas(32) std::uint64_t bDigits[H][N];
    std::uint64_t a0[H];
    std::uint64_t low[H] = {};
    Digits<N> acc[H];
    const __m256i zero = _mm256_setzero_si256();
#pragma GCC unroll 16
    for (std::size_t h = 0; h < H; ++h) {
#pragma GCC unroll 16
        for (std::size_t k = 0; k < kVectors; ++k) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(bDigits[h] + k * kLanes), b[h]->v[k]);
            acc[h].v[k] = zero;
        }
        a0[h] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm256_castsi256_si128(a[h]->v[0])));
    }
    for (std::size_t i = 0; i < N; ++i) {
#pragma GCC unroll 16
        for (std::size_t h = 0; h < H; ++h) {
            const DigitModulus<N>& md = mods[h];
            const std::uint64_t bi = bDigits[h][i];
            const WideLimb ab = static_cast<WideLimb>(a0[h]) * bi;
            const std::uint64_t t = low[h] + (static_cast<std::uint64_t>(ab) & kDigitMask);
            const std::uint64_t y = (t * md.k0) & kDigitMask;
            const WideLimb my = static_cast<WideLimb>(md.m0) * y;
            const std::uint64_t carry = (t + (static_cast<std::uint64_t>(my) & kDigitMask)) >> kDigitBits;
            const auto highs = static_cast<std::uint64_t>(ab >> kDigitBits) + static_cast<std::uint64_t>(my >> kDigitBits);
            const __m256i vb = _mm256_set1_epi64x(static_cast<long long>(bi));
            const __m256i vy = _mm256_set1_epi64x(static_cast<long long>(y));
            Digits<N>& x = acc[h];
#pragma GCC unroll 16
            for (std::size_t k = 0; k < kVectors; ++k) {
                x.v[k] = _mm256_madd52lo_epu64(x.v[k], a[h]->v[k], vb);
                x.v[k] = _mm256_madd52lo_epu64(x.v[k], md.m.v[k], vy);
            }
#pragma GCC unroll 16
            for (std::size_t k = 0; k + 1 < kVectors; ++k)
                x.v[k] = _mm256_alignr_epi64(x.v[k + 1], x.v[k], 1);
            x.v[kVectors - 1] = _mm256_alignr_epi64(zero, x.v[kVectors - 1], 1);
            low[h] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm256_castsi256_si128(x.v[0]))) + carry + highs;
#pragma GCC unroll 16
            for (std::size_t k = 0; k < kVectors; ++k) {
                x.v[k] = _mm256_madd52hi_epu64(x.v[k], a[h]->v[k], vb);
                x.v[k] = _mm256_madd52hi_epu64(x.v[k], md.m.v[k], vy);
            }
        }
    }
#pragma GCC unroll 16
    for (std::size_t h = 0; h < H; ++h) {
        acc[h].v[0] = _mm256_mask_set1_epi64(acc[h].v[0], 1, static_cast<long long>(low[h]));
        Normalise(acc[h]);
        r[h] = acc[h];
    }
    // The accumulators live in registers (wiping them would pin them to
    // memory); the results go to the caller's storage, which it wipes.
    WipeDigitRows(bDigits);
}

using HalfDigits = Digits<kHalfDigits>;
using HalfModulus = DigitModulus<kHalfDigits>;
using FullDigits = Digits<kFullDigits>;

// Both halves times their own operands.
void MulPair(HalfDigits* r, const HalfDigits& a0, const HalfDigits& a1, const HalfDigits& b0, const HalfDigits& b1,
             const HalfModulus* mods)
{
    const HalfDigits* a[kHalves] = {&a0, &a1};
    const HalfDigits* b[kHalves] = {&b0, &b1};
    AlmostMontMul<kHalfDigits, kHalves>(r, a, b, mods);
}

void MulFull(FullDigits& r, const FullDigits& a, const FullDigits& b, const DigitModulus<kFullDigits>& md)
{
    const FullDigits* pa[1] = {&a};
    const FullDigits* pb[1] = {&b};
    AlmostMontMul<kFullDigits, 1>(&r, pa, pb, &md);
}

// r = table[index], reading every entry: each is blended in under a mask
// that is all lanes for the wanted one and none for the others. Each entry
// is loaded whole into a register first: left to itself the compiler folds
// the blend into a masked load, and whether a load whose mask is empty
// touches memory at all is the processor's business. The entries are dealt
// to four partial results in turn, so that the blends form four short
// chains instead of one long one; three of them end as zero, and an or
// joins them; like the products' accumulators, the partial results live in
// registers. The table holds kMaxEntries, a multiple of four; entries past
// the window's are read and never taken.
void SelectDigits(HalfDigits& r, const HalfDigits* table, std::size_t entries, Limb index)
{
    constexpr std::size_t kWays = 4;
    static_assert(kMaxEntries % kWays == 0, "whole rounds of the table");
    const std::size_t scanned = (entries + kWays - 1) / kWays * kWays;
    const __m256i wanted = _mm256_set1_epi64x(static_cast<long long>(index));
    HalfDigits part[kWays];
#pragma GCC unroll 8
    for (std::size_t w = 0; w < kWays; ++w)
#pragma GCC unroll 8
        for (std::size_t k = 0; k < HalfDigits::kVectors; ++k)
            part[w].v[k] = _mm256_setzero_si256();
    for (std::size_t j = 0; j < scanned; j += kWays) {
#pragma GCC unroll 8
        for (std::size_t w = 0; w < kWays; ++w) {
            const __mmask8 take = _mm256_cmpeq_epi64_mask(_mm256_set1_epi64x(static_cast<long long>(j + w)), wanted);
#pragma GCC unroll 8
            for (std::size_t k = 0; k < HalfDigits::kVectors; ++k) {
                __m256i entry = table[j + w].v[k];
                __asm__("" : "+v"(entry));
                part[w].v[k] = _mm256_mask_blend_epi64(take, part[w].v[k], entry);
            }
        }
    }
#pragma GCC unroll 8
    for (std::size_t k = 0; k < HalfDigits::kVectors; ++k)
        r.v[k] = _mm256_or_si256(_mm256_or_si256(part[0].v[k], part[1].v[k]), _mm256_or_si256(part[2].v[k], part[3].v[k]));
}

// r = v - n when v >= n, else v: the almost product by 1 leaves at most n.
void SubtractIfNotBelow(Limb* r, const Limb* v, const Limb* n, std::size_t limbs)
{
    const Limb borrow = LimbsSub(r, v, n, limbs);
    LimbsSelect(r, ValueBarrier(0 - borrow), v, r, limbs);
    r[limbs] = 0;
}

// Everything the exponentiation holds, wiped when it goes.
struct PairWork {
    HalfModulus mods[kHalves];
    HalfDigits r2[kHalves];
    HalfDigits unit;
    HalfDigits table[kHalves][kMaxEntries];
    HalfDigits fresh[kHalves];  // a table entry of each half on its way in
    HalfDigits acc[kHalves];
    HalfDigits entry[kHalves];
    HalfDigits out[kHalves];
    Limb limbs[kLimbMax];
    ~PairWork() { SecureWipe(this, sizeof *this); }
};

struct FullWork {
    DigitModulus<kFullDigits> mod;
    FullDigits r2, unit, base, acc;
    Limb limbs[kLimbMax];
    ~FullWork() { SecureWipe(this, sizeof *this); }
};

} // namespace

void IfmaPowerPair(const PowerHalf& first, const PowerHalf& second)
{
    const PowerHalf* halves[kHalves] = {&first, &second};
    const std::size_t eLimbs = first.exponentLimbs;
    const std::size_t eBits = eLimbs * kLimbBits;
    const std::size_t w = CtWindowBits(eBits);
    const std::size_t entries = std::size_t{1} << w;
    PairWork s{};
    Limb one[kIfmaModulusLimbs] = {1};
    ToDigits(s.unit, one);
    for (std::size_t h = 0; h < kHalves; ++h) {
        const MontModulus& mod = *halves[h]->modulus;
        ToDigits(s.mods[h].m, mod.n);
        s.mods[h].m0 = mod.n[0] & kDigitMask;
        s.mods[h].k0 = mod.nPrime & kDigitMask;
        MontPowerOfTwo(mod, s.limbs, 2 * RBits(kHalfDigits));
        ToDigits(s.r2[h], s.limbs);
        ToDigits(s.table[h][1], halves[h]->base);
    }
    // table[j] = base^j in the digits' Montgomery form; table[0] = R mod m.
    MulPair(s.fresh, s.r2[0], s.r2[1], s.unit, s.unit, s.mods);
    s.table[0][0] = s.fresh[0];
    s.table[1][0] = s.fresh[1];
    MulPair(s.fresh, s.table[0][1], s.table[1][1], s.r2[0], s.r2[1], s.mods);
    s.table[0][1] = s.fresh[0];
    s.table[1][1] = s.fresh[1];
    for (std::size_t j = 2; j < entries; ++j) {
        const std::size_t x = j % 2 == 0 ? j / 2 : j - 1;
        const std::size_t y = j % 2 == 0 ? j / 2 : 1;
        MulPair(s.fresh, s.table[0][x], s.table[1][x], s.table[0][y], s.table[1][y], s.mods);
        s.table[0][j] = s.fresh[0];
        s.table[1][j] = s.fresh[1];
    }
    std::size_t pos = (eBits - 1) / w * w;
    for (std::size_t h = 0; h < kHalves; ++h)
        SelectDigits(s.acc[h], s.table[h], entries, ExponentWindow(halves[h]->exponent, eLimbs, pos, w));
    while (pos > 0) {
        pos -= w;
        for (std::size_t q = 0; q < w; ++q)
            MulPair(s.acc, s.acc[0], s.acc[1], s.acc[0], s.acc[1], s.mods);
        for (std::size_t h = 0; h < kHalves; ++h)
            SelectDigits(s.entry[h], s.table[h], entries, ExponentWindow(halves[h]->exponent, eLimbs, pos, w));
        MulPair(s.acc, s.acc[0], s.acc[1], s.entry[0], s.entry[1], s.mods);
    }
    // Out of the Montgomery form: the almost product by 1 is at most m, and
    // a masked subtraction takes m = 0 mod m to 0.
    MulPair(s.out, s.acc[0], s.acc[1], s.unit, s.unit, s.mods);
    for (std::size_t h = 0; h < kHalves; ++h) {
        FromDigits(s.limbs, s.out[h]);
        SubtractIfNotBelow(halves[h]->result, s.limbs, halves[h]->modulus->n, kIfmaModulusLimbs);
    }
}

void IfmaPublicPower(Limb* r, const Limb* x, std::uint32_t e, const Limb* n, Limb nPrime, const Limb* rSquared)
{
    static_assert(kIfmaFullSquareBits == 2 * RBits(kFullDigits), "R^2 of the full-size digits");
    FullWork s{};
    ToDigits(s.mod.m, n);
    s.mod.m0 = n[0] & kDigitMask;
    s.mod.k0 = nPrime & kDigitMask;
    if (rSquared == nullptr) {
        LimbsPowerOfTwoMod(s.limbs, n, kIfmaFullLimbs, nPrime, kIfmaFullSquareBits);
        rSquared = s.limbs;
    }
    ToDigits(s.r2, rSquared);
    Limb one[kIfmaFullLimbs] = {1};
    ToDigits(s.unit, one);
    ToDigits(s.base, x);
    MulFull(s.base, s.base, s.r2, s.mod);
    s.acc = s.base;
    int bit = 31;
    while (bit > 0 && ((e >> bit) & 1u) == 0)
        --bit;
    while (bit-- > 0) {
        MulFull(s.acc, s.acc, s.acc, s.mod);
        if ((e >> bit) & 1u)
            MulFull(s.acc, s.acc, s.base, s.mod);
    }
    MulFull(s.acc, s.acc, s.unit, s.mod);
    FromDigits(s.limbs, s.acc);
    SubtractIfNotBelow(r, s.limbs, n, kIfmaFullLimbs);
}

} // namespace talvex

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
