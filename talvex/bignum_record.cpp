// The number record: normal form, byte conversion, shifts, copies.
#include "talvex_internal.h"

namespace talvex {

namespace {
constexpr std::uint32_t kTopBit = 0x80000000u;
constexpr unsigned kBitsPerByte = 8;
constexpr std::uint32_t kByteMask = 0xFFu;
} // namespace

void BigNormalise(BigNum* a)
{
    std::size_t n = a->length;
    while (n > 0 && a->words[n - 1] == 0)
        --n;
    if (n == 0) {
        a->length = 1;
        a->sign = 0;
    } else {
        a->length = static_cast<std::uint8_t>(n);
    }
}

void BigSetWord(BigNum* r, std::uint32_t w)
{
    for (std::size_t i = 1; i < r->length; ++i)
        r->words[i] = 0;
    r->words[0] = w;
    r->length = 1;
    r->sign = 0;
}

std::size_t BigBitLength(const BigNum* a)
{
    std::size_t i = a->length;
    while (i > 0 && a->words[i - 1] == 0)
        --i;
    if (i == 0)
        return 0;
    std::uint32_t top = a->words[i - 1];
    std::size_t bits = kWordBits;
    while ((top & kTopBit) == 0) {
        top <<= 1;
        --bits;
    }
    return (i - 1) * kWordBits + bits;
}

void BigFromBytes(BigNum* r, std::size_t maxWords, const std::uint8_t* bytes, std::size_t len)
{
    std::size_t filled = 0;
    std::size_t pos = len;
    while (filled < maxWords && pos > 0) {
        std::uint32_t w = 0;
        for (unsigned b = 0; b < kWordBytes && pos > 0; ++b)
            w |= static_cast<std::uint32_t>(bytes[--pos]) << (b * kBitsPerByte);
        r->words[filled++] = w;
    }
    for (std::size_t i = filled; i < r->length; ++i)
        r->words[i] = 0;
    r->length = static_cast<std::uint8_t>(filled);
    BigNormalise(r);
}

void BigToBytes(const BigNum* a, std::size_t words, std::uint8_t* buf, std::size_t len)
{
    std::size_t pos = len;
    for (std::size_t i = 0; i < words && pos > 0; ++i) {
        const std::uint32_t w = a->words[i];
        for (unsigned b = 0; b < kWordBytes && pos > 0; ++b)
            buf[--pos] = static_cast<std::uint8_t>((w >> (b * kBitsPerByte)) & kByteMask);
    }
    while (pos > 0)
        buf[--pos] = 0;
}

void BigShiftLeft(BigNum* a, std::size_t bits)
{
    const std::size_t needed = BigBitLength(a) + bits;
    std::size_t len = a->length;
    if (kWordBits * len < needed)
        len = (needed + kWordBits - 1) / kWordBits;
    const std::size_t wordShift = bits / kWordBits;
    const unsigned bitShift = static_cast<unsigned>(bits % kWordBits);
    std::uint32_t* w = a->words;
    if (wordShift > 0) {
        for (std::size_t i = len; i-- > wordShift;)
            w[i] = w[i - wordShift];
        for (std::size_t i = 0; i < wordShift && i < len; ++i)
            w[i] = 0;
    }
    if (bitShift != 0) {
        std::uint32_t carry = 0;
        for (std::size_t i = wordShift; i < len; ++i) {
            const std::uint32_t v = w[i];
            w[i] = (v << bitShift) | carry;
            carry = v >> (kWordBits - bitShift);
        }
    }
    a->length = static_cast<std::uint8_t>(len);
    BigNormalise(a);
}

void BigShiftRight(BigNum* a, std::size_t bits)
{
    const std::size_t wordShift = bits / kWordBits;
    const unsigned bitShift = static_cast<unsigned>(bits % kWordBits);
    const std::size_t len = a->length;
    std::uint32_t* w = a->words;
    if (wordShift >= len) {
        BigSetWord(a, 0);
        return;
    }
    const std::size_t kept = len - wordShift;
    for (std::size_t i = 0; i < kept; ++i)
        w[i] = w[i + wordShift];
    for (std::size_t i = kept; i < len; ++i)
        w[i] = 0;
    if (bitShift != 0) {
        std::uint32_t carry = 0;
        for (std::size_t i = kept; i-- > 0;) {
            const std::uint32_t v = w[i];
            w[i] = (v >> bitShift) | carry;
            carry = v << (kWordBits - bitShift);
        }
    }
    a->length = static_cast<std::uint8_t>(kept);
    BigNormalise(a);
}

void BigCopy(BigNum* r, const BigNum* a)
{
    for (std::size_t i = 0; i < a->length; ++i)
        r->words[i] = a->words[i];
    for (std::size_t i = a->length; i < r->length; ++i)
        r->words[i] = 0;
    r->length = a->length;
    r->sign = a->sign;
}

} // namespace talvex
