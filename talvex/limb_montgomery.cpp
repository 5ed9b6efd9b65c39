// Montgomery multiplication and squaring on 64-bit limbs with 128-bit
// products: the inner loops of the RSA operations. The common sizes (16 and 32
// limbs: 1024- and 2048-bit moduli) get their own fully sized copies so that
// the compiler can unroll them.
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

// Coarsely integrated operand scanning: one limb of a times b, then one limb
// of Montgomery reduction, the running value shifted down a limb per step.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void MulCore(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* b,
                                                   const std::uint64_t* n, std::uint64_t nPrime, std::size_t runtimeLimbs)
{
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    std::uint64_t t[(Fixed != 0 ? Fixed : kLimbMax) + 1] = {};
    for (std::size_t i = 0; i < limbs; ++i) {
        const std::uint64_t ai = a[i];
        std::uint64_t c = 0;
        for (std::size_t j = 0; j < limbs; ++j) {
            const Wide p = static_cast<Wide>(ai) * b[j] + t[j] + c;
            t[j] = Lo(p);
            c = Hi(p);
        }
        Wide s = static_cast<Wide>(t[limbs]) + c;
        t[limbs] = Lo(s);
        const std::uint64_t top = Hi(s);
        const std::uint64_t m = t[0] * nPrime;
        Wide p = static_cast<Wide>(m) * n[0] + t[0];
        c = Hi(p);
        for (std::size_t j = 1; j < limbs; ++j) {
            p = static_cast<Wide>(m) * n[j] + t[j] + c;
            t[j - 1] = Lo(p);
            c = Hi(p);
        }
        s = static_cast<Wide>(t[limbs]) + c;
        t[limbs - 1] = Lo(s);
        t[limbs] = top + Hi(s);
    }
    SubtractOnce(r, t, n, limbs);
    WipeLimbs(t, limbs + 1);
}

// Separated operand scanning: the square with each cross product formed once
// and doubled, then the limbs of Montgomery reduction. The reduction quotient
// is the same as in MulCore, and so is the result.
template <std::size_t Fixed>
inline __attribute__((always_inline)) void SqrCore(std::uint64_t* r, const std::uint64_t* a, const std::uint64_t* n,
                                                   std::uint64_t nPrime, std::size_t runtimeLimbs)
{
    const std::size_t limbs = Fixed != 0 ? Fixed : runtimeLimbs;
    std::uint64_t t[2 * (Fixed != 0 ? Fixed : kLimbMax) + 1] = {};
    for (std::size_t i = 0; i + 1 < limbs; ++i) {
        const std::uint64_t ai = a[i];
        std::uint64_t c = 0;
        for (std::size_t j = i + 1; j < limbs; ++j) {
            const Wide p = static_cast<Wide>(ai) * a[j] + t[i + j] + c;
            t[i + j] = Lo(p);
            c = Hi(p);
        }
        t[i + limbs] = c;
    }
    for (std::size_t i = 2 * limbs - 1; i > 0; --i)
        t[i] = (t[i] << 1) | (t[i - 1] >> (kLimbBits - 1));
    t[0] <<= 1;
    std::uint64_t c = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Wide p = static_cast<Wide>(a[i]) * a[i] + t[2 * i] + c;
        t[2 * i] = Lo(p);
        const Wide s = static_cast<Wide>(t[2 * i + 1]) + Hi(p);
        t[2 * i + 1] = Lo(s);
        c = Hi(s);
    }
    // The carry out of t[i + limbs] belongs to t[i + limbs + 1], which the
    // next step's inner loop does not touch: it is added there afterwards.
    std::uint64_t pending = 0;
    for (std::size_t i = 0; i < limbs; ++i) {
        const std::uint64_t m = t[i] * nPrime;
        c = 0;
        for (std::size_t j = 0; j < limbs; ++j) {
            const Wide p = static_cast<Wide>(m) * n[j] + t[i + j] + c;
            t[i + j] = Lo(p);
            c = Hi(p);
        }
        const Wide s = static_cast<Wide>(t[i + limbs]) + c + pending;
        t[i + limbs] = Lo(s);
        pending = Hi(s);
    }
    t[2 * limbs] = pending;
    SubtractOnce(r, t + limbs, n, limbs);
    WipeLimbs(t, 2 * limbs + 1);
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
