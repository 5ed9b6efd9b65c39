// The constant-time limb layer against OpenSSL: modular sums, products,
// comparisons, the reduction into Montgomery form, powers of two, and both
// exponentiations, at the limb counts the RSA operations use and around them.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bn_reference.h"

using namespace talvex;
using talvex_test::Hex;

namespace {

using Bn = std::unique_ptr<BIGNUM, talvex_test::BnFree>;
using Limbs = std::vector<Limb>;
constexpr std::size_t kWordsPerLimb = kLimbBits / kWordBits;

// Modulus lengths: one limb, the halves of small keys, a 1024-bit prime and
// one limb either side of it, the full 2048-bit modulus.
const std::size_t kModulusLimbs[] = {1, 2, kPrimeMaxLimbs / 2, kPrimeMaxLimbs - 1, kPrimeMaxLimbs,
                                     kPrimeMaxLimbs + 1, kModulusMaxLimbs};

Limbs ToLimbs(const BIGNUM* v, std::size_t limbs = kLimbMax)
{
    Limbs r(kLimbMax > limbs ? kLimbMax : limbs, 0);
    EXPECT_GE(BN_bn2lebinpad(v, reinterpret_cast<std::uint8_t*>(r.data()), static_cast<int>(limbs * sizeof(Limb))),
              0);
    return r;
}

Bn FromLimbs(const Limb* a, std::size_t limbs)
{
    return Bn(BN_lebin2bn(reinterpret_cast<const std::uint8_t*>(a), static_cast<int>(limbs * sizeof(Limb)), nullptr));
}

struct CtLimbs : ::testing::Test {
    talvex_test::RandomNumbers rng{5511};
    std::unique_ptr<BN_CTX, talvex_test::BnCtxFree> ctx{BN_CTX_new()};

    // An odd modulus of exactly `limbs` limbs, at least 3.
    Bn Modulus(std::size_t limbs)
    {
        Bn n(rng.OddWords(limbs * kWordsPerLimb));
        if (limbs == 1)
            BN_set_bit(n.get(), 1);
        return n;
    }
    // A value below n.
    Bn Below(const BIGNUM* n)
    {
        Bn v(BN_new());
        BN_rand_range(v.get(), n);
        return v;
    }
};

TEST_F(CtLimbs, ModularSumsAndDifferencesMatchOpenSsl)
{
    for (std::size_t limbs : kModulusLimbs) {
        Bn m = Modulus(limbs), top(BN_new());
        BN_sub(top.get(), m.get(), BN_value_one());
        Bn zero(BN_new());
        BN_zero(zero.get());
        const Bn* picks[][2] = {{&top, &top}, {&top, &zero}, {&zero, &top}};
        for (int row = 0; row < 4; ++row) {
            SCOPED_TRACE(::testing::Message() << limbs << " limbs, row " << row);
            Bn ra = Below(m.get()), rb = Below(m.get());
            const BIGNUM* a = row < 3 ? picks[row][0]->get() : ra.get();
            const BIGNUM* b = row < 3 ? picks[row][1]->get() : rb.get();
            Limbs la = ToLimbs(a), lb = ToLimbs(b), lm = ToLimbs(m.get()), r(kLimbMax);
            Bn sum(BN_new()), diff(BN_new());
            BN_mod_add(sum.get(), a, b, m.get(), ctx.get());
            BN_mod_sub(diff.get(), a, b, m.get(), ctx.get());
            ModAdd(r.data(), la.data(), lb.data(), lm.data(), limbs);
            EXPECT_EQ(Hex(FromLimbs(r.data(), limbs).get()), Hex(sum.get())) << "a + b";
            ModSub(r.data(), la.data(), lb.data(), lm.data(), limbs);
            EXPECT_EQ(Hex(FromLimbs(r.data(), limbs).get()), Hex(diff.get())) << "a - b";
        }
    }
}

TEST_F(CtLimbs, ProductsAndComparisonsMatchOpenSsl)
{
    for (std::size_t la : {std::size_t{1}, kPrimeMaxLimbs}) {
        for (std::size_t lb : {std::size_t{1}, kBlindingLimbs, kPrimeMaxLimbs}) {
            SCOPED_TRACE(::testing::Message() << la << " x " << lb << " limbs");
            Bn a(rng.Words(la * kWordsPerLimb, kWordBits)), b(rng.Words(lb * kWordsPerLimb, kWordBits));
            Bn product(BN_new());
            BN_mul(product.get(), a.get(), b.get(), ctx.get());
            Limbs x = ToLimbs(a.get()), y = ToLimbs(b.get()), r(2 * kLimbMax);
            LimbsMul(r.data(), x.data(), la, y.data(), lb);
            EXPECT_EQ(Hex(FromLimbs(r.data(), la + lb).get()), Hex(product.get()));
        }
    }
    Bn v(rng.Words(kModulusMaxLimbs * kWordsPerLimb));
    const Limbs a = ToLimbs(v.get());
    for (std::size_t i : {std::size_t{0}, kModulusMaxLimbs - 1}) {
        SCOPED_TRACE(::testing::Message() << "limb " << i << " one larger");
        Limbs b = a;
        b[i] += 1;
        EXPECT_EQ(LimbsLessMask(a.data(), b.data(), kModulusMaxLimbs), ~Limb{0});
        EXPECT_EQ(LimbsLessMask(b.data(), a.data(), kModulusMaxLimbs), Limb{0});
        EXPECT_EQ(LimbsEqualMask(a.data(), b.data(), kModulusMaxLimbs), Limb{0});
    }
    EXPECT_EQ(LimbsLessMask(a.data(), a.data(), kModulusMaxLimbs), Limb{0}) << "a < a";
    EXPECT_EQ(LimbsEqualMask(a.data(), a.data(), kModulusMaxLimbs), ~Limb{0}) << "a = a";
}

// Values of any length, the largest ones included, reduced without division.
TEST_F(CtLimbs, MontgomeryFormOfAnyLengthMatchesOpenSsl)
{
    for (std::size_t limbs : kModulusLimbs) {
        Bn n = Modulus(limbs);
        const Limbs ln = ToLimbs(n.get());
        const MontModulus m(ln.data(), limbs);
        for (std::size_t xLimbs : {std::size_t{1}, limbs, limbs + 1, 2 * limbs, kModulusMaxLimbs}) {
            for (bool largest : {false, true}) {
                SCOPED_TRACE(::testing::Message() << xLimbs << " limbs mod " << limbs << (largest ? ", all ones" : ""));
                Bn x(rng.Words(xLimbs * kWordsPerLimb));
                if (largest) {
                    BN_zero(x.get());
                    BN_set_bit(x.get(), static_cast<int>(xLimbs * kLimbBits));
                    BN_sub_word(x.get(), 1);
                }
                Bn expected(BN_new());
                BN_nnmod(expected.get(), x.get(), n.get(), ctx.get());
                const Limbs lx = ToLimbs(x.get(), xLimbs);
                Limbs enter(kLimbMax), leave(kLimbMax);
                MontEnter(m, enter.data(), lx.data(), xLimbs);
                MontLeave(m, leave.data(), enter.data());
                EXPECT_EQ(Hex(FromLimbs(leave.data(), limbs).get()), Hex(expected.get()));
            }
        }
    }
}

// 2^e mod n for the exponents that R^2 needs and for larger ones (the IFMA
// kernel's R is 2^1040, and its full-size R^2 is joined from the primes'),
// from scratch and from a modulus's R^2.
TEST_F(CtLimbs, PowersOfTwoMatchOpenSsl)
{
    for (std::size_t limbs : kModulusLimbs) {
        Bn n = Modulus(limbs);
        const Limbs ln = ToLimbs(n.get());
        const MontModulus m(ln.data(), limbs);
        const std::size_t montBits = limbs * kLimbBits;
        for (std::size_t exponent : {std::size_t{0}, std::size_t{33}, montBits, 2 * montBits, 2 * montBits + 32,
                                     2 * montBits + 2048, 4 * montBits, 4 * montBits + 64, 8 * montBits + 128}) {
            SCOPED_TRACE(::testing::Message() << "2^" << exponent << " mod " << limbs << " limbs");
            Bn expected(BN_new()), power(BN_new());
            BN_set_bit(power.get(), static_cast<int>(exponent));
            BN_nnmod(expected.get(), power.get(), n.get(), ctx.get());
            Limbs r(kLimbMax);
            if (exponent >= montBits && (exponent - montBits) % 32 == 0 && exponent <= 2 * montBits + 2048) {
                LimbsPowerOfTwoMod(r.data(), ln.data(), limbs, LimbMontNPrime(ln[0]), exponent);
                EXPECT_EQ(Hex(FromLimbs(r.data(), limbs).get()), Hex(expected.get())) << "from scratch";
            }
            MontPowerOfTwo(m, r.data(), exponent);
            EXPECT_EQ(Hex(FromLimbs(r.data(), limbs).get()), Hex(expected.get())) << "from R^2";
        }
    }
}

TEST(CtPowerWindow, WidthsByExponentBits)
{
    const struct {
        std::size_t bits;
        std::size_t width;
    } rows[] = {{32, 2}, {33, 3}, {128, 3}, {129, 4}, {512, 4}, {513, 5}, {1088, 5}};
    for (const auto& row : rows)
        EXPECT_EQ(CtWindowBits(row.bits), row.width) << row.bits << " exponent bits";
}

// TALVEX_KERNEL's values: a kernel this processor cannot run is refused,
// never swapped for another.
TEST(CtPowerKernel, ChoiceFromTheEnvironment)
{
    const struct {
        const char* name;
        bool ifmaUsable;
        KernelChoice choice;
    } rows[] = {
        {nullptr, true, KernelChoice::kIfma},         {nullptr, false, KernelChoice::kPortable},
        {"", true, KernelChoice::kIfma},              {"portable", true, KernelChoice::kPortable},
        {"portable", false, KernelChoice::kPortable}, {"ifma", true, KernelChoice::kIfma},
        {"ifma", false, KernelChoice::kRefused},      {"IFMA", true, KernelChoice::kRefused},
        {"avx2", true, KernelChoice::kRefused},       {"portable ", false, KernelChoice::kRefused},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChooseKernel(row.name, row.ifmaUsable), row.choice)
            << '"' << (row.name ? row.name : "(unset)") << "\", IFMA " << row.ifmaUsable;
    }
}

// Exponents of every length the blinding gives, with all-zero and all-one
// windows; bases 0, 1, n - 1 and random.
TEST_F(CtLimbs, FixedWindowPowersMatchOpenSsl)
{
    for (std::size_t limbs : kModulusLimbs) {
        Bn n = Modulus(limbs);
        const Limbs ln = ToLimbs(n.get());
        const MontModulus m(ln.data(), limbs);
        for (std::size_t eLimbs : {std::size_t{1}, limbs, limbs + kBlindingLimbs}) {
            for (int shape = 0; shape < 4; ++shape) {
                SCOPED_TRACE(::testing::Message() << limbs << " limbs, " << eLimbs << "-limb exponent, shape " << shape);
                Bn base = Below(n.get()), e(rng.Words(eLimbs * kWordsPerLimb));
                if (shape == 1) {
                    BN_zero(base.get());
                    BN_zero(e.get());
                } else if (shape == 2) {
                    BN_zero(e.get());
                    BN_set_bit(e.get(), static_cast<int>(eLimbs * kLimbBits));
                    BN_sub_word(e.get(), 1);
                } else if (shape == 3) {
                    BN_sub(base.get(), n.get(), BN_value_one());
                }
                Bn expected(BN_new());
                BN_mod_exp(expected.get(), base.get(), e.get(), n.get(), ctx.get());
                const Limbs lb = ToLimbs(base.get()), le = ToLimbs(e.get(), eLimbs);
                Limbs r(kLimbMax);
                CtPower(m, r.data(), lb.data(), le.data(), eLimbs);
                EXPECT_EQ(Hex(FromLimbs(r.data(), limbs).get()), Hex(expected.get()));
            }
        }
    }
}

// Both CRT halves at once, on each kernel: the portable one everywhere, the
// IFMA one where this processor has it (a 64-bit build on a processor
// without it checks the choice falls back). Moduli with their top bit set
// and clear, exponents as the blinding makes them and all ones.
TEST_F(CtLimbs, PowerPairKernelsMatchOpenSsl)
{
    const std::size_t half = kPrimeMaxLimbs;
    for (std::size_t eLimbs : {std::size_t{1}, half, half + kBlindingLimbs}) {
        for (bool topBitSet : {true, false}) {
            SCOPED_TRACE(::testing::Message() << eLimbs << "-limb exponents, top bit " << (topBitSet ? "set" : "clear"));
            Bn n[2], base[2], e[2], expected[2];
            Limbs ln[2], lb[2], le[2];
            for (int h = 0; h < 2; ++h) {
                n[h] = Modulus(half);
                BN_set_bit(n[h].get(), static_cast<int>(half * kLimbBits - 1));
                if (!topBitSet)
                    BN_clear_bit(n[h].get(), static_cast<int>(half * kLimbBits - 1));
                base[h] = Below(n[h].get());
                e[h].reset(rng.Words(eLimbs * kWordsPerLimb));
                if (h == 1) {
                    BN_zero(e[h].get());
                    BN_set_bit(e[h].get(), static_cast<int>(eLimbs * kLimbBits));
                    BN_sub_word(e[h].get(), 1);
                }
                expected[h].reset(BN_new());
                BN_mod_exp(expected[h].get(), base[h].get(), e[h].get(), n[h].get(), ctx.get());
                ln[h] = ToLimbs(n[h].get());
                lb[h] = ToLimbs(base[h].get());
                le[h] = ToLimbs(e[h].get(), eLimbs);
            }
            const std::size_t nLimbs = topBitSet ? half : LimbsSignificant(ln[0].data(), half);
            const MontModulus m0(ln[0].data(), LimbsSignificant(ln[0].data(), half));
            const MontModulus m1(ln[1].data(), LimbsSignificant(ln[1].data(), half));
            for (PowerKernel kernel : {PowerKernel::kPortable, PowerKernel::kBest}) {
                SCOPED_TRACE(kernel == PowerKernel::kPortable ? "portable" : "best");
                Limbs r0(kLimbMax), r1(kLimbMax);
                PowerPair(kernel, PowerHalf{r0.data(), lb[0].data(), le[0].data(), eLimbs, &m0},
                          PowerHalf{r1.data(), lb[1].data(), le[1].data(), eLimbs, &m1});
                EXPECT_EQ(Hex(FromLimbs(r0.data(), nLimbs).get()), Hex(expected[0].get()));
                EXPECT_EQ(Hex(FromLimbs(r1.data(), half).get()), Hex(expected[1].get()));
            }
        }
    }
#if defined(TALVEX_HAVE_IFMA)
    if (!IfmaUsable())
        std::printf("this processor has no AVX-512 IFMA: only the portable kernel was run\n");
#endif
}

// The result check's power, on each kernel: the full 2048-bit modulus (the
// IFMA kernel's size, top bit set or clear) and a shorter one.
TEST_F(CtLimbs, PublicExponentPowersMatchOpenSsl)
{
    for (std::size_t limbs : {kModulusMaxLimbs, kPrimeMaxLimbs + 1}) {
        for (bool topBitSet : {true, false}) {
            Bn n = Modulus(limbs);
            BN_set_bit(n.get(), static_cast<int>(limbs * kLimbBits - 1));
            if (!topBitSet)
                BN_clear_bit(n.get(), static_cast<int>(limbs * kLimbBits - 1));
            const Limbs ln = ToLimbs(n.get());
            const std::size_t nLimbs = LimbsSignificant(ln.data(), limbs);
            const MontModulus m(ln.data(), nLimbs);
            for (std::uint32_t e : {1u, 3u, 17u, 65537u, 0x80000001u, 0xFFFFFFFFu}) {
                SCOPED_TRACE(::testing::Message() << limbs << " limbs, top bit " << topBitSet << ", e = " << e);
                Bn x = Below(n.get()), be(BN_new()), expected(BN_new());
                BN_set_word(be.get(), e);
                BN_mod_exp(expected.get(), x.get(), be.get(), n.get(), ctx.get());
                const Limbs lx = ToLimbs(x.get());
                Limbs r(kLimbMax);
                PublicPower(m, r.data(), lx.data(), e);
                EXPECT_EQ(Hex(FromLimbs(r.data(), nLimbs).get()), Hex(expected.get())) << "on a set-up modulus";
                for (PowerKernel kernel : {PowerKernel::kPortable, PowerKernel::kBest}) {
                    PublicPowerWith(kernel, r.data(), lx.data(), e, ln.data(), nLimbs);
                    EXPECT_EQ(Hex(FromLimbs(r.data(), nLimbs).get()), Hex(expected.get()))
                        << (kernel == PowerKernel::kPortable ? "portable" : "best");
                }
            }
        }
    }
}

} // namespace
