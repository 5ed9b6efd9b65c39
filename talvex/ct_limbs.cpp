// Limb vectors in constant time: byte conversion, sums, differences,
// comparisons, selection and products over lengths fixed by the key.
#include "talvex_internal.h"

namespace talvex {

namespace {

using Wide = WideLimb;
constexpr unsigned kBitsPerByte = 8;
constexpr std::size_t kBytesPerLimb = sizeof(Limb);

} // namespace

void LimbsFromBytes(Limb* r, std::size_t limbs, const std::uint8_t* bytes, std::size_t len)
{
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = 0;
    const std::size_t used = len < limbs * kBytesPerLimb ? len : limbs * kBytesPerLimb;
    for (std::size_t k = 0; k < used; ++k)
        r[k / kBytesPerLimb] |= static_cast<Limb>(bytes[len - 1 - k]) << (k % kBytesPerLimb * kBitsPerByte);
}

void LimbsToBytes(const Limb* a, std::size_t limbs, std::uint8_t* buf, std::size_t len)
{
    for (std::size_t k = 0; k < len; ++k) {
        const std::size_t i = k / kBytesPerLimb;
        buf[len - 1 - k] = i < limbs ? static_cast<std::uint8_t>(a[i] >> (k % kBytesPerLimb * kBitsPerByte)) : 0;
    }
}

std::size_t LimbsSignificant(const Limb* a, std::size_t limbs)
{
    std::size_t n = limbs;
    // CT: only for a key's fields, whose lengths in limbs are public: the
    // modulus's length gives the primes' and the CRT exponents' within a
    // limb, and the private-key operation's timing shows them anyway.
    while (n > 1 && Declassify(a[n - 1] == 0))
        --n;
    return n;
}

Limb LimbsAdd(Limb* r, const Limb* a, const Limb* b, std::size_t limbs)
{
    Limb carry = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide s = static_cast<Wide>(a[i]) + b[i] + carry;
        r[i] = static_cast<Limb>(s);
        carry = static_cast<Limb>(s >> kLimbBits);
    }
    return carry;
}

Limb LimbsSub(Limb* r, const Limb* a, const Limb* b, std::size_t limbs)
{
    Limb borrow = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide d = static_cast<Wide>(a[i]) - b[i] - borrow;
        r[i] = static_cast<Limb>(d);
        borrow = static_cast<Limb>(d >> kLimbBits) & 1;
    }
    return borrow;
}

Limb LimbsLessMask(const Limb* a, const Limb* b, std::size_t limbs)
{
    Limb borrow = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide d = static_cast<Wide>(a[i]) - b[i] - borrow;
        borrow = static_cast<Limb>(d >> kLimbBits) & 1;
    }
    return ValueBarrier(0 - borrow);
}

Limb LimbsEqualMask(const Limb* a, const Limb* b, std::size_t limbs)
{
    Limb diff = 0;
    for (std::size_t i = 0; i < limbs; ++i)
        diff |= a[i] ^ b[i];
    return MaskIfZero(diff);
}

void LimbsSelect(Limb* r, Limb mask, const Limb* a, const Limb* b, std::size_t limbs)
{
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = (a[i] & mask) | (b[i] & ~mask);
}

void LimbsMul(Limb* r, const Limb* a, std::size_t la, const Limb* b, std::size_t lb)
{
    for (std::size_t i = 0; i < la + lb; ++i)
        r[i] = 0;
    for (std::size_t j = 0; j < lb; ++j) {
        Limb carry = 0;
        for (std::size_t i = 0; i < la; ++i) {
            const Wide t = static_cast<Wide>(a[i]) * b[j] + r[i + j] + carry;
            r[i + j] = static_cast<Limb>(t);
            carry = static_cast<Limb>(t >> kLimbBits);
        }
        r[j + la] = carry;
    }
}

void ModAdd(Limb* r, const Limb* a, const Limb* b, const Limb* m, std::size_t limbs)
{
    Limb sum[kLimbMax];
    Limb reduced[kLimbMax];
    const Limb carry = LimbsAdd(sum, a, b, limbs);
    const Limb borrow = LimbsSub(reduced, sum, m, limbs);
    // The sum is at least m when it carried out, or when taking m left no
    // borrow; then the reduced value is the answer.
    const Limb keepSum = ValueBarrier(0 - (borrow & (carry ^ 1)));
    LimbsSelect(r, keepSum, sum, reduced, limbs);
    WipeLimbs(sum, limbs);
    WipeLimbs(reduced, limbs);
}

void ModSub(Limb* r, const Limb* a, const Limb* b, const Limb* m, std::size_t limbs)
{
    Limb diff[kLimbMax];
    Limb wrapped[kLimbMax];
    const Limb borrow = LimbsSub(diff, a, b, limbs);
    LimbsAdd(wrapped, diff, m, limbs);
    LimbsSelect(r, ValueBarrier(0 - borrow), wrapped, diff, limbs);
    WipeLimbs(diff, limbs);
    WipeLimbs(wrapped, limbs);
}

} // namespace talvex
