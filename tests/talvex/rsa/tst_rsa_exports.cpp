// The four exports at their edges: message and buffer sizes, key sizes and
// records, ciphertexts out of range, hand-made blocks, the padding source.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "rsa_keys.h"
#include "talvex_internal.h"

using namespace talvex_test;

namespace {

constexpr std::size_t kBlock = TALVEX_BLOCK_BYTES;

struct Result {
    int rc;
    Bytes out;
    std::uint32_t outLen;
};

// Runs one export with out and outLen pre-filled, so that a failure can be
// seen to leave them alone.
Result Call(Export fn, const Bytes& in, std::uint32_t outCap, const RsaKeyRecord* key)
{
    static const std::uint8_t none = 0;
    Result r{0, Bytes(outCap + 16, kUntouchedByte), kUntouchedLen};
    r.rc = fn(in.empty() ? &none : in.data(), static_cast<std::uint32_t>(in.size()), r.out.data(), outCap,
              &r.outLen, key);
    if (r.rc == TALVEX_OK)
        r.out.resize(r.outLen);
    return r;
}

bool Untouched(const Result& r)
{
    for (std::uint8_t b : r.out) {
        if (b != kUntouchedByte)
            return false;
    }
    return r.outLen == kUntouchedLen;
}

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        key = new TestKey(GenerateKey(2048, 65537));
        other = new TestKey(GenerateKey(2048, 65537));
        small = new TestKey(GenerateKey(1024, 65537));
    }
    static void TearDownTestSuite()
    {
        delete key;
        delete other;
        delete small;
    }
    static TestKey* key;
    static TestKey* other;
    static TestKey* small;

    // A hand-made block, encrypted with the private exponent so that the
    // public-key decryption opens it.
    Bytes SealBlock(const Bytes& block) { return RawPower(*key, block, key->d.get()); }
};
TestKey* Exports::key = nullptr;
TestKey* Exports::other = nullptr;
TestKey* Exports::small = nullptr;

TEST_F(Exports, MessageLengths)
{
    const struct {
        std::size_t len;
        int rc;
    } rows[] = {{0, TALVEX_OK}, {1, TALVEX_OK}, {245, TALVEX_OK}, {246, TALVEX_BLOCK_FAILED}, {1000, TALVEX_BLOCK_FAILED}};
    for (Export fn : {API_iRSA_encrypt_publicKey, API_iRSA_encrypt_privateKey}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.len);
            const Result r = Call(fn, Message(row.len, 9), kBlock, &key->record);
            EXPECT_EQ(r.rc, row.rc);
            if (row.rc == TALVEX_OK) {
                EXPECT_EQ(r.outLen, kBlock);
            } else {
                EXPECT_TRUE(Untouched(r));
            }
        }
    }
}

TEST_F(Exports, EmptyMessageHasItsSeparatorAtTheLastByte)
{
    const Result c = Call(API_iRSA_encrypt_publicKey, {}, kBlock, &key->record);
    ASSERT_EQ(c.rc, TALVEX_OK);
    const Bytes block = RawPower(*key, c.out, key->d.get());
    EXPECT_EQ(CheckType2Block(block, {}), "");
    EXPECT_EQ(block[kBlock - 1], 0);
    const Result m = Call(API_iRSA_decrypt_privateKey, c.out, kBlock, &key->record);
    EXPECT_EQ(m.rc, TALVEX_OK);
    EXPECT_EQ(m.outLen, 0u);
}

TEST_F(Exports, OutputRoom)
{
    const Bytes msg = Message(10, 4);
    const Bytes cipher = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record).out;
    const struct {
        const char* name;
        Export fn;
        const Bytes& in;
        std::uint32_t outCap;
        int rc;
    } rows[] = {
        {"encrypt into 255 bytes", API_iRSA_encrypt_publicKey, msg, 255, TALVEX_NO_ROOM},
        {"encrypt into 256 bytes", API_iRSA_encrypt_publicKey, msg, 256, TALVEX_OK},
        {"private encrypt into 255", API_iRSA_encrypt_privateKey, msg, 255, TALVEX_NO_ROOM},
        {"decrypt 10 bytes into 9", API_iRSA_decrypt_privateKey, cipher, 9, TALVEX_NO_ROOM},
        {"decrypt 10 bytes into 10", API_iRSA_decrypt_privateKey, cipher, 10, TALVEX_OK},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Result r = Call(row.fn, row.in, row.outCap, &key->record);
        EXPECT_EQ(r.rc, row.rc);
        if (row.rc == TALVEX_NO_ROOM) {
            EXPECT_TRUE(Untouched(r)) << "out or outLen written: " << Hex(r.out);
        }
    }
    std::uint32_t outLen = kUntouchedLen;
    Bytes out(kBlock, kUntouchedByte);
    EXPECT_EQ(API_iRSA_encrypt_publicKey(msg.data(), 10, nullptr, kBlock, &outLen, &key->record), TALVEX_NO_ROOM);
    EXPECT_EQ(outLen, kUntouchedLen) << "null out";
    EXPECT_EQ(API_iRSA_decrypt_privateKey(cipher.data(), kBlock, out.data(), kBlock, nullptr, &key->record),
              TALVEX_NO_ROOM);
    EXPECT_EQ(Hex(out), Hex(Bytes(kBlock, kUntouchedByte))) << "null outLen";
}

TEST_F(Exports, KeyRecordAndInputChecks)
{
    RsaKeyRecord tooSmall = key->record;
    tooSmall.bits = 507;
    RsaKeyRecord tooLarge = key->record;
    tooLarge.bits = 2049;
    const Bytes msg = Message(20, 5);
    const Bytes cipher = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record).out;
    // Opened with the wrong key, a ciphertext at or above that key's modulus
    // is refused before decoding (-1); the padding is fresh at every call, so
    // encrypt again until the ciphertext lies below it and the decoder judges.
    const Bytes otherModulus(other->record.modulus, other->record.modulus + kBlock);
    Bytes cipherBelowOther = cipher;
    constexpr int kMaxTries = 64;
    for (int i = 0; i < kMaxTries && !(cipherBelowOther < otherModulus); ++i)
        cipherBelowOther = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record).out;
    ASSERT_LT(cipherBelowOther, otherModulus);
    const struct {
        const char* name;
        Export fn;
        Bytes in;
        const RsaKeyRecord* key;
        int rc;
    } rows[] = {
        {"507 bits, encrypt", API_iRSA_encrypt_publicKey, msg, &tooSmall, TALVEX_KEY_FAILED},
        {"2049 bits, encrypt", API_iRSA_encrypt_privateKey, msg, &tooLarge, TALVEX_KEY_FAILED},
        {"507 bits, decrypt", API_iRSA_decrypt_privateKey, cipher, &tooSmall, TALVEX_KEY_FAILED},
        {"2049 bits, decrypt", API_iRSA_decrypt_publicKey, cipher, &tooLarge, TALVEX_KEY_FAILED},
        {"null key, encrypt", API_iRSA_encrypt_publicKey, msg, nullptr, TALVEX_KEY_FAILED},
        {"null key, decrypt", API_iRSA_decrypt_privateKey, cipher, nullptr, TALVEX_KEY_FAILED},
        {"empty ciphertext", API_iRSA_decrypt_privateKey, {}, &key->record, TALVEX_KEY_FAILED},
        {"257-byte ciphertext", API_iRSA_decrypt_privateKey, Bytes(257, 1), &key->record, TALVEX_KEY_FAILED},
        {"ciphertext = n", API_iRSA_decrypt_privateKey,
         Bytes(key->record.modulus, key->record.modulus + kBlock), &key->record, TALVEX_KEY_FAILED},
        {"ciphertext above n", API_iRSA_decrypt_publicKey, Bytes(kBlock, 0xFF), &key->record, TALVEX_KEY_FAILED},
        {"1024-bit key, encrypt", API_iRSA_encrypt_publicKey, msg, &small->record, TALVEX_KEY_FAILED},
        {"1024-bit key, private encrypt", API_iRSA_encrypt_privateKey, msg, &small->record, TALVEX_KEY_FAILED},
        {"1024-bit key, 129-byte input", API_iRSA_decrypt_privateKey, Bytes(129, 1), &small->record,
         TALVEX_KEY_FAILED},
        {"1024-bit key, 128-byte input below n", API_iRSA_decrypt_publicKey, Bytes(128, 1), &small->record,
         TALVEX_BLOCK_FAILED},
        {"wrong key", API_iRSA_decrypt_privateKey, cipherBelowOther, &other->record, TALVEX_BLOCK_FAILED},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Result r = Call(row.fn, row.in, kBlock, row.key);
        EXPECT_EQ(r.rc, row.rc);
        EXPECT_TRUE(Untouched(r));
    }
    std::uint32_t outLen = 0;
    Bytes out(kBlock);
    EXPECT_EQ(API_iRSA_encrypt_publicKey(nullptr, 5, out.data(), kBlock, &outLen, &key->record),
              TALVEX_BLOCK_FAILED);
    EXPECT_EQ(API_iRSA_decrypt_privateKey(nullptr, kBlock, out.data(), kBlock, &outLen, &key->record),
              TALVEX_KEY_FAILED);
}

// Keys that cannot be RSA keys: an exponent that hands the input back or is
// even, primes below 3 or even. Every export that uses the value refuses.
TEST_F(Exports, RefusedKeys)
{
    const Bytes msg = Message(24, 12);
    const Bytes cipher = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record).out;
    auto withExponent = [&](std::uint32_t e) {
        RsaKeyRecord r = key->record;
        std::memset(r.publicExponent, 0, sizeof r.publicExponent);
        for (int i = 0; i < 4; ++i)
            r.publicExponent[sizeof r.publicExponent - 1 - i] = static_cast<std::uint8_t>(e >> (8 * i));
        return r;
    };
    using PrimeField = std::uint8_t(RsaKeyRecord::*)[sizeof(RsaKeyRecord::primeP)];
    auto withPrime = [&](PrimeField field, std::uint8_t value) {
        RsaKeyRecord r = key->record;
        std::uint8_t* f = r.*field;
        std::memset(f, 0, sizeof r.primeP);
        f[sizeof r.primeP - 1] = value;
        return r;
    };
    RsaKeyRecord evenP = key->record;
    evenP.primeP[sizeof evenP.primeP - 1] ^= 1;
    const struct {
        const char* name;
        RsaKeyRecord record;
        std::vector<Export> exports;
    } rows[] = {
        {"e = 0", withExponent(0), {API_iRSA_encrypt_publicKey, API_iRSA_decrypt_privateKey}},
        {"e = 1", withExponent(1), {API_iRSA_encrypt_publicKey, API_iRSA_decrypt_publicKey,
                                    API_iRSA_encrypt_privateKey, API_iRSA_decrypt_privateKey}},
        {"e = 2", withExponent(2), {API_iRSA_encrypt_publicKey, API_iRSA_decrypt_privateKey}},
        {"e = 65536", withExponent(65536), {API_iRSA_decrypt_publicKey, API_iRSA_encrypt_privateKey}},
        {"p = 1", withPrime(&RsaKeyRecord::primeP, 1), {API_iRSA_encrypt_privateKey, API_iRSA_decrypt_privateKey}},
        {"p = 0", withPrime(&RsaKeyRecord::primeP, 0), {API_iRSA_decrypt_privateKey}},
        {"q = 2", withPrime(&RsaKeyRecord::primeQ, 2), {API_iRSA_encrypt_privateKey, API_iRSA_decrypt_privateKey}},
        {"p even", evenP, {API_iRSA_decrypt_privateKey}},
    };
    for (const auto& row : rows) {
        for (Export fn : row.exports) {
            SCOPED_TRACE(::testing::Message() << row.name << ", export " << reinterpret_cast<void*>(fn));
            const bool decrypt = fn == API_iRSA_decrypt_privateKey || fn == API_iRSA_decrypt_publicKey;
            const Result r = Call(fn, decrypt ? cipher : msg, kBlock, &row.record);
            EXPECT_EQ(r.rc, TALVEX_KEY_FAILED);
            EXPECT_TRUE(Untouched(r));
        }
    }
}

// Only the low 32 bits of the exponent field count: bytes above them are
// ignored, not read as a larger exponent.
TEST_F(Exports, ExponentFieldIsCutToItsLow32Bits)
{
    RsaKeyRecord wide = key->record;
    wide.publicExponent[0] = 0xFF;
    wide.publicExponent[sizeof wide.publicExponent - 5] = 0x80;
    const Bytes msg = Message(16, 10);
    const Result c = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &wide);
    ASSERT_EQ(c.rc, TALVEX_OK);
    EXPECT_EQ(Hex(OpensslDecrypt(*key, c.out)), Hex(msg));
}

TEST_F(Exports, TamperedCiphertextIsRefused)
{
    const Bytes msg = Message(32, 6);
    Bytes cipher = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record).out;
    cipher[100] ^= 0x01;
    EXPECT_EQ(Call(API_iRSA_decrypt_privateKey, cipher, kBlock, &key->record).rc, TALVEX_BLOCK_FAILED);
}

// Blocks built by hand, opened by both decryption exports and by OpenSSL:
// where the separator is found, and what PKCS#1 v1.5 refuses (fewer than
// eight padding bytes, a zero among them).
TEST_F(Exports, HandMadeBlocks)
{
    auto block = [](std::uint8_t lead, std::uint8_t type, std::size_t sep) {
        Bytes b(kBlock, 0x5A);
        b[0] = lead;
        b[1] = type;
        if (sep < kBlock)
            b[sep] = 0;
        return b;
    };
    Bytes zerosBefore9 = block(0, 2, 9);
    std::fill(zerosBefore9.begin() + 2, zerosBefore9.begin() + 9, 0);
    Bytes zerosOnlyBefore9 = block(0, 2, kBlock);
    zerosOnlyBefore9[8] = 0;
    Bytes zeroInPadding = block(0, 2, 40);
    zeroInPadding[5] = 0;
    Bytes zeroAt9 = block(0, 2, 40);
    zeroAt9[9] = 0;
    const struct {
        const char* name;
        Bytes block;
        int rc;
        std::uint32_t messageLen;
    } rows[] = {
        {"separator at 10", block(0, 2, 10), TALVEX_OK, 245},
        {"separator at 40", block(0, 2, 40), TALVEX_OK, 215},
        {"separator at 255", block(0, 2, 255), TALVEX_OK, 0},
        {"separator at 9", block(0, 2, 9), TALVEX_BLOCK_FAILED, 0},
        {"separator at 2", block(0, 2, 2), TALVEX_BLOCK_FAILED, 0},
        {"zero at offset 5, separator at 40", zeroInPadding, TALVEX_BLOCK_FAILED, 0},
        {"zero at offset 9, separator at 40", zeroAt9, TALVEX_BLOCK_FAILED, 0},
        {"zero padding at 2 to 8, separator at 9", zerosBefore9, TALVEX_BLOCK_FAILED, 0},
        {"no separator", block(0, 2, kBlock), TALVEX_BLOCK_FAILED, 0},
        {"zero only at offset 8", zerosOnlyBefore9, TALVEX_BLOCK_FAILED, 0},
        {"type 1", block(0, 1, 20), TALVEX_BLOCK_FAILED, 0},
        {"lead byte 1", block(1, 2, 20), TALVEX_BLOCK_FAILED, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes message(row.block.end() - row.messageLen, row.block.end());
        const Bytes forPrivate = RawPower(*key, row.block, key->e.get());
        Bytes opensslMessage;
        EXPECT_EQ(OpensslDecrypts(*key, forPrivate, &opensslMessage), row.rc == TALVEX_OK) << "OpenSSL disagrees";
        if (row.rc == TALVEX_OK) {
            EXPECT_EQ(Hex(opensslMessage), Hex(message));
        }
        const struct {
            Export fn;
            Bytes cipher;
        } opened[] = {{API_iRSA_decrypt_publicKey, SealBlock(row.block)},
                      {API_iRSA_decrypt_privateKey, forPrivate}};
        for (const auto& o : opened) {
            SCOPED_TRACE(o.fn == API_iRSA_decrypt_publicKey ? "public key" : "private key");
            const Result r = Call(o.fn, o.cipher, kBlock, &key->record);
            EXPECT_EQ(r.rc, row.rc);
            if (row.rc != TALVEX_OK) {
                EXPECT_TRUE(Untouched(r));
                continue;
            }
            EXPECT_EQ(r.outLen, row.messageLen);
            EXPECT_EQ(Hex(r.out), Hex(message));
        }
    }
}

// The decoder on its own, for every place the separator can take: the
// message it hands out is the tail after the separator, which must come
// after eight padding bytes or more.
TEST(Type2Decoder, EverySeparatorOffset)
{
    for (std::size_t sep = 2; sep <= kBlock; ++sep) {
        SCOPED_TRACE(sep);
        Bytes block(kBlock);
        for (std::size_t i = 0; i < kBlock; ++i)
            block[i] = static_cast<std::uint8_t>(1 + i % 255);
        block[0] = 0;
        block[1] = 2;
        if (sep < kBlock)
            block[sep] = 0;
        Bytes msg(kBlock, kUntouchedByte);
        std::size_t len = kUntouchedLen;
        const std::uint8_t rc = talvex::EA_ucPKCS1_5RASEncodeGetData(block.data(), kBlock, kBlock, msg.data(), &len);
        if (sep < talvex::kBlockMinSeparatorOffset || sep == kBlock) {
            EXPECT_EQ(rc, talvex::kBlockFailed);
            EXPECT_EQ(len, kUntouchedLen);
            EXPECT_EQ(Hex(msg), Hex(Bytes(kBlock, kUntouchedByte)));
            continue;
        }
        ASSERT_EQ(rc, talvex::kBlockOk);
        ASSERT_EQ(len, kBlock - sep - 1);
        EXPECT_EQ(Hex(Bytes(msg.begin(), msg.begin() + len)), Hex(Bytes(block.begin() + sep + 1, block.end())));
    }
}

// Fresh padding for every encryption, without touching the caller's rand().
TEST_F(Exports, PaddingIsFreshAndLeavesRandAlone)
{
    const Bytes msg = Message(50, 7);
    std::srand(1234);
    const int expected = std::rand();
    std::srand(1234);
    const Result a = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record);
    const Result b = Call(API_iRSA_encrypt_publicKey, msg, kBlock, &key->record);
    EXPECT_EQ(std::rand(), expected);
    ASSERT_EQ(a.rc, TALVEX_OK);
    ASSERT_EQ(b.rc, TALVEX_OK);
    EXPECT_NE(Hex(a.out), Hex(b.out));
    EXPECT_EQ(Hex(OpensslDecrypt(*key, a.out)), Hex(msg));
    EXPECT_EQ(Hex(OpensslDecrypt(*key, b.out)), Hex(msg));
}

// The padding source as the encoder sees it: a failure, one that keeps
// giving zeros, and one that gives a zero in every other byte.
std::size_t gCalls = 0;
bool Failing(std::uint8_t*, std::size_t)
{
    return false;
}
bool AllZero(std::uint8_t* buf, std::size_t len)
{
    std::memset(buf, 0, len);
    return true;
}
bool HalfZero(std::uint8_t* buf, std::size_t len)
{
    for (std::size_t i = 0; i < len; ++i)
        buf[i] = (gCalls++ % 2) ? 0 : static_cast<std::uint8_t>(gCalls);
    return true;
}

TEST(Type2Encoder, PaddingSource)
{
    const Bytes msg = Message(40, 8);
    const struct {
        const char* name;
        talvex::RandomSource source;
        std::uint8_t rc;
    } rows[] = {
        {"failing source", Failing, talvex::kBlockNoRandom},
        {"only zeros", AllZero, talvex::kBlockNoRandom},
        {"every other byte zero", HalfZero, talvex::kBlockOk},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes block(kBlock, kUntouchedByte);
        EXPECT_EQ(talvex::Pkcs1Type2Encode(msg.size(), msg.data(), kBlock, block.data(), row.source), row.rc);
        if (row.rc == talvex::kBlockOk) {
            EXPECT_EQ(CheckType2Block(block, msg), "");
        } else {
            EXPECT_EQ(Hex(block), Hex(Bytes(kBlock, kUntouchedByte))) << "block written on failure";
        }
    }
}

} // namespace
