// Multiplication, long division in base 2^32 and reduction modulo m.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::uint32_t kWordMax = 0xFFFFFFFFu;
// The division shifts the divisor until its top set bit stands at this bit of
// its top word, leaving one bit of headroom.
constexpr std::size_t kDivisorTopBit = 30;

template <std::size_t Words>
struct Scratch {
    std::uint32_t words[Words];
    BigNum num;
    Scratch() : words{}, num{0, 1, words} {}
    ~Scratch() { SecureWipe(words, sizeof words); }
};
using ProductScratch = Scratch<kFullWords>;
// The division shifts a full-size operand by up to 31 bits and reads one word
// above the shifted remainder.
using DivisionScratch = Scratch<kFullWords + 2>;

std::size_t SignificantWords(const BigNum* a)
{
    std::size_t n = a->length;
    while (n > 1 && a->words[n - 1] == 0)
        --n;
    return n;
}

bool IsZero(const BigNum* a)
{
    return SignificantWords(a) == 1 && a->words[0] == 0;
}

// x[0..m] -= q x b[0..m-1]; returns true when the result went negative (the
// borrow out of word m).
bool MulSubWords(std::uint32_t* x, const std::uint32_t* b, std::size_t m, std::uint32_t q)
{
    std::uint64_t carry = 0;
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < m; ++i) {
        const std::uint64_t p = static_cast<std::uint64_t>(b[i]) * q + carry;
        carry = p >> kWordBits;
        const std::uint64_t d = static_cast<std::uint64_t>(x[i]) - static_cast<std::uint32_t>(p) - borrow;
        x[i] = static_cast<std::uint32_t>(d);
        borrow = static_cast<std::uint32_t>(d >> kWordBits) & 1u;
    }
    const std::uint64_t d = static_cast<std::uint64_t>(x[m]) - carry - borrow;
    x[m] = static_cast<std::uint32_t>(d);
    return (d >> kWordBits) != 0;
}

// x[0..m] += b[0..m-1], dropping the carry out of word m (it cancels the
// borrow of the subtraction it undoes).
void AddBackWords(std::uint32_t* x, const std::uint32_t* b, std::size_t m)
{
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < m; ++i) {
        carry += static_cast<std::uint64_t>(x[i]) + b[i];
        x[i] = static_cast<std::uint32_t>(carry);
        carry >>= kWordBits;
    }
    x[m] = static_cast<std::uint32_t>(x[m] + carry);
}

// Compares the m-word strings x and b: is x at least b?
bool WordsNotBelow(const std::uint32_t* x, const std::uint32_t* b, std::size_t m)
{
    for (std::size_t i = m; i-- > 0;) {
        if (x[i] != b[i])
            return x[i] > b[i];
    }
    return true;
}

// Estimate of the next quotient digit from the top three words of the
// remainder and the top two of the divisor; at most one too large.
std::uint32_t EstimateDigit(std::uint32_t a2, std::uint32_t a1, std::uint32_t a0, std::uint32_t b1, std::uint32_t b0)
{
    const std::uint64_t top = (static_cast<std::uint64_t>(a2) << kWordBits) | a1;
    std::uint64_t q = a2 == b1 ? kWordMax : top / b1;
    if (q > kWordMax)
        q = kWordMax;
    // Refine against the second divisor word: while q x (b1:b0) > a2:a1:a0.
    std::uint64_t r = top - q * b1; // remainder of the two-word estimate, may exceed 32 bits
    while ((r >> kWordBits) == 0 && q * b0 > ((r << kWordBits) | a0)) {
        --q;
        r += b1;
    }
    return static_cast<std::uint32_t>(q);
}

} // namespace

void BigMulAddWord(const std::uint32_t* x, std::size_t count, std::uint32_t* acc, std::uint32_t w)
{
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t t = static_cast<std::uint64_t>(x[i]) * w + acc[i] + carry;
        acc[i] = static_cast<std::uint32_t>(t);
        carry = t >> kWordBits;
    }
    for (std::size_t i = count; carry != 0; ++i) {
        carry += acc[i];
        acc[i] = static_cast<std::uint32_t>(carry);
        carry >>= kWordBits;
    }
}

int BigMul(BigNum* r, const BigNum* a, const BigNum* b)
{
    const std::size_t la = SignificantWords(a);
    const std::size_t lb = SignificantWords(b);
    const std::uint8_t sign = a->sign != b->sign ? 1 : 0;
    ProductScratch s;
    for (std::size_t j = lb; j-- > 0;)
        BigMulAddWord(a->words, la, s.words + j, b->words[j]);
    s.num.length = static_cast<std::uint8_t>(la + lb);
    BigNormalise(&s.num);
    BigCopy(r, &s.num);
    r->sign = IsZero(r) ? 0 : sign;
    return 0;
}

int BigMulWord(BigNum* r, const BigNum* a, std::uint32_t w)
{
    const std::size_t la = SignificantWords(a);
    const std::uint8_t sign = a->sign;
    ProductScratch s;
    BigMulAddWord(a->words, la, s.words, w);
    s.num.length = static_cast<std::uint8_t>(la + 1);
    BigNormalise(&s.num);
    BigCopy(r, &s.num);
    r->sign = IsZero(r) ? 0 : sign;
    return 0;
}

int BigDivMod(BigNum* r, const BigNum* a, const BigNum* b)
{
    if (IsZero(b))
        return kErrDivideByZero;
    if (BigCmpMag(a, b) < 0) {
        if (r != a)
            BigCopy(r, a);
        return 0;
    }
    const std::uint8_t sign = a->sign;
    DivisionScratch remainder;
    DivisionScratch divisor;
    BigCopy(&remainder.num, a);
    BigCopy(&divisor.num, b);
    remainder.num.sign = 0;
    divisor.num.sign = 0;

    // Normalise: the divisor's top set bit to bit 30 of its top word.
    const std::size_t topBit = BigBitLength(&divisor.num) % kWordBits;
    const std::size_t shift = topBit < kDivisorTopBit + 1 ? kDivisorTopBit + 1 - topBit : 0;
    BigShiftLeft(&remainder.num, shift);
    BigShiftLeft(&divisor.num, shift);

    std::uint32_t* x = remainder.words;
    const std::uint32_t* y = divisor.words;
    const std::size_t m = divisor.num.length;
    const std::size_t n = remainder.num.length;

    // Top digit: subtract the divisor aligned with the remainder's top words
    // until those words are below it. Then every later digit fits one word.
    while (WordsNotBelow(x + (n - m), y, m))
        MulSubWords(x + (n - m), y, m, 1);
    for (std::size_t j = n; j-- > m;) {
        const std::uint32_t a0 = j >= 2 ? x[j - 2] : 0;
        const std::uint32_t b0 = m >= 2 ? y[m - 2] : 0;
        const std::uint32_t q = EstimateDigit(x[j], x[j - 1], a0, y[m - 1], b0);
        // A borrow means the estimate was one too large: add the divisor back.
        if (q != 0 && MulSubWords(x + (j - m), y, m, q))
            AddBackWords(x + (j - m), y, m);
    }

    remainder.num.length = static_cast<std::uint8_t>(n);
    BigNormalise(&remainder.num);
    BigShiftRight(&remainder.num, shift);
    BigCopy(r, &remainder.num);
    r->sign = IsZero(r) ? 0 : sign;
    return 0;
}

int BigMod(BigNum* r, const BigNum* a, const BigNum* m)
{
    if (m->sign)
        return kErrMagnitudeTooSmall;
    int rc = BigDivMod(r, a, m);
    if (rc != 0)
        return rc;
    while (r->sign) {
        rc = BigAdd(r, r, m);
        if (rc != 0)
            return rc;
    }
    while (BigCmp(r, m) >= 0) {
        rc = BigSub(r, r, m);
        if (rc != 0)
            return rc;
    }
    return 0;
}

} // namespace talvex
