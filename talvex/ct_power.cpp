// Modular exponentiation on limb vectors: a fixed-window power for secret
// exponents, square and multiply for the public one, and the choice of
// kernel for the two CRT halves.
#include "talvex_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace talvex {

namespace {

constexpr std::size_t kCtMaxWindowBits = 5;
constexpr std::size_t kCtTableEntries = std::size_t{1} << kCtMaxWindowBits;
// Wider windows save multiplications on long exponents but cost a bigger
// table, every entry of which is read at every window.
struct CtWindowStep {
    std::size_t maxExponentBits;
    std::size_t windowBits;
};
constexpr CtWindowStep kCtWindowSteps[] = {{32, 2}, {128, 3}, {512, 4}};

// r = table[index], reading every entry. The primes' size gets a copy of its
// own, which the compiler turns into whole-vector operations.
template <std::size_t Fixed>
void SelectEntryOf(Limb* r, const Limb (*table)[kLimbMax], std::size_t entries, Limb index,
                   std::size_t runtimeLimbs)
{
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    Limb acc[kLimbMax] = {};
    for (std::size_t j = 0; j < entries; ++j) {
        const Limb mask = MaskIfEqual(static_cast<Limb>(j), index);
        // Unrolled, the accumulator stays in registers across the entries.
#pragma GCC unroll 16
        for (std::size_t i = 0; i < limbs; ++i)
            acc[i] |= table[j][i] & mask;
    }
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = acc[i];
    WipeLimbs(acc, limbs);
}

#if defined(TALVEX_HAVE_LIMB64) && defined(__SSE2__)
// The primes' size on SSE2, which every x86-64 processor has: the entry's
// mask comes from a vector comparison of a running count with the index
// (equal 32-bit halves make equal 64-bit lanes), two limbs at a time.
void SelectPrimeEntry(Limb* r, const Limb (*table)[kLimbMax], std::size_t entries, Limb index)
{
    constexpr std::size_t kVectors = kPrimeMaxLimbs / 2;
    const __m128i wanted = _mm_set1_epi32(static_cast<int>(index));
    const __m128i one = _mm_set1_epi32(1);
    __m128i count = _mm_setzero_si128();
    __m128i acc[kVectors];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kVectors; ++k)
        acc[k] = _mm_setzero_si128();
    for (std::size_t j = 0; j < entries; ++j) {
        const __m128i mask = _mm_cmpeq_epi32(count, wanted);
        count = _mm_add_epi32(count, one);
        const Limb* row = table[j];
#pragma GCC unroll 16
        for (std::size_t k = 0; k < kVectors; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 2 * k));
            acc[k] = _mm_or_si128(acc[k], _mm_and_si128(v, mask));
        }
    }
#pragma GCC unroll 16
    for (std::size_t k = 0; k < kVectors; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + 2 * k), acc[k]);
}
#endif

void SelectEntry(Limb* r, const Limb (*table)[kLimbMax], std::size_t entries, Limb index, std::size_t limbs)
{
    if (limbs == kPrimeMaxLimbs) {
#if defined(TALVEX_HAVE_LIMB64) && defined(__SSE2__)
        SelectPrimeEntry(r, table, entries, index);
#else
        SelectEntryOf<kPrimeMaxLimbs>(r, table, entries, index, limbs);
#endif
        return;
    }
    SelectEntryOf<0>(r, table, entries, index, limbs);
}

} // namespace

Limb ExponentWindow(const Limb* e, std::size_t eLimbs, std::size_t pos, std::size_t w)
{
    const std::size_t i = pos / kLimbBits;
    const std::size_t shift = pos % kLimbBits;
    Limb v = e[i] >> shift;
    if (shift + w > kLimbBits && i + 1 < eLimbs)
        v |= e[i + 1] << (kLimbBits - shift);
    return v & ((Limb{1} << w) - 1);
}

std::size_t CtWindowBits(std::size_t exponentBits)
{
    for (const CtWindowStep& step : kCtWindowSteps) {
        if (exponentBits <= step.maxExponentBits)
            return step.windowBits;
    }
    return kCtMaxWindowBits;
}

void CtPower(const MontModulus& m, Limb* r, const Limb* base, const Limb* e, std::size_t eLimbs)
{
    const std::size_t limbs = m.limbs;
    const std::size_t eBits = eLimbs * kLimbBits;
    const std::size_t w = CtWindowBits(eBits);
    const std::size_t entries = std::size_t{1} << w;
    Limb table[kCtTableEntries][kLimbMax];
    Limb acc[kLimbMax];
    Limb entry[kLimbMax];
    // table[j] = base^j in Montgomery form; table[0] = R mod n.
    MontLeave(m, table[0], m.r2);
    MontMul(m, table[1], base, m.r2);
    for (std::size_t j = 2; j < entries; ++j) {
        if (j % 2 == 0)
            MontSqr(m, table[j], table[j / 2]);
        else
            MontMul(m, table[j], table[j - 1], table[1]);
    }
    // Windows from the top; the top one may be short.
    std::size_t pos = (eBits - 1) / w * w;
    SelectEntry(acc, table, entries, ExponentWindow(e, eLimbs, pos, w), limbs);
    while (pos > 0) {
        pos -= w;
        for (std::size_t s = 0; s < w; ++s)
            MontSqr(m, acc, acc);
        SelectEntry(entry, table, entries, ExponentWindow(e, eLimbs, pos, w), limbs);
        MontMul(m, acc, acc, entry);
    }
    MontLeave(m, r, acc);
    WipeLimbs(&table[0][0], kCtTableEntries * kLimbMax);
    WipeLimbs(acc, kLimbMax);
    WipeLimbs(entry, kLimbMax);
}

void PublicPower(const MontModulus& m, Limb* r, const Limb* x, std::uint32_t e)
{
    Limb base[kLimbMax];
    Limb acc[kLimbMax];
    MontMul(m, base, x, m.r2);
    for (std::size_t i = 0; i < m.limbs; ++i)
        acc[i] = base[i];
    int bit = 31;
    while (bit > 0 && ((e >> bit) & 1u) == 0)
        --bit;
    while (bit-- > 0) {
        MontSqr(m, acc, acc);
        if ((e >> bit) & 1u)
            MontMul(m, acc, acc, base);
    }
    MontLeave(m, r, acc);
    WipeLimbs(base, kLimbMax);
    WipeLimbs(acc, kLimbMax);
}

namespace {

bool PublicPowerOnIfma(PowerKernel kernel, std::size_t limbs)
{
#if defined(TALVEX_HAVE_IFMA)
    return kernel == PowerKernel::kBest && limbs == kIfmaFullLimbs && BestKernel() == KernelChoice::kIfma;
#else
    static_cast<void>(kernel);
    static_cast<void>(limbs);
    return false;
#endif
}

} // namespace

std::size_t PublicPowerSquareBits(PowerKernel kernel, std::size_t limbs)
{
    return PublicPowerOnIfma(kernel, limbs) ? kIfmaFullSquareBits : 2 * kLimbBits * limbs;
}

void PublicPowerWith(PowerKernel kernel, Limb* r, const Limb* x, std::uint32_t e, const Limb* n, std::size_t limbs,
                     const Limb* rSquared)
{
#if defined(TALVEX_HAVE_IFMA)
    if (PublicPowerOnIfma(kernel, limbs)) {
        IfmaPublicPower(r, x, e, n, LimbMontNPrime(n[0]), rSquared);
        return;
    }
#else
    static_cast<void>(kernel);
#endif
    const MontModulus m(n, limbs, rSquared);
    PublicPower(m, r, x, e);
}

void PowerPair(PowerKernel kernel, const PowerHalf& first, const PowerHalf& second)
{
#if defined(TALVEX_HAVE_IFMA)
    if (kernel == PowerKernel::kBest && first.modulus->limbs == kIfmaModulusLimbs &&
        second.modulus->limbs == kIfmaModulusLimbs && first.exponentLimbs == second.exponentLimbs &&
        BestKernel() == KernelChoice::kIfma) {
        IfmaPowerPair(first, second);
        return;
    }
#else
    static_cast<void>(kernel);
#endif
    CtPower(*first.modulus, first.result, first.base, first.exponent, first.exponentLimbs);
    CtPower(*second.modulus, second.result, second.base, second.exponent, second.exponentLimbs);
}

} // namespace talvex
