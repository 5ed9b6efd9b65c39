// Comparison, addition and subtraction of signed numbers.
#include "talvex_internal.h"

namespace talvex {

namespace {

// Scratch for sums and differences, so that r may alias an operand.
struct Scratch {
    std::uint32_t words[kFullWords];
    BigNum num;
    Scratch() : words{}, num{0, 1, words} {}
    ~Scratch() { SecureWipe(words, sizeof words); }
};

void SetMagnitudeFrom(BigNum* r, const BigNum* a)
{
    BigCopy(r, a);
    r->sign = 0;
}

} // namespace

int BigCmpMag(const BigNum* a, const BigNum* b)
{
    if (a->length != b->length)
        return a->length > b->length ? 1 : -1;
    for (std::size_t i = a->length; i-- > 0;) {
        if (a->words[i] != b->words[i])
            return a->words[i] > b->words[i] ? 1 : -1;
    }
    return 0;
}

int BigCmp(const BigNum* a, const BigNum* b)
{
    if (a->sign && !b->sign)
        return -1;
    if (!a->sign && b->sign)
        return 1;
    return a->sign ? BigCmpMag(b, a) : BigCmpMag(a, b);
}

int BigCmpWord(const BigNum* a, std::uint32_t w)
{
    std::uint32_t word = w;
    const BigNum b{0, 1, &word};
    return BigCmp(a, &b);
}

void BigAddMag(BigNum* r, const BigNum* a, const BigNum* b)
{
    const BigNum* longer = a->length >= b->length ? a : b;
    const BigNum* shorter = longer == a ? b : a;
    Scratch s;
    for (std::size_t i = 0; i < longer->length; ++i)
        s.words[i] = longer->words[i];
    std::uint64_t carry = 0;
    std::size_t i = 0;
    for (; i < shorter->length; ++i) {
        carry += static_cast<std::uint64_t>(s.words[i]) + shorter->words[i];
        s.words[i] = static_cast<std::uint32_t>(carry);
        carry >>= kWordBits;
    }
    for (; carry != 0 && i < kFullWords; ++i) {
        carry += s.words[i];
        s.words[i] = static_cast<std::uint32_t>(carry);
        carry >>= kWordBits;
    }
    const std::size_t len = i > longer->length ? i : longer->length;
    s.num.length = static_cast<std::uint8_t>(len);
    BigNormalise(&s.num);
    SetMagnitudeFrom(r, &s.num);
}

void BigSubWords(std::uint32_t* x, const std::uint32_t* y, std::size_t count)
{
    std::uint32_t borrow = 0;
    std::size_t i = 0;
    for (; i < count; ++i) {
        const std::uint64_t d = static_cast<std::uint64_t>(x[i]) - y[i] - borrow;
        x[i] = static_cast<std::uint32_t>(d);
        borrow = static_cast<std::uint32_t>(d >> kWordBits) & 1u;
    }
    for (; borrow != 0; ++i) {
        borrow = x[i] == 0 ? 1u : 0u;
        --x[i];
    }
}

int BigSubMag(BigNum* r, const BigNum* a, const BigNum* b)
{
    if (BigCmpMag(a, b) < 0)
        return kErrMagnitudeTooSmall;
    Scratch s;
    for (std::size_t i = 0; i < a->length; ++i)
        s.words[i] = a->words[i];
    BigSubWords(s.words, b->words, b->length);
    s.num.length = a->length;
    BigNormalise(&s.num);
    SetMagnitudeFrom(r, &s.num);
    return 0;
}

namespace {

// r = ||a| - |b||, taking the sign `signIfAGreater` when |a| >= |b| and
// `signIfBGreater` otherwise.
int SubtractMagnitudes(BigNum* r, const BigNum* a, const BigNum* b, std::uint8_t signIfAGreater,
                       std::uint8_t signIfBGreater)
{
    const bool bGreater = BigCmpMag(a, b) < 0;
    const int rc = bGreater ? BigSubMag(r, b, a) : BigSubMag(r, a, b);
    if (rc != 0)
        return rc;
    // A zero difference stays non-negative, so that it compares equal to 0.
    r->sign = BigCmpWord(r, 0) == 0 ? 0 : (bGreater ? signIfBGreater : signIfAGreater);
    return 0;
}

} // namespace

int BigAdd(BigNum* r, const BigNum* a, const BigNum* b)
{
    const std::uint8_t signA = a->sign;
    const std::uint8_t signB = b->sign;
    if (signA == signB) {
        BigAddMag(r, a, b);
        r->sign = BigCmpWord(r, 0) == 0 ? 0 : signA;
        return 0;
    }
    return SubtractMagnitudes(r, a, b, signA, signB);
}

int BigSub(BigNum* r, const BigNum* a, const BigNum* b)
{
    const std::uint8_t signA = a->sign;
    const std::uint8_t signB = b->sign;
    if (signA != signB) {
        BigAddMag(r, a, b);
        r->sign = BigCmpWord(r, 0) == 0 ? 0 : signA;
        return 0;
    }
    return SubtractMagnitudes(r, a, b, signA, static_cast<std::uint8_t>(signA ^ 1u));
}

} // namespace talvex
