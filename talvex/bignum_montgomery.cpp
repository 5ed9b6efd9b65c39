// Montgomery multiplication over 32-bit words and R^2 mod n.
#include "talvex_internal.h"

namespace talvex {

namespace {

// The Newton iteration for the inverse starts from an inverse modulo 16 and
// doubles the number of correct low bits at every step: 4, 8, 16, 32.
constexpr std::uint32_t kInverseSeedMask = 8;
constexpr std::uint32_t kInverseSeedOffset = 4;
constexpr int kNewtonStepsToWord = 3;

// The plain Montgomery loop. The accumulator slides up one word per step
// instead of being shifted: after step i the value lives at acc + i + 1, and
// the word it leaves behind is zero by construction of u.
void WordMontMul(BigNum* a, const BigNum* b, const BigNum* n, std::uint32_t nPrime)
{
    const std::size_t k = n->length;
    const std::size_t t = b->length < k ? b->length : k;
    const std::uint32_t b0 = b->words[0];
    std::uint32_t acc[kMontAccumulatorWords] = {};
    std::uint32_t* s = acc;
    for (std::size_t i = 0; i < k; ++i, ++s) {
        const std::uint32_t x = a->words[i];
        const std::uint32_t u = (x * b0 + s[0]) * nPrime;
        BigMulAddWord(b->words, t, s, x);
        BigMulAddWord(n->words, k, s, u);
    }
    for (std::size_t i = 0; i <= k; ++i)
        a->words[i] = s[i];
    SecureWipe(acc, sizeof acc);
    BigNum result{0, static_cast<std::uint8_t>(k + 1), a->words};
    BigNormalise(&result);
    if (BigCmpMag(&result, n) >= 0)
        BigSubWords(a->words, n->words, k);
}

#if defined(TALVEX_HAVE_LIMB64)

void PackLimbs(std::uint64_t* limbs, const std::uint32_t* words, std::size_t wordCount, std::size_t limbCount)
{
    for (std::size_t i = 0; i < limbCount; ++i) {
        const std::uint64_t lo = 2 * i < wordCount ? words[2 * i] : 0;
        const std::uint64_t hi = 2 * i + 1 < wordCount ? words[2 * i + 1] : 0;
        limbs[i] = lo | (hi << kWordBits);
    }
}

// The same product on 64-bit limbs, final subtraction included: with k even, R = 2^(32k) = 2^(64 k/2) and
// the Montgomery quotient (the unique m < R with ab + mn = 0 mod R) is the
// same, so the result is the same number.
void LimbPathMontMul(BigNum* a, const BigNum* b, const BigNum* n)
{
    const std::size_t k = n->length;
    const std::size_t limbs = k / 2;
    const std::size_t t = b->length < k ? b->length : k;
    std::uint64_t x[kLimbMax + 1];
    std::uint64_t y[kLimbMax];
    std::uint64_t m[kLimbMax];
    PackLimbs(x, a->words, k, limbs);
    PackLimbs(y, b->words, t, limbs);
    PackLimbs(m, n->words, k, limbs);
    LimbMontMul(x, x, y, m, LimbMontNPrime(m[0]), limbs);
    for (std::size_t i = 0; i < limbs; ++i) {
        a->words[2 * i] = static_cast<std::uint32_t>(x[i]);
        a->words[2 * i + 1] = static_cast<std::uint32_t>(x[i] >> kWordBits);
    }
    a->words[k] = static_cast<std::uint32_t>(x[limbs]);
    // The modulus is a secret prime in the private-key operation.
    SecureWipe(x, sizeof x);
    SecureWipe(y, sizeof y);
    SecureWipe(m, sizeof m);
}

#endif

} // namespace

std::uint32_t BigMontNPrime(std::uint32_t lowWord)
{
    const std::uint32_t w = lowWord;
    std::uint32_t x = w + ((2 * w + kInverseSeedOffset) & kInverseSeedMask);
    for (int i = 0; i < kNewtonStepsToWord; ++i)
        x *= 2 - w * x;
    return 0u - x;
}

void BigMontMul(BigNum* a, const BigNum* b, const BigNum* n, std::uint32_t nPrime)
{
    const std::size_t k = n->length;
    const std::size_t oldLength = a->length;
#if defined(TALVEX_HAVE_LIMB64)
    if (k % 2 == 0)
        LimbPathMontMul(a, b, n);
    else
        WordMontMul(a, b, n, nPrime);
#else
    WordMontMul(a, b, n, nPrime);
#endif
    for (std::size_t i = k + 1; i < oldLength; ++i)
        a->words[i] = 0;
    a->length = static_cast<std::uint8_t>(k + 1);
    a->sign = 0;
    BigNormalise(a);
}

void BigMontFrom(const BigNum* n, BigNum* a, std::uint32_t nPrime)
{
    std::uint32_t oneWord = 1;
    const BigNum one{0, 1, &oneWord};
    BigMontMul(a, &one, n, nPrime);
}

int BigMontR2(BigNum* r, const BigNum* n)
{
    const std::size_t k = n->length;
    if ((n->words[0] & 1u) == 0)
        return kErrBadModulus;
    // On limbs of 64 bits an odd word count leaves the top limb half empty;
    // the power of two is the same.
    constexpr std::size_t kWordsPerLimb = kLimbBits / kWordBits;
    const std::size_t limbs = (k + kWordsPerLimb - 1) / kWordsPerLimb;
    Limb modulus[kLimbMax] = {};
    Limb power[kLimbMax + 1] = {};
    for (std::size_t i = 0; i < k; ++i)
        modulus[i / kWordsPerLimb] |= static_cast<Limb>(n->words[i]) << (i % kWordsPerLimb * kWordBits);
    LimbsPowerOfTwoMod(power, modulus, limbs, LimbMontNPrime(modulus[0]), 2 * kWordBits * k);
    const std::size_t oldLength = r->length;
    for (std::size_t i = 0; i < k; ++i)
        r->words[i] = static_cast<std::uint32_t>(power[i / kWordsPerLimb] >> (i % kWordsPerLimb * kWordBits));
    for (std::size_t i = k; i < oldLength; ++i)
        r->words[i] = 0;
    r->length = static_cast<std::uint8_t>(k);
    r->sign = 0;
    BigNormalise(r);
    WipeLimbs(modulus, kLimbMax);
    WipeLimbs(power, kLimbMax + 1);
    return 0;
}

} // namespace talvex
