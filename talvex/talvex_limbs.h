// The constant-time layer beneath the private-key operation: numbers as
// fixed-length vectors of limbs, least significant first. Their lengths are
// public (limb counts of the key's fields); their values never steer a branch
// or a memory address. Included by talvex_internal.h, which holds the sizes.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(TALVEX_CT_CHECK)
#include <valgrind/memcheck.h>
#endif

namespace talvex {

// TALVEX_WORDS_ONLY builds 32-bit limbs everywhere, as on i686, so that the
// word path can be tested on 64-bit hosts too.
#if defined(__SIZEOF_INT128__) && !defined(TALVEX_WORDS_ONLY)
#define TALVEX_HAVE_LIMB64 1
using Limb = std::uint64_t;
using WideLimb = unsigned __int128;  // holds a product of two limbs
#else
using Limb = std::uint32_t;
using WideLimb = std::uint64_t;
#endif

// The AVX-512 IFMA kernel: x86_64 ELF builds with 64-bit limbs. (Windows
// compilers do not keep the 32-byte stack alignment that its spills need.)
#if defined(TALVEX_HAVE_LIMB64) && defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define TALVEX_HAVE_IFMA 1
#endif

constexpr std::size_t kLimbBits = 8 * sizeof(Limb);
constexpr std::size_t kModulusMaxLimbs = kKeyMaxBits / kLimbBits;
constexpr std::size_t kPrimeMaxLimbs = kKeyHalfFieldBytes * 8 / kLimbBits;
// A Montgomery result has one limb of room above the modulus.
constexpr std::size_t kLimbMax = kModulusMaxLimbs + 1;
// Exponent blinding adds k (p - 1) with k of this many random bits.
constexpr std::size_t kBlindingBits = 64;
constexpr std::size_t kBlindingLimbs = kBlindingBits / kLimbBits;
constexpr std::size_t kExponentMaxLimbs = kPrimeMaxLimbs + kBlindingLimbs;

// Hides a value from the optimiser, so that mask arithmetic is not turned
// back into a branch.
inline Limb ValueBarrier(Limb v)
{
    __asm__("" : "+r"(v));
    return v;
}

// The test build that checks constant time under valgrind's memcheck marks
// the key's secret fields and the blinding's draws undefined; every branch or
// address that depends on them is then reported. What is public by nature,
// though computed from secrets (the limb count of a prime, its bit length,
// its parity), is declassified where it is taken, with a "CT:" note saying
// why. Elsewhere both are no-ops.
inline void MarkSecret(const void* p, std::size_t len)
{
#if defined(TALVEX_CT_CHECK)
    VALGRIND_MAKE_MEM_UNDEFINED(p, len);
#else
    static_cast<void>(p);
    static_cast<void>(len);
#endif
}

template <typename T>
inline T Declassify(T v)
{
#if defined(TALVEX_CT_CHECK)
    VALGRIND_MAKE_MEM_DEFINED(&v, sizeof v);
#endif
    return v;
}

// All ones when x is zero, else zero. CT.
inline Limb MaskIfZero(Limb x)
{
    return ValueBarrier(((x | (0 - x)) >> (kLimbBits - 1)) - 1);
}

inline Limb MaskIfEqual(Limb a, Limb b)
{
    return MaskIfZero(a ^ b);
}

// Zeroes count limbs in a way the compiler cannot drop as a dead store.
inline __attribute__((always_inline)) void WipeLimbs(Limb* p, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        p[i] = 0;
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

// ---------------------------------------------------------------------------
// Limb vectors
// ---------------------------------------------------------------------------

// r[0..limbs) = the big-endian byte string; bytes above the limbs are
// dropped, missing ones are zero. CT: len, limbs.
void LimbsFromBytes(Limb* r, std::size_t limbs, const std::uint8_t* bytes, std::size_t len);

// buf[0..len) = a[0..limbs), big-endian and right-aligned, leading bytes zero,
// higher limbs dropped. CT: limbs, len.
void LimbsToBytes(const Limb* a, std::size_t limbs, std::uint8_t* buf, std::size_t len);

// The limbs up to the top non-zero one (1 for zero). VT: a; for lengths that
// are public only (of a modulus, a prime, an exponent field).
std::size_t LimbsSignificant(const Limb* a, std::size_t limbs);

// r = a + b and r = a - b; they return the carry and the borrow out (0 or 1).
// r may be a or b. CT: limbs.
Limb LimbsAdd(Limb* r, const Limb* a, const Limb* b, std::size_t limbs);
Limb LimbsSub(Limb* r, const Limb* a, const Limb* b, std::size_t limbs);

// All ones when a < b (LimbsLessMask) or a = b (LimbsEqualMask), else zero.
// CT: limbs.
Limb LimbsLessMask(const Limb* a, const Limb* b, std::size_t limbs);
Limb LimbsEqualMask(const Limb* a, const Limb* b, std::size_t limbs);

// r = a where mask is all ones, b where it is zero. r may be a or b. CT: limbs.
void LimbsSelect(Limb* r, Limb mask, const Limb* a, const Limb* b, std::size_t limbs);

// r[0..la+lb) = a x b; r must not overlap a or b. CT: la, lb.
void LimbsMul(Limb* r, const Limb* a, std::size_t la, const Limb* b, std::size_t lb);

// r = a + b mod m and r = a - b mod m for a, b below m. r may be a or b.
// CT: limbs.
void ModAdd(Limb* r, const Limb* a, const Limb* b, const Limb* m, std::size_t limbs);
void ModSub(Limb* r, const Limb* a, const Limb* b, const Limb* m, std::size_t limbs);

// ---------------------------------------------------------------------------
// Montgomery arithmetic, R = 2^(kLimbBits x limbs)
// ---------------------------------------------------------------------------

// -n^-1 mod 2^kLimbBits from n's lowest limb, which must be odd.
Limb LimbMontNPrime(Limb lowLimb);

// r[0..limbs] = a x b x R^-1 mod n with one final subtraction, done by masks:
// the result is below n when a x b < R n. a, b and n have `limbs` limbs
// (limbs <= kLimbMax); r may be a or b; r[limbs] is set to 0, so r needs
// limbs + 1 room.
// CT: limbs.
void LimbMontMul(Limb* r, const Limb* a, const Limb* b, const Limb* n, Limb nPrime, std::size_t limbs);

// r[0..limbs] = a x a x R^-1 mod n, equal to LimbMontMul(r, a, a). CT: limbs.
void LimbMontSqr(Limb* r, const Limb* a, const Limb* n, Limb nPrime, std::size_t limbs);

// r = 2^exponent mod n (odd, its top limb non-zero, n >= 3) by doublings and
// five Montgomery squarings; exponent - kLimbBits x limbs must be a
// non-negative multiple of 32. r has limbs + 1 room. CT: limbs, exponent,
// the bit length of n (public for a modulus and a prime of an RSA key).
void LimbsPowerOfTwoMod(Limb* r, const Limb* n, std::size_t limbs, Limb nPrime, std::size_t exponent);

// An odd modulus (n >= 3, its top limb non-zero) with the values that its
// Montgomery products need. Wiped when it goes: in the private-key operation
// it is a secret prime.
struct MontModulus {
    Limb n[kLimbMax];
    Limb r2[kLimbMax];  // R^2 mod n
    Limb nPrime;
    std::size_t limbs;

    // rSquared: R^2 mod n where the caller has it (limbs of storage), else
    // null to work it out here. CT: modulusLimbs.
    MontModulus(const Limb* modulus, std::size_t modulusLimbs, const Limb* rSquared = nullptr);
    ~MontModulus();
    MontModulus(const MontModulus&) = delete;
    MontModulus& operator=(const MontModulus&) = delete;
};

// r = a x b x R^-1 mod n and r = a x a x R^-1 mod n; as LimbMontMul. CT: limbs.
void MontMul(const MontModulus& m, Limb* r, const Limb* a, const Limb* b);
void MontSqr(const MontModulus& m, Limb* r, const Limb* a);

// r = x R mod n, the Montgomery form of x mod n, for x of any length: chunk by
// chunk from the top, without division. r has limbs + 1 room. CT: limbs,
// xLimbs.
void MontEnter(const MontModulus& m, Limb* r, const Limb* x, std::size_t xLimbs);

// r = a R^-1 mod n: out of the Montgomery form, below n for any a < R.
// CT: limbs.
void MontLeave(const MontModulus& m, Limb* r, const Limb* a);

// r = 2^exponent mod n from the R^2 mod n that m holds: by one or two
// products for an exponent below R^3, and by a squaring of 2^(exponent / 2)
// above, where the exponent must be even at each halving (the R^2 of a
// modulus of whole limbs is). r has limbs + 1 room. CT: limbs, exponent.
void MontPowerOfTwo(const MontModulus& m, Limb* r, std::size_t exponent);

// ---------------------------------------------------------------------------
// Exponentiation
// ---------------------------------------------------------------------------

// Window width of the fixed-window exponentiation for this many exponent
// bits (a public length).
std::size_t CtWindowBits(std::size_t exponentBits);

// The w bits of e (eLimbs long) from bit `pos` on, zero above e's top.
// CT: eLimbs, pos, w (positions in the exponent are public).
Limb ExponentWindow(const Limb* e, std::size_t eLimbs, std::size_t pos, std::size_t w);

// r = base^e mod n for base < n; every one of the eLimbs limbs of e is
// processed, window by window, and every table entry is read for each
// window. r has limbs + 1 room. CT: limbs, eLimbs.
void CtPower(const MontModulus& m, Limb* r, const Limb* base, const Limb* e, std::size_t eLimbs);

// r = x^e mod n for x < n and a public e >= 1, by square and multiply.
// CT: limbs; e.
void PublicPower(const MontModulus& m, Limb* r, const Limb* x, std::uint32_t e);

enum class PowerKernel { kPortable, kBest };

// What kBest runs: the IFMA kernel where this processor has it, else the
// portable one. TALVEX_KERNEL=portable or =ifma in the environment makes the
// choice instead, for tests and benchmarks. A name that this build or
// processor cannot run (ifma without IFMA, or one that names no kernel) is
// refused, and with it every private-key operation, rather than letting a
// test or a benchmark run another kernel than it asked for.
enum class KernelChoice { kPortable, kIfma, kRefused };

// The choice for a TALVEX_KERNEL value (null or empty: not set) on a
// processor that has the IFMA kernel or not.
KernelChoice ChooseKernel(const char* name, bool ifmaUsable);

// ChooseKernel for this process's environment and processor, asked once and
// kept, like IfmaUsable().
KernelChoice BestKernel();

// PublicPower for an odd n of `limbs` limbs (its top limb non-zero, n >= 3),
// its Montgomery values set up here unless the caller has the kernel's
// R^2 mod n (rSquared, else null). kBest takes the IFMA kernel where this
// processor has it and n is a 2048-bit value of kModulusMaxLimbs limbs. The
// results are the same. r has limbs + 1 room. CT: limbs, n's bit length; e;
// whether the processor has the kernel.
void PublicPowerWith(PowerKernel kernel, Limb* r, const Limb* x, std::uint32_t e, const Limb* n, std::size_t limbs,
                     const Limb* rSquared = nullptr);

// log2 of the R^2 that the IFMA kernel's public power takes: twice its 40
// digits of 52 bits.
constexpr std::size_t kIfmaFullSquareBits = 2 * 40 * 52;

// The log2 of the R^2 that PublicPowerWith takes for this kernel and length.
std::size_t PublicPowerSquareBits(PowerKernel kernel, std::size_t limbs);

// One CRT half: result = base^exponent mod modulus.
struct PowerHalf {
    Limb* result;  // modulus limbs + 1 room
    const Limb* base;  // below the modulus
    const Limb* exponent;
    std::size_t exponentLimbs;
    const MontModulus* modulus;
};

// Both CRT halves. kBest runs them on the AVX-512 IFMA kernel where this
// processor has it and both moduli are 1024-bit values of 16 limbs with
// exponents of equal length; otherwise, and with kPortable, one after the
// other on CtPower. The results are the same. CT: the limb counts, and
// whether the processor has the kernel.
void PowerPair(PowerKernel kernel, const PowerHalf& first, const PowerHalf& second);

#if defined(TALVEX_HAVE_IFMA)
// The halves' size on the IFMA kernel, and the full modulus's.
constexpr std::size_t kIfmaModulusLimbs = 16;
constexpr std::size_t kIfmaFullLimbs = 32;

// Whether the processor and the operating system run AVX-512 with IFMA (from
// CPUID and the enabled register state). Asked once and kept: the library's
// only lasting value, the same for every caller and thread.
bool IfmaUsable();

// PowerPair on the IFMA kernel: both moduli of kIfmaModulusLimbs limbs, equal
// exponent lengths of at most kExponentMaxLimbs. CT: exponentLimbs.
void IfmaPowerPair(const PowerHalf& first, const PowerHalf& second);

// PublicPower on the IFMA kernel for an n of kIfmaFullLimbs limbs with
// nPrime = LimbMontNPrime(n[0]). CT: e.
// rSquared: 2^(2 x 2080) mod n, or null to have it worked out here.
void IfmaPublicPower(Limb* r, const Limb* x, std::uint32_t e, const Limb* n, Limb nPrime, const Limb* rSquared);
#endif

} // namespace talvex
