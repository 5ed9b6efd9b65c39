// Test support: Talvex number records next to OpenSSL's BIGNUMs, the
// independent implementation every routine is checked against.
#pragma once

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <random>
#include <string>

#include "talvex_internal.h"

namespace talvex_test {

// A number record with its own zero-filled storage, two words more than a
// full-size number so that tests can see a routine writing past 66 words.
struct Num {
    static constexpr std::size_t kStorageWords = talvex::kFullWords + 2;
    std::uint32_t words[kStorageWords] = {};
    talvex::BigNum num{0, 1, words};

    Num() = default;
    explicit Num(const BIGNUM* v);
    Num(const Num& other);
    Num& operator=(const Num&) = delete;
    talvex::BigNum* operator->() { return &num; }
    talvex::BigNum* get() { return &num; }
    const talvex::BigNum* get() const { return &num; }
};

struct BnFree {
    void operator()(BIGNUM* b) const { BN_free(b); }
};
struct BnCtxFree {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};

// OpenSSL's value of a record (sign included); the caller frees it.
BIGNUM* ToBn(const talvex::BigNum* a);

// Hex of a signed value, "-" in front of a negative one.
std::string Hex(const BIGNUM* v);
std::string Hex(const talvex::BigNum* a);
std::string HexBytes(const std::uint8_t* p, std::size_t len);

// A record's normal form and the zero words above its length.
::testing::AssertionResult WellFormed(const talvex::BigNum* a);

// Random values from a fixed seed, so that a failure can be repeated.
class RandomNumbers {
public:
    explicit RandomNumbers(std::uint32_t seed) : engine_(seed) {}
    // A value of exactly `words` significant words (top word non-zero); with
    // `topBits` the top word has exactly that many bits.
    BIGNUM* Words(std::size_t words, unsigned topBits = 0);
    // An odd value of exactly `words` words.
    BIGNUM* OddWords(std::size_t words);
    std::uint32_t Word() { return static_cast<std::uint32_t>(engine_()); }

private:
    std::mt19937 engine_;
};

} // namespace talvex_test
