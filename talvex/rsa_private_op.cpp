// The private-key operation m = c^d mod n in Garner's form of the Chinese
// remainder theorem, in constant time: the residues of c come from Montgomery
// products rather than division, both halves are raised to freshly blinded
// exponents, and the result is checked with the public exponent before it
// leaves, so that a computation fault in one half cannot hand out a factor.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::size_t kBlindingBytes = kBlindingBits / 8;

#if defined(TALVEX_FAULT_HOOK)
FaultHook gFaultHook = nullptr;

void RunFaultHook(int half, Limb* value, std::size_t limbs)
{
    if (gFaultHook != nullptr)
        gFaultHook(half, value, limbs);
}
#endif

// Everything the operation computes, wiped when it goes.
struct PrivateWork {
    Limb n[kLimbMax], c[kLimbMax];
    Limb p[kLimbMax], q[kLimbMax], dP[kLimbMax], dQ[kLimbMax], qInv[kLimbMax];
    Limb k1[kBlindingLimbs], k2[kBlindingLimbs];
    Limb expP[kLimbMax], expQ[kLimbMax];
    Limb xp[kLimbMax], xq[kLimbMax], m1[kLimbMax], m2[kLimbMax];
    Limb t[kLimbMax], u[kLimbMax], m[kLimbMax], check[kLimbMax];
    Limb qInvMont[kLimbMax], checkSquare[kLimbMax], squareP[kLimbMax], squareQ[kLimbMax];
    std::uint8_t draw[2 * kBlindingBytes];

    PrivateWork() = default;
    PrivateWork(const PrivateWork&) = delete;
    PrivateWork& operator=(const PrivateWork&) = delete;
    ~PrivateWork() { SecureWipe(this, sizeof *this); }
};

void LoadHalfField(Limb* r, const RsaKeyRecord* key, std::size_t offset)
{
    LimbsFromBytes(r, kPrimeMaxLimbs, RsaKeyField(key, offset), kKeyHalfFieldBytes);
}

// An odd prime of at least 3: anything else cannot be a factor of an RSA
// modulus, and an even one has no Montgomery form.
bool PrimeAccepted(const Limb* p, std::size_t limbs)
{
    // CT: every prime of a working key is odd and far above 3; only a
    // record that is no key at all fails, and it is refused whatever it holds.
    return Declassify((p[0] & 1) != 0) && (limbs > 1 || Declassify(p[0] >= 3));
}

// r[0..rLimbs) = d + k (prime - 1). With d below 2^(kLimbBits rLimbs -
// kBlindingBits) and k below 2^kBlindingBits the sum fits. prime is odd, so
// prime - 1 is prime with its low bit cleared.
void BlindExponent(Limb* r, std::size_t rLimbs, const Limb* d, const Limb* prime, std::size_t primeLimbs,
                   const Limb* k, Limb* scratch)
{
    Limb primeLess1[kLimbMax];
    for (std::size_t i = 0; i < primeLimbs; ++i)
        primeLess1[i] = prime[i];
    primeLess1[0] &= ~Limb{1};
    LimbsMul(scratch, primeLess1, primeLimbs, k, kBlindingLimbs);
    for (std::size_t i = primeLimbs + kBlindingLimbs; i < rLimbs; ++i)
        scratch[i] = 0;
    LimbsAdd(r, d, scratch, rLimbs);
    WipeLimbs(primeLess1, kLimbMax);
}

// r[0..pLimbs + qLimbs) = the value below p q that is xp mod p and xq mod q,
// for xq below q and qInvMont = q^-1 R mod p: xq + q ((xp - xq) q^-1 mod p),
// the difference taken in the Montgomery form.
void CrtJoin(const MontModulus& fp, Limb* r, const Limb* xp, const Limb* xq, const Limb* q, std::size_t qLimbs,
             const Limb* qInvMont, Limb* t, Limb* u)
{
    const std::size_t pLimbs = fp.limbs;
    MontEnter(fp, t, xp, pLimbs);
    MontEnter(fp, u, xq, qLimbs);
    ModSub(t, t, u, fp.n, pLimbs);
    MontMul(fp, u, t, qInvMont);
    MontLeave(fp, u, u);
    LimbsMul(r, u, pLimbs, q, qLimbs);
    for (std::size_t i = 0; i < pLimbs + qLimbs; ++i)
        t[i] = i < qLimbs ? xq[i] : 0;
    LimbsAdd(r, r, t, pLimbs + qLimbs);
}

std::size_t Larger(std::size_t a, std::size_t b)
{
    return a > b ? a : b;
}

} // namespace

#if defined(TALVEX_FAULT_HOOK)
void SetFaultHook(FaultHook hook)
{
    gFaultHook = hook;
}
#endif

int RsaPrivateOpWith(PowerKernel kernel, std::size_t len, const std::uint8_t* in, std::uint32_t* outLen,
                     std::uint8_t* out, const RsaKeyRecord* key)
{
    if (kernel == PowerKernel::kBest && BestKernel() == KernelChoice::kRefused)
        return kRsaErrKernelRefused;
    PrivateWork w{};
    LimbsFromBytes(w.n, kModulusMaxLimbs, RsaKeyField(key, TALVEX_KEY_OFFSET_MODULUS), kKeyFieldBytes);
    LimbsFromBytes(w.c, kModulusMaxLimbs, in, len);
    LoadHalfField(w.p, key, TALVEX_KEY_OFFSET_PRIME_P);
    LoadHalfField(w.q, key, TALVEX_KEY_OFFSET_PRIME_Q);
    LoadHalfField(w.dP, key, TALVEX_KEY_OFFSET_EXPONENT_P);
    LoadHalfField(w.dQ, key, TALVEX_KEY_OFFSET_EXPONENT_Q);
    LoadHalfField(w.qInv, key, TALVEX_KEY_OFFSET_COEFFICIENT);
    const std::uint32_t e = RsaPublicExponent(key);
    // The lengths of the key's values are public: about half the modulus.
    const std::size_t nLimbs = LimbsSignificant(w.n, kModulusMaxLimbs);
    const std::size_t pLimbs = LimbsSignificant(w.p, kPrimeMaxLimbs);
    const std::size_t qLimbs = LimbsSignificant(w.q, kPrimeMaxLimbs);
    const std::size_t expPLimbs = Larger(pLimbs, LimbsSignificant(w.dP, kPrimeMaxLimbs)) + kBlindingLimbs;
    const std::size_t expQLimbs = Larger(qLimbs, LimbsSignificant(w.dQ, kPrimeMaxLimbs)) + kBlindingLimbs;

    if (!LimbsLessMask(w.c, w.n, kModulusMaxLimbs))
        return kRsaErrInputRange;
    if (e < kPublicExponentMin || (e & 1u) == 0 || !PrimeAccepted(w.p, pLimbs) || !PrimeAccepted(w.q, qLimbs) ||
        (w.n[0] & 1) == 0)
        return kRsaErrKeyRefused;
    if (!SystemRandomBytes(w.draw, sizeof w.draw))
        return kRsaErrNoRandom;
    MarkSecret(w.draw, sizeof w.draw);
    LimbsFromBytes(w.k1, kBlindingLimbs, w.draw, kBlindingBytes);
    LimbsFromBytes(w.k2, kBlindingLimbs, w.draw + kBlindingBytes, kBlindingBytes);

    const MontModulus fp(w.p, pLimbs);
    const MontModulus fq(w.q, qLimbs);
    // c mod p and c mod q: into the Montgomery form and out again.
    MontEnter(fp, w.t, w.c, nLimbs);
    MontLeave(fp, w.xp, w.t);
    MontEnter(fq, w.t, w.c, nLimbs);
    MontLeave(fq, w.xq, w.t);
    BlindExponent(w.expP, expPLimbs, w.dP, w.p, pLimbs, w.k1, w.t);
    BlindExponent(w.expQ, expQLimbs, w.dQ, w.q, qLimbs, w.k2, w.t);
    PowerPair(kernel, PowerHalf{w.m1, w.xp, w.expP, expPLimbs, &fp}, PowerHalf{w.m2, w.xq, w.expQ, expQLimbs, &fq});
#if defined(TALVEX_FAULT_HOOK)
    RunFaultHook(0, w.m1, pLimbs);
    RunFaultHook(1, w.m2, qLimbs);
#endif

    // m = m2 + q ((m1 - m2) qInv mod p).
    MontEnter(fp, w.qInvMont, w.qInv, kPrimeMaxLimbs);
    CrtJoin(fp, w.m, w.m1, w.m2, w.q, qLimbs, w.qInvMont, w.t, w.u);

    // The check: m below n and m^e = c. A fault anywhere above, or a key
    // whose parts do not belong together, fails it. Its R^2 mod n is joined
    // from its residues mod p and mod q, which the primes' Montgomery values
    // give for a few products; a key whose n is not p q gets a wrong one,
    // and fails the check all the same.
    const std::size_t squareBits = PublicPowerSquareBits(kernel, nLimbs);
    MontPowerOfTwo(fp, w.squareP, squareBits);
    MontPowerOfTwo(fq, w.squareQ, squareBits);
    CrtJoin(fp, w.checkSquare, w.squareP, w.squareQ, w.q, qLimbs, w.qInvMont, w.t, w.u);
    PublicPowerWith(kernel, w.check, w.m, e, w.n, nLimbs, w.checkSquare);
    const Limb good = LimbsLessMask(w.m, w.n, kModulusMaxLimbs) & LimbsEqualMask(w.check, w.c, nLimbs);
    if (!good)
        return kRsaErrFault;
    const std::size_t bytes = RsaResultBytes(key);
    *outLen = static_cast<std::uint32_t>(bytes);
    LimbsToBytes(w.m, nLimbs, out, bytes);
    return 0;
}

int RsaPrivateOp(std::size_t len, const std::uint8_t* in, std::uint32_t* outLen, std::uint8_t* out,
                 const RsaKeyRecord* key)
{
    return RsaPrivateOpWith(PowerKernel::kBest, len, in, outLen, out, key);
}

} // namespace talvex
