// Montgomery products, R^2 mod n and the sliding-window exponentiation,
// against OpenSSL.
#include <gtest/gtest.h>

#include <memory>

#include "bn_reference.h"

using namespace talvex;
using talvex_test::Hex;
using talvex_test::Num;
using talvex_test::WellFormed;

namespace {

using Bn = std::unique_ptr<BIGNUM, talvex_test::BnFree>;
constexpr std::size_t kMaxMontWords = kFullWords - 1;
constexpr std::size_t kMaxExpWords = 64;

struct Montgomery : ::testing::Test {
    talvex_test::RandomNumbers rng{7302};
    std::unique_ptr<BN_CTX, talvex_test::BnCtxFree> ctx{BN_CTX_new()};

    // The one result a Montgomery product may give for any a, b < R:
    // S = (a b + M n) / R with M = -a b / n mod R, less n once if S >= n.
    Bn Expected(const BIGNUM* a, const BIGNUM* b, const BIGNUM* n, std::size_t k)
    {
        Bn r(BN_new()), ninv(BN_new()), ab(BN_new()), m(BN_new()), s(BN_new());
        BN_set_bit(r.get(), static_cast<int>(k * kWordBits));
        BN_mod_inverse(ninv.get(), n, r.get(), ctx.get());
        BN_mul(ab.get(), a, b, ctx.get());
        BN_mod_mul(m.get(), ab.get(), ninv.get(), r.get(), ctx.get());
        BN_sub(m.get(), r.get(), m.get());
        BN_nnmod(m.get(), m.get(), r.get(), ctx.get());
        BN_mul(s.get(), m.get(), n, ctx.get());
        BN_add(s.get(), s.get(), ab.get());
        BN_rshift(s.get(), s.get(), static_cast<int>(k * kWordBits));
        if (BN_cmp(s.get(), n) >= 0)
            BN_sub(s.get(), s.get(), n);
        return s;
    }
};

// Operands anywhere below R, not only below n, so that the exact value of the
// unreduced result is checked, whichever inner loop computes it. The largest
// operands (R - 1) and moduli with their top bit set make the unreduced sum
// reach R, where a dropped top carry would show.
TEST_F(Montgomery, ProductsEqualTheExactMontgomeryResult)
{
    enum Shape { kRandom, kLargest, kFullWidth };
    for (std::size_t k = 1; k <= kMaxMontWords; ++k) {
        for (Shape shape : {kRandom, kLargest, kFullWidth}) {
            SCOPED_TRACE(::testing::Message() << k << " words, operand shape " << shape);
            Bn n(shape == kRandom ? rng.OddWords(k) : rng.Words(k, kWordBits));
            BN_set_bit(n.get(), 0);
            Bn x(rng.Words(k, shape == kRandom ? 0 : kWordBits));
            Bn y(rng.Words(shape == kRandom ? 1 + rng.Word() % k : k, shape == kRandom ? 0 : kWordBits));
            if (shape == kLargest) {
                BN_zero(x.get());
                BN_set_bit(x.get(), static_cast<int>(k * kWordBits));
                BN_sub_word(x.get(), 1);
                BN_copy(y.get(), x.get());
            }
            Num a(x.get()), b(y.get()), nn(n.get());
            const std::uint32_t nPrime = BigMontNPrime(nn->words[0]);
            EXPECT_EQ(static_cast<std::uint32_t>(nn->words[0] * nPrime), 0xFFFFFFFFu) << "n x n' = -1 mod 2^32";
            BigMontMul(a.get(), b.get(), nn.get(), nPrime);
            EXPECT_EQ(Hex(a.get()), Hex(Expected(x.get(), y.get(), n.get(), k).get()));
            EXPECT_TRUE(WellFormed(a.get()));

            Num sq(x.get());
            BigMontMul(sq.get(), sq.get(), nn.get(), nPrime);
            EXPECT_EQ(Hex(sq.get()), Hex(Expected(x.get(), x.get(), n.get(), k).get())) << "a x a";

            Bn one(BN_new());
            BN_one(one.get());
            Num from(x.get());
            BigMontFrom(nn.get(), from.get(), nPrime);
            EXPECT_EQ(Hex(from.get()), Hex(Expected(x.get(), one.get(), n.get(), k).get())) << "out of Montgomery form";
        }
    }
}

#if defined(TALVEX_HAVE_LIMB64)
TEST_F(Montgomery, LimbSquareEqualsLimbProduct)
{
    for (std::size_t limbs = 1; limbs <= kMaxExpWords / 2; ++limbs) {
        SCOPED_TRACE(::testing::Message() << limbs << " limbs");
        const std::size_t k = 2 * limbs;
        // Full-width operands, so that the unreduced square reaches R.
        Bn n(rng.Words(k, kWordBits)), x(rng.Words(k, kWordBits));
        BN_set_bit(n.get(), 0);
        Num a(x.get()), nn(n.get());
        std::uint64_t al[kLimbMax + 1] = {}, nl[kLimbMax + 1] = {}, mul[kLimbMax + 1] = {}, sqr[kLimbMax + 1] = {};
        for (std::size_t i = 0; i < limbs; ++i) {
            al[i] = a->words[2 * i] | (std::uint64_t{a->words[2 * i + 1]} << kWordBits);
            nl[i] = nn->words[2 * i] | (std::uint64_t{nn->words[2 * i + 1]} << kWordBits);
        }
        const std::uint64_t nPrime = LimbMontNPrime(nl[0]);
        LimbMontMul(mul, al, al, nl, nPrime, limbs);
        LimbMontSqr(sqr, al, nl, nPrime, limbs);
        EXPECT_EQ(talvex_test::HexBytes(reinterpret_cast<std::uint8_t*>(sqr), sizeof sqr),
                  talvex_test::HexBytes(reinterpret_cast<std::uint8_t*>(mul), sizeof mul));
    }
}
#endif

// Up to the longest modulus the exponentiation takes: with 64-bit limbs, 65
// words make a limb more than the key's 2048 bits.
TEST_F(Montgomery, R2MatchesOpenSsl)
{
    for (std::size_t k = 1; k <= kMaxMontWords; ++k) {
        SCOPED_TRACE(::testing::Message() << k << " words");
        Bn n(rng.OddWords(k)), expected(BN_new()), power(BN_new());
        BN_set_bit(power.get(), static_cast<int>(2 * k * kWordBits));
        BN_nnmod(expected.get(), power.get(), n.get(), ctx.get());
        Num nn(n.get()), r;
        ASSERT_EQ(BigMontR2(r.get(), nn.get()), 0);
        EXPECT_EQ(Hex(r.get()), Hex(expected.get()));
        EXPECT_TRUE(WellFormed(r.get()));
    }
}

TEST(Exponentiation, WindowWidthsByExponentBits)
{
    const struct {
        std::size_t bits;
        std::size_t width;
    } rows[] = {{0, 1}, {17, 1}, {23, 1}, {24, 2}, {79, 2}, {80, 3}, {239, 3}, {240, 4}, {2048, 4}};
    for (const auto& row : rows)
        EXPECT_EQ(BigWindowBits(row.bits), row.width) << row.bits << " exponent bits";
}

// Exponents at each window-width boundary and beyond, bases below and above
// the modulus, moduli of every length from 1 to 64 words.
TEST_F(Montgomery, PowersMatchOpenSsl)
{
    const int exponentBits[] = {1, 2, 17, 23, 24, 79, 80, 239, 240, 1024};
    for (std::size_t k = 1; k <= kMaxExpWords; ++k) {
        Bn n(rng.OddWords(k));
        for (int bits : exponentBits) {
            SCOPED_TRACE(::testing::Message() << k << " words, exponent of " << bits << " bits");
            Bn base(rng.Words(1 + rng.Word() % (k + 1))), e(BN_new()), expected(BN_new());
            BN_rand(e.get(), bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ANY);
            BN_mod_exp(expected.get(), base.get(), e.get(), n.get(), ctx.get());
            Num b(base.get()), ee(e.get()), nn(n.get()), r;
            ASSERT_EQ(BigModExp(r.get(), b.get(), ee.get(), nn.get()), 0);
            EXPECT_EQ(Hex(r.get()), Hex(expected.get()));
            EXPECT_TRUE(WellFormed(r.get()));
        }
    }
}

TEST_F(Montgomery, PowerOfNegativeBaseIsThatOfItsResidue)
{
    Bn n(rng.OddWords(8)), base(rng.Words(5)), e(BN_new()), expected(BN_new()), residue(BN_new());
    BN_set_word(e.get(), 65537);
    BN_set_negative(base.get(), 1);
    BN_nnmod(residue.get(), base.get(), n.get(), ctx.get());
    BN_mod_exp(expected.get(), residue.get(), e.get(), n.get(), ctx.get());
    Num b(base.get()), ee(e.get()), nn(n.get()), r;
    ASSERT_EQ(BigModExp(r.get(), b.get(), ee.get(), nn.get()), 0);
    EXPECT_EQ(Hex(r.get()), Hex(expected.get()));
}

TEST_F(Montgomery, ExponentiationRefusalsAndZeroExponent)
{
    Bn odd(rng.OddWords(4)), base(rng.Words(3));
    Num nn(odd.get()), b(base.get()), e, r;
    BigSetWord(e.get(), 0);
    ASSERT_EQ(BigModExp(r.get(), b.get(), e.get(), nn.get()), 0);
    EXPECT_EQ(Hex(r.get()), "01") << "x^0 = 1";

    Num one;
    BigSetWord(one.get(), 1);
    ASSERT_EQ(BigModExp(r.get(), b.get(), e.get(), one.get()), 0);
    EXPECT_EQ(Hex(r.get()), "0") << "x^0 mod 1 = 0";

    BigSetWord(e.get(), 3);
    Num even(odd.get());
    even->words[0] &= ~1u;
    EXPECT_EQ(BigModExp(r.get(), b.get(), e.get(), even.get()), kErrBadModulus) << "even modulus";
    Num negative(odd.get());
    negative->sign = 1;
    EXPECT_EQ(BigModExp(r.get(), b.get(), e.get(), negative.get()), kErrBadModulus) << "negative modulus";
    e->sign = 1;
    EXPECT_EQ(BigModExp(r.get(), b.get(), e.get(), nn.get()), kErrBadModulus) << "negative exponent";
}

} // namespace
