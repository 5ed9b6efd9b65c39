#include "bn_reference.h"

#include <memory>
#include <vector>

namespace talvex_test {

namespace {
constexpr unsigned kBitsPerWord = 32;
} // namespace

Num::Num(const BIGNUM* v)
{
    std::vector<std::uint8_t> bytes(BN_num_bytes(v));
    BN_bn2bin(v, bytes.data());
    talvex::BigFromBytes(&num, kStorageWords, bytes.data(), bytes.size());
    num.sign = BN_is_negative(v) ? 1 : 0;
}

Num::Num(const Num& other) : num{other.num.sign, other.num.length, words}
{
    for (std::size_t i = 0; i < kStorageWords; ++i)
        words[i] = other.words[i];
}

BIGNUM* ToBn(const talvex::BigNum* a)
{
    std::vector<std::uint8_t> bytes(a->length * talvex::kWordBytes);
    talvex::BigToBytes(a, a->length, bytes.data(), bytes.size());
    BIGNUM* v = BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr);
    BN_set_negative(v, a->sign);
    return v;
}

std::string Hex(const BIGNUM* v)
{
    char* text = BN_bn2hex(v);
    std::string s(text);
    OPENSSL_free(text);
    return s;
}

std::string Hex(const talvex::BigNum* a)
{
    std::unique_ptr<BIGNUM, BnFree> v(ToBn(a));
    // OpenSSL prints zero without a sign; show a negative zero so that a
    // sign fault is visible.
    return (a->sign && BN_is_zero(v.get()) ? "-" : "") + Hex(v.get());
}

std::string HexBytes(const std::uint8_t* p, std::size_t len)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::size_t i = 0; i < len; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 0xF];
    }
    return s;
}

::testing::AssertionResult WellFormed(const talvex::BigNum* a)
{
    if (a->length == 0)
        return ::testing::AssertionFailure() << "length 0";
    if (a->length > 1 && a->words[a->length - 1] == 0)
        return ::testing::AssertionFailure() << "top word zero at length " << int(a->length);
    if (a->length == 1 && a->words[0] == 0 && a->sign)
        return ::testing::AssertionFailure() << "negative zero";
    for (std::size_t i = a->length; i < Num::kStorageWords; ++i) {
        if (a->words[i] != 0)
            return ::testing::AssertionFailure()
                   << "word " << i << " above length " << int(a->length) << " is " << std::hex << a->words[i];
    }
    return ::testing::AssertionSuccess();
}

BIGNUM* RandomNumbers::Words(std::size_t words, unsigned topBits)
{
    BIGNUM* v = BN_new();
    BN_zero(v);
    for (std::size_t i = 0; i < words; ++i) {
        std::uint32_t w = Word();
        if (i == 0) { // the most significant word comes first
            const unsigned bits = topBits != 0 ? topBits : 1 + Word() % kBitsPerWord;
            w = bits == kBitsPerWord ? (w | 0x80000000u) : ((w & ((1u << bits) - 1)) | (1u << (bits - 1)));
        }
        BN_lshift(v, v, kBitsPerWord);
        BN_add_word(v, w);
    }
    return v;
}

BIGNUM* RandomNumbers::OddWords(std::size_t words)
{
    BIGNUM* v = Words(words);
    BN_set_bit(v, 0);
    return v;
}

} // namespace talvex_test
