// Sliding-window modular exponentiation in Montgomery form.
#include "talvex_internal.h"

namespace talvex {

namespace {

constexpr std::size_t kMaxWindowBits = 4;
// Only window values with their top bit set are stored: 2^(w-1) of them.
constexpr std::size_t kTableSlots = std::size_t{1} << (kMaxWindowBits - 1);
// Wider windows save multiplications on long exponents but cost a bigger
// table: the width grows with the exponent's length.
struct WindowStep {
    std::size_t maxExponentBits;
    std::size_t windowBits;
};
constexpr WindowStep kWindowSteps[] = {{23, 1}, {79, 2}, {239, 3}};
constexpr std::size_t kMaxModulusWords = kFullWords - 1;

// Exponentiation over BigNum records and BigMontMul: any modulus length.
class WordEngine {
public:
    WordEngine(const BigNum* n, std::uint32_t nPrime, const BigNum* base, BigNum* acc)
        : n_(n), nPrime_(nPrime), base_(base), acc_(acc), slots_{}
    {
        for (std::size_t j = 0; j < kTableSlots; ++j)
            table_[j] = BigNum{0, 1, slots_[j]};
    }
    ~WordEngine() { SecureWipe(slots_, sizeof slots_); }
    WordEngine(const WordEngine&) = delete;
    WordEngine& operator=(const WordEngine&) = delete;

    void BuildTable(std::size_t windowBits)
    {
        BigCopy(&table_[0], base_);
        for (std::size_t i = 1; i < windowBits; ++i)
            BigMontMul(&table_[0], &table_[0], n_, nPrime_);
        for (std::size_t j = 1; j < (std::size_t{1} << (windowBits - 1)); ++j) {
            BigCopy(&table_[j], &table_[j - 1]);
            BigMontMul(&table_[j], base_, n_, nPrime_);
        }
    }
    void Square() { BigMontMul(acc_, acc_, n_, nPrime_); }
    void MultiplyByEntry(std::size_t j) { BigMontMul(acc_, &table_[j], n_, nPrime_); }
    void MultiplyByBase() { BigMontMul(acc_, base_, n_, nPrime_); }
    void LoadEntry(std::size_t j) { BigCopy(acc_, &table_[j]); }

private:
    const BigNum* n_;
    std::uint32_t nPrime_;
    const BigNum* base_;
    BigNum* acc_;
    std::uint32_t slots_[kTableSlots][kFullWords];
    BigNum table_[kTableSlots];
};

#if defined(TALVEX_HAVE_LIMB64)

// The same exponentiation on 64-bit limbs, for a modulus of an even number of
// words; the values stay packed for the whole loop.
class LimbEngine {
public:
    LimbEngine(const BigNum* n, const BigNum* base, const BigNum* acc)
        : limbs_(n->length / 2), mod_{}, base_{}, acc_{}, table_{}
    {
        Pack(mod_, n);
        Pack(base_, base);
        Pack(acc_, acc);
        nPrime_ = LimbMontNPrime(mod_[0]);
    }
    ~LimbEngine()
    {
        SecureWipe(mod_, sizeof mod_);
        SecureWipe(base_, sizeof base_);
        SecureWipe(acc_, sizeof acc_);
        SecureWipe(table_, sizeof table_);
    }
    LimbEngine(const LimbEngine&) = delete;
    LimbEngine& operator=(const LimbEngine&) = delete;

    void BuildTable(std::size_t windowBits)
    {
        for (std::size_t i = 0; i <= limbs_; ++i)
            table_[0][i] = base_[i];
        for (std::size_t i = 1; i < windowBits; ++i)
            LimbMontSqr(table_[0], table_[0], mod_, nPrime_, limbs_);
        for (std::size_t j = 1; j < (std::size_t{1} << (windowBits - 1)); ++j)
            LimbMontMul(table_[j], table_[j - 1], base_, mod_, nPrime_, limbs_);
    }
    void Square() { LimbMontSqr(acc_, acc_, mod_, nPrime_, limbs_); }
    void MultiplyByEntry(std::size_t j) { LimbMontMul(acc_, acc_, table_[j], mod_, nPrime_, limbs_); }
    void MultiplyByBase() { LimbMontMul(acc_, acc_, base_, mod_, nPrime_, limbs_); }
    void LoadEntry(std::size_t j)
    {
        for (std::size_t i = 0; i <= limbs_; ++i)
            acc_[i] = table_[j][i];
    }

    // Writes the accumulator back; r needs 2 x limbs + 2 words of storage.
    void StoreAccumulator(BigNum* r) const
    {
        const std::size_t oldLength = r->length;
        for (std::size_t i = 0; i <= limbs_; ++i) {
            r->words[2 * i] = static_cast<std::uint32_t>(acc_[i]);
            r->words[2 * i + 1] = static_cast<std::uint32_t>(acc_[i] >> kWordBits);
        }
        for (std::size_t i = 2 * limbs_ + 2; i < oldLength; ++i)
            r->words[i] = 0;
        r->length = static_cast<std::uint8_t>(2 * limbs_ + 2);
        BigNormalise(r);
    }

private:
    void Pack(std::uint64_t* limbs, const BigNum* a) const
    {
        for (std::size_t i = 0; i < limbs_; ++i) {
            const std::uint64_t lo = 2 * i < a->length ? a->words[2 * i] : 0;
            const std::uint64_t hi = 2 * i + 1 < a->length ? a->words[2 * i + 1] : 0;
            limbs[i] = lo | (hi << kWordBits);
        }
    }

    std::size_t limbs_;
    std::uint64_t nPrime_ = 0;
    std::uint64_t mod_[kLimbMax];
    std::uint64_t base_[kLimbMax + 1];
    std::uint64_t acc_[kLimbMax + 1];
    std::uint64_t table_[kTableSlots][kLimbMax + 1];
};

#endif

// Left to right over the exponent's bits from bit 31 of its top word. A
// window opens at a 1 bit and takes the next w bits; it is applied as w
// squarings and one multiplication by the table entry of its value; the
// first window, whose squarings and product would only act on 1, loads its
// entry instead. Zero bits between windows are single squarings.
template <class Engine>
void SlidingWindowPower(Engine& engine, const BigNum* e, std::size_t windowBits)
{
    enum class Scan { BeforeFirstOne, BetweenWindows, InsideWindow };
    engine.BuildTable(windowBits);
    const std::size_t topOfWindow = std::size_t{1} << (windowBits - 1);
    Scan state = Scan::BeforeFirstOne;
    std::size_t window = 0;
    std::size_t count = 0;
    bool first = true;
    for (std::size_t i = e->length; i-- > 0;) {
        for (std::size_t bit = kWordBits; bit-- > 0;) {
            const std::size_t b = (e->words[i] >> bit) & 1u;
            if (b == 0 && state == Scan::BeforeFirstOne)
                continue;
            if (b == 0 && state == Scan::BetweenWindows) {
                engine.Square();
                continue;
            }
            ++count;
            state = Scan::InsideWindow;
            window |= b << (windowBits - count);
            if (count < windowBits)
                continue;
            if (first) {
                engine.LoadEntry(window - topOfWindow);
                first = false;
            } else {
                for (std::size_t s = 0; s < windowBits; ++s)
                    engine.Square();
                engine.MultiplyByEntry(window - topOfWindow);
            }
            window = 0;
            count = 0;
            state = Scan::BetweenWindows;
        }
    }
    // An unfinished window at the end: its bits stand at the top of the
    // w-bit field and are applied one at a time.
    for (std::size_t s = 0; state == Scan::InsideWindow && s < count; ++s) {
        engine.Square();
        window <<= 1;
        if (window & (std::size_t{1} << windowBits))
            engine.MultiplyByBase();
    }
}

} // namespace

std::size_t BigWindowBits(std::size_t exponentBits)
{
    for (const WindowStep& step : kWindowSteps) {
        if (exponentBits <= step.maxExponentBits)
            return step.windowBits;
    }
    return kMaxWindowBits;
}

int BigModExp(BigNum* r, const BigNum* base, const BigNum* e, const BigNum* n)
{
    // R^2 and the Montgomery values take k + 1 words: a modulus of 66 words
    // would not fit the full-size storage.
    if (n->sign || (n->words[0] & 1u) == 0 || e->sign || n->length > kMaxModulusWords)
        return kErrBadModulus;
    const std::size_t windowBits = BigWindowBits(BigBitLength(e));
    const std::uint32_t nPrime = BigMontNPrime(n->words[0]);

    std::uint32_t accWords[kFullWords] = {};
    std::uint32_t baseWords[kFullWords] = {};
    BigNum acc{0, 1, accWords};
    BigNum x{0, 1, baseWords};
    int rc = BigMontR2(&acc, n);
    // A negative base is reduced too, so that X is always in 0..n-1.
    if (rc == 0 && !base->sign && BigCmp(base, n) < 0)
        BigCopy(&x, base);
    else if (rc == 0)
        rc = BigMod(&x, base, n);
    if (rc == 0) {
        BigMontMul(&x, &acc, n, nPrime);   // X in Montgomery form
        // The first window loads the accumulator; only e = 0 leaves it as
        // R mod n, the Montgomery form of 1.
        if (BigBitLength(e) == 0)
            BigMontFrom(n, &acc, nPrime);
#if defined(TALVEX_HAVE_LIMB64)
        if (n->length % 2 == 0) {
            LimbEngine engine(n, &x, &acc);
            SlidingWindowPower(engine, e, windowBits);
            engine.StoreAccumulator(&acc);
        } else {
            WordEngine engine(n, nPrime, &x, &acc);
            SlidingWindowPower(engine, e, windowBits);
        }
#else
        WordEngine engine(n, nPrime, &x, &acc);
        SlidingWindowPower(engine, e, windowBits);
#endif
        BigMontFrom(n, &acc, nPrime);
        BigCopy(r, &acc);
    }
    SecureWipe(accWords, sizeof accWords);
    SecureWipe(baseWords, sizeof baseWords);
    return rc;
}

} // namespace talvex
