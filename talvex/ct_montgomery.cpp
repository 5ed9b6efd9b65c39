// Montgomery arithmetic on limb vectors in constant time: R^2 mod n without
// division, and the way into and out of the Montgomery form.
#include "talvex_internal.h"

namespace talvex {

namespace {

// R^2 mod n is reached by doublings up to 2^(e0) mod n and then squarings,
// each of which takes 2^e to 2^(2e - kLimbBits x limbs).
constexpr std::size_t kPowerOfTwoSquarings = 5;
constexpr std::size_t kSquaringFactor = std::size_t{1} << kPowerOfTwoSquarings;

// x = 2x mod n for x below n, in one pass that shifts and subtracts and one
// that picks.
void ModDouble(Limb* x, const Limb* n, std::size_t limbs)
{
    Limb reduced[kLimbMax];
    Limb out = 0;
    Limb borrow = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Limb doubled = (x[i] << 1) | out;
        out = x[i] >> (kLimbBits - 1);
        const WideLimb d = static_cast<WideLimb>(doubled) - n[i] - borrow;
        reduced[i] = static_cast<Limb>(d);
        borrow = static_cast<Limb>(d >> kLimbBits) & 1;
        x[i] = doubled;
    }
    // 2x is below n when nothing was shifted out and taking n borrowed.
    LimbsSelect(x, ValueBarrier(0 - (borrow & (out ^ 1))), x, reduced, limbs);
    WipeLimbs(reduced, limbs);
}

// Bit length of a limb vector whose top limb is not zero.
std::size_t BitLength(const Limb* n, std::size_t limbs)
{
    std::size_t bits = kLimbBits * limbs;
    // CT: the bit length of a modulus, or of a prime of an RSA key, is
    // public: the key's size fixes it within a bit or two.
    for (Limb top = n[limbs - 1]; Declassify((top >> (kLimbBits - 1)) == 0); top <<= 1)
        --bits;
    return bits;
}

} // namespace

void LimbsPowerOfTwoMod(Limb* r, const Limb* n, std::size_t limbs, Limb nPrime, std::size_t exponent)
{
    const std::size_t montBits = kLimbBits * limbs;
    // After the squarings, 2^e0 becomes 2^(R bits + 32 (e0 - R bits)).
    const std::size_t e0 = montBits + (exponent - montBits) / kSquaringFactor;
    // The doublings start from the power of two just below n (n is odd and
    // at least 3, so it is not a power of two).
    const std::size_t start = BitLength(n, limbs) - 1;
    // One limb of room above the value: the squarings clear it.
    Limb x[kLimbMax + 1] = {};
    x[start / kLimbBits] = Limb{1} << (start % kLimbBits);
    for (std::size_t e = start; e < e0; ++e)
        ModDouble(x, n, limbs);
    for (std::size_t s = 0; s < kPowerOfTwoSquarings; ++s)
        LimbMontSqr(x, x, n, nPrime, limbs);
    for (std::size_t i = 0; i <= limbs; ++i)
        r[i] = x[i];
    WipeLimbs(x, kLimbMax + 1);
}

MontModulus::MontModulus(const Limb* modulus, std::size_t modulusLimbs, const Limb* rSquared)
    : n{}, r2{}, limbs(modulusLimbs)
{
    for (std::size_t i = 0; i < limbs; ++i)
        n[i] = modulus[i];
    nPrime = LimbMontNPrime(n[0]);
    if (rSquared == nullptr) {
        LimbsPowerOfTwoMod(r2, n, limbs, nPrime, 2 * kLimbBits * limbs);
        return;
    }
    for (std::size_t i = 0; i < limbs; ++i)
        r2[i] = rSquared[i];
}

MontModulus::~MontModulus()
{
    WipeLimbs(n, kLimbMax);
    WipeLimbs(r2, kLimbMax);
    nPrime = 0;
}

void MontMul(const MontModulus& m, Limb* r, const Limb* a, const Limb* b)
{
    LimbMontMul(r, a, b, m.n, m.nPrime, m.limbs);
}

void MontSqr(const MontModulus& m, Limb* r, const Limb* a)
{
    LimbMontSqr(r, a, m.n, m.nPrime, m.limbs);
}

void MontEnter(const MontModulus& m, Limb* r, const Limb* x, std::size_t xLimbs)
{
    const std::size_t limbs = m.limbs;
    const std::size_t chunks = (xLimbs + limbs - 1) / limbs;
    Limb chunk[kLimbMax] = {};
    Limb part[kLimbMax];
    Limb acc[kLimbMax] = {};
    // x = sum of chunk_c R^c; acc holds the Montgomery form of the chunks
    // taken so far: acc R^2 / R moves it up a chunk, chunk R^2 / R enters
    // the next one.
    for (std::size_t c = chunks; c-- > 0;) {
        for (std::size_t i = 0; i < limbs; ++i)
            chunk[i] = c * limbs + i < xLimbs ? x[c * limbs + i] : 0;
        MontMul(m, part, chunk, m.r2);
        if (c + 1 == chunks) {
            for (std::size_t i = 0; i < limbs; ++i)
                acc[i] = part[i];
        } else {
            MontMul(m, acc, acc, m.r2);
            ModAdd(acc, acc, part, m.n, limbs);
        }
    }
    for (std::size_t i = 0; i < limbs; ++i)
        r[i] = acc[i];
    r[limbs] = 0;
    WipeLimbs(chunk, kLimbMax);
    WipeLimbs(part, kLimbMax);
    WipeLimbs(acc, kLimbMax);
}

void MontLeave(const MontModulus& m, Limb* r, const Limb* a)
{
    Limb one[kLimbMax] = {};
    one[0] = 1;
    MontMul(m, r, a, one);
}

void MontPowerOfTwo(const MontModulus& m, Limb* r, std::size_t exponent)
{
    const std::size_t montBits = kLimbBits * m.limbs;
    if (exponent >= 3 * montBits) {
        // (2^(e/2))^2 R^-1 R^2 R^-1 = 2^e.
        Limb half[kLimbMax];
        MontPowerOfTwo(m, half, exponent / 2);
        MontSqr(m, r, half);
        MontMul(m, r, r, m.r2);
        WipeLimbs(half, kLimbMax);
        return;
    }
    // R^2 2^s R^-1 = 2^(s + log2 R) for a power of two 2^s below R; once more
    // the same, or out of the Montgomery form, for the other ranges.
    const std::size_t steps = exponent >= 2 * montBits ? 2 : exponent >= montBits ? 1 : 0;
    const std::size_t bit = steps == 0 ? exponent : exponent - steps * montBits;
    Limb power[kLimbMax] = {};
    power[bit / kLimbBits] = Limb{1} << (bit % kLimbBits);
    MontMul(m, r, m.r2, power);
    if (steps == 2)
        MontMul(m, r, m.r2, r);
    else if (steps == 0)
        MontLeave(m, r, r);
}

} // namespace talvex
