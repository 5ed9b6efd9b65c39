// The number record, comparison, addition, subtraction, multiplication and
// division, against OpenSSL on random values of every length from 1 to 66
// words.
#include <gtest/gtest.h>

#include <memory>

#include "bn_reference.h"

using namespace talvex;
using talvex_test::Hex;
using talvex_test::Num;
using talvex_test::WellFormed;

namespace {

using Bn = std::unique_ptr<BIGNUM, talvex_test::BnFree>;
constexpr std::size_t kMaxWords = kFullWords;

// OpenSSL's comparisons promise only the sign of their result.
int Sign(int v)
{
    return (v > 0) - (v < 0);
}

struct Fixture : ::testing::Test {
    talvex_test::RandomNumbers rng{20240611};
    std::unique_ptr<BN_CTX, talvex_test::BnCtxFree> ctx{BN_CTX_new()};

    Bn Random(std::size_t words, bool negative = false, unsigned topBits = 0)
    {
        Bn v(rng.Words(words, topBits));
        BN_set_negative(v.get(), negative);
        return v;
    }
};

using NumberRecord = Fixture;
using AddSub = Fixture;
using MulDiv = Fixture;

TEST_F(NumberRecord, BytesAndBitLengthsMatchOpenSsl)
{
    for (std::size_t words = 1; words <= kMaxWords; ++words) {
        SCOPED_TRACE(words);
        Bn v = Random(words);
        Num a(v.get());
        EXPECT_TRUE(WellFormed(a.get()));
        EXPECT_EQ(BigBitLength(a.get()), static_cast<std::size_t>(BN_num_bits(v.get())));
        Bn back(talvex_test::ToBn(a.get()));
        EXPECT_EQ(Hex(back.get()), Hex(v.get()));
    }
}

TEST_F(NumberRecord, ByteConversionEdges)
{
    std::uint8_t bytes[kBlockBytes];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<std::uint8_t>(i + 1);
    Num a;
    BigFromBytes(a.get(), 1, bytes, sizeof bytes); // one word: only the last four bytes count
    EXPECT_EQ(Hex(a.get()), "FDFEFF00");

    Num one;
    BigSetWord(one.get(), 1);
    BigToBytes(one.get(), 1, bytes, sizeof bytes);
    std::uint8_t expected[kBlockBytes] = {};
    expected[kBlockBytes - 1] = 1;
    EXPECT_EQ(talvex_test::HexBytes(bytes, sizeof bytes), talvex_test::HexBytes(expected, sizeof expected));

    Num zero;
    BigFromBytes(zero.get(), kFullWords, bytes, 0);
    EXPECT_TRUE(WellFormed(zero.get()));
    EXPECT_EQ(BigBitLength(zero.get()), 0u);
}

TEST_F(NumberRecord, ShiftsMatchOpenSsl)
{
    const std::size_t shifts[] = {0, 1, 31, 32, 33, 63, 64, 95, 200};
    for (std::size_t words = 1; words <= kMaxWords; ++words) {
        Bn v = Random(words);
        for (std::size_t s : shifts) {
            SCOPED_TRACE(::testing::Message() << words << " words, shift " << s);
            Bn expected(BN_new());
            Num a(v.get());
            BigShiftRight(a.get(), s);
            BN_rshift(expected.get(), v.get(), static_cast<int>(s));
            EXPECT_EQ(Hex(a.get()), Hex(expected.get()));
            EXPECT_TRUE(WellFormed(a.get()));
            if (BN_num_bits(v.get()) + s > kMaxWords * kWordBits)
                continue;
            Num b(v.get());
            BigShiftLeft(b.get(), s);
            BN_lshift(expected.get(), v.get(), static_cast<int>(s));
            EXPECT_EQ(Hex(b.get()), Hex(expected.get()));
            EXPECT_TRUE(WellFormed(b.get()));
        }
    }
}

TEST_F(AddSub, CompareMatchesOpenSsl)
{
    for (std::size_t words = 1; words <= kMaxWords; ++words) {
        for (int signs = 0; signs < 4; ++signs) {
            SCOPED_TRACE(::testing::Message() << words << " words, signs " << signs);
            Bn x = Random(words, signs & 1);
            Bn y = Random(1 + rng.Word() % kMaxWords, signs & 2);
            Num a(x.get()), b(y.get());
            EXPECT_EQ(BigCmp(a.get(), b.get()), Sign(BN_cmp(x.get(), y.get())));
            EXPECT_EQ(BigCmpMag(a.get(), b.get()), Sign(BN_ucmp(x.get(), y.get())));
            EXPECT_EQ(BigCmp(a.get(), a.get()), 0);
        }
    }
    Num seven;
    BigSetWord(seven.get(), 7);
    EXPECT_EQ(BigCmpWord(seven.get(), 7), 0);
    EXPECT_EQ(BigCmpWord(seven.get(), 8), -1);
    seven->sign = 1;
    EXPECT_EQ(BigCmpWord(seven.get(), 0), -1);
}

TEST_F(AddSub, SignedSumsAndDifferencesMatchOpenSsl)
{
    for (std::size_t words = 1; words < kMaxWords; ++words) {
        for (int signs = 0; signs < 4; ++signs) {
            SCOPED_TRACE(::testing::Message() << words << " words, signs " << signs);
            Bn x = Random(words, signs & 1);
            Bn y = Random(1 + rng.Word() % (kMaxWords - 1), signs & 2);
            Bn sum(BN_new()), diff(BN_new());
            BN_add(sum.get(), x.get(), y.get());
            BN_sub(diff.get(), x.get(), y.get());
            Num a(x.get()), b(y.get()), r;
            ASSERT_EQ(BigAdd(r.get(), a.get(), b.get()), 0);
            EXPECT_EQ(Hex(r.get()), Hex(sum.get()));
            EXPECT_TRUE(WellFormed(r.get()));
            ASSERT_EQ(BigSub(a.get(), a.get(), b.get()), 0); // result over its own operand
            EXPECT_EQ(Hex(a.get()), Hex(diff.get()));
            EXPECT_TRUE(WellFormed(a.get()));
        }
    }
}

TEST_F(AddSub, EqualMagnitudesGiveZeroAndSmallerMagnitudeIsRefused)
{
    for (int sign = 0; sign < 2; ++sign) {
        Bn x = Random(40, sign);
        Num a(x.get()), b(x.get()), r;
        ASSERT_EQ(BigSub(r.get(), a.get(), b.get()), 0);
        EXPECT_TRUE(WellFormed(r.get())) << "x - x for sign " << sign;
        EXPECT_EQ(BigCmpWord(r.get(), 0), 0);
    }
    Bn small = Random(3), big = Random(4);
    Num a(small.get()), b(big.get()), r;
    BigSetWord(r.get(), 5);
    EXPECT_EQ(BigSubMag(r.get(), a.get(), b.get()), kErrMagnitudeTooSmall);
    EXPECT_EQ(Hex(r.get()), "05") << "a refused subtraction leaves its result alone";
}

TEST_F(MulDiv, ProductsMatchOpenSsl)
{
    for (std::size_t words = 1; words < kMaxWords; ++words) {
        for (int signs = 0; signs < 4; ++signs) {
            SCOPED_TRACE(::testing::Message() << words << " words, signs " << signs);
            Bn x = Random(words, signs & 1);
            Bn y = Random(1 + rng.Word() % (kMaxWords - words), signs & 2);
            Bn expected(BN_new());
            BN_mul(expected.get(), x.get(), y.get(), ctx.get());
            Num a(x.get()), b(y.get()), r;
            ASSERT_EQ(BigMul(r.get(), a.get(), b.get()), 0);
            EXPECT_EQ(Hex(r.get()), Hex(expected.get()));
            EXPECT_TRUE(WellFormed(r.get()));

            const std::uint32_t w = rng.Word();
            BN_copy(expected.get(), x.get());
            BN_mul_word(expected.get(), w);
            ASSERT_EQ(BigMulWord(a.get(), a.get(), w), 0);
            EXPECT_EQ(Hex(a.get()), Hex(expected.get()));
        }
    }
    Bn x = Random(10, true);
    Num a(x.get()), zero, r;
    BigMul(r.get(), a.get(), zero.get());
    EXPECT_TRUE(WellFormed(r.get())) << "a negative number times zero is zero with sign 0";
}

// Divisors whose top word has each bit length, 32 (bit 31 set) and 31 (no
// normalisation shift) included, against dividends of every length.
TEST_F(MulDiv, RemaindersMatchOpenSsl)
{
    const unsigned topBits[] = {32, 31, 30, 1, 0};
    for (std::size_t aWords = 1; aWords <= kMaxWords; ++aWords) {
        for (unsigned top : topBits) {
            for (int signs = 0; signs < 4; ++signs) {
                const std::size_t bWords = 1 + rng.Word() % aWords;
                SCOPED_TRACE(::testing::Message() << aWords << "/" << bWords << " words, top bits " << top
                                                  << ", signs " << signs);
                Bn x = Random(aWords, signs & 1);
                Bn y = Random(bWords, signs & 2, top);
                Bn rem(BN_new()), nn(BN_new());
                BN_div(nullptr, rem.get(), x.get(), y.get(), ctx.get());
                Num a(x.get()), b(y.get()), r;
                ASSERT_EQ(BigDivMod(r.get(), a.get(), b.get()), 0);
                EXPECT_EQ(Hex(r.get()), Hex(rem.get()));
                EXPECT_TRUE(WellFormed(r.get()));
                if (signs & 2)
                    continue; // BigMod refuses negative moduli
                BN_nnmod(nn.get(), x.get(), y.get(), ctx.get());
                ASSERT_EQ(BigMod(a.get(), a.get(), b.get()), 0);
                EXPECT_EQ(Hex(a.get()), Hex(nn.get()));
            }
        }
    }
}

// Random operands almost never make a digit estimate one too large, so these
// are built to: the dividend's top words are exactly q times the divisor's
// top two words, and the divisor's lower words are all ones, so the estimate
// q passes its check while the true digit is q - 1 and the step must add the
// divisor back.
TEST_F(MulDiv, RemaindersWhenTheDigitEstimateIsOneTooLarge)
{
    for (std::size_t m = 2; m < kMaxWords; ++m) {
        for (unsigned top : {31u, 32u}) {
            SCOPED_TRACE(::testing::Message() << m << "-word divisor, top bits " << top);
            Bn head = Random(2, false, top), q = Random(1), divisor(BN_new()), x(BN_new()), rem(BN_new());
            const int lowBits = static_cast<int>((m - 2) * kWordBits);
            BN_lshift(divisor.get(), head.get(), lowBits);
            BN_mul(x.get(), divisor.get(), q.get(), ctx.get());
            Bn ones(BN_new()); // the low words, all ones
            BN_set_bit(ones.get(), lowBits);
            BN_sub_word(ones.get(), 1);
            BN_add(divisor.get(), divisor.get(), ones.get());
            BN_div(nullptr, rem.get(), x.get(), divisor.get(), ctx.get());
            Num a(x.get()), b(divisor.get()), r;
            ASSERT_EQ(BigDivMod(r.get(), a.get(), b.get()), 0);
            EXPECT_EQ(Hex(r.get()), Hex(rem.get()));
        }
    }
}

TEST_F(MulDiv, DivisionRefusals)
{
    Bn x = Random(5);
    Num a(x.get()), zero, r, m;
    EXPECT_EQ(BigDivMod(r.get(), a.get(), zero.get()), kErrDivideByZero);
    BigSetWord(m.get(), 3);
    m->sign = 1;
    EXPECT_EQ(BigMod(r.get(), a.get(), m.get()), kErrMagnitudeTooSmall);
    Bn big = Random(6);
    Num b(big.get());
    a->sign = 1;
    ASSERT_EQ(BigDivMod(r.get(), a.get(), b.get()), 0) << "|a| < |b| gives a back";
    x.reset(talvex_test::ToBn(a.get()));
    EXPECT_EQ(Hex(r.get()), Hex(x.get()));
}

} // namespace
