// RSA in both directions against OpenSSL, with freshly generated keys of
// 2048 and 2041 bits and public exponents of 2, 17, 24 and 32 bits. CTest
// runs it once with each kernel (TALVEX_KERNEL); where the processor lacks
// the one asked for, every test skips.
#include <gtest/gtest.h>

#include <map>

#include "rsa_keys.h"
#include "talvex_internal.h"

using namespace talvex_test;

namespace {

constexpr std::size_t kCipherBytes = TALVEX_BLOCK_BYTES;
constexpr std::size_t kMessageLengths[] = {0, 1, 100, TALVEX_MAX_MESSAGE_BYTES};

struct KeyKind {
    unsigned bits;
    std::uint32_t e;
};

class KernelAvailable : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (talvex::BestKernel() == talvex::KernelChoice::kRefused)
            GTEST_SKIP() << "TALVEX_KERNEL names a kernel that this processor cannot run";
    }
};
::testing::Environment* const kKernelAvailable = ::testing::AddGlobalTestEnvironment(new KernelAvailable);

const KeyKind kKinds[] = {
    {2048, 3},
    {2048, 65537},
    {2048, 16777213},   // 24 bits: the exponentiation uses a 2-bit window
    {2048, 4294967291}, // 32 bits
    {2041, 65537},
};

// Keys are costly to make: one per kind for the whole run.
const TestKey& KeyFor(const KeyKind& kind)
{
    static std::map<std::pair<unsigned, std::uint32_t>, TestKey> keys;
    auto it = keys.find({kind.bits, kind.e});
    if (it == keys.end())
        it = keys.emplace(std::make_pair(kind.bits, kind.e), GenerateKey(kind.bits, kind.e)).first;
    return it->second;
}

class RsaInterop : public ::testing::TestWithParam<KeyKind> {
protected:
    const TestKey& key = KeyFor(GetParam());

    Bytes Encrypt(bool withPrivate, const Bytes& msg)
    {
        Bytes out(kCipherBytes);
        std::uint32_t outLen = 0;
        const std::uint8_t none = 0; // an empty message still needs a valid pointer
        const int rc = (withPrivate ? API_iRSA_encrypt_privateKey : API_iRSA_encrypt_publicKey)(
            msg.empty() ? &none : msg.data(), static_cast<std::uint32_t>(msg.size()), out.data(), kCipherBytes, &outLen, &key.record);
        EXPECT_EQ(rc, TALVEX_OK);
        EXPECT_EQ(outLen, kCipherBytes);
        return out;
    }

    Bytes Decrypt(bool withPrivate, const Bytes& cipher)
    {
        Bytes out(kCipherBytes);
        std::uint32_t outLen = 0;
        const int rc = (withPrivate ? API_iRSA_decrypt_privateKey : API_iRSA_decrypt_publicKey)(
            cipher.data(), static_cast<std::uint32_t>(cipher.size()), out.data(), kCipherBytes, &outLen, &key.record);
        EXPECT_EQ(rc, TALVEX_OK);
        out.resize(rc == TALVEX_OK ? outLen : 0);
        return out;
    }
};

TEST_P(RsaInterop, OurPublicEncryptionOpensByOpensslPrivateKey)
{
    for (std::size_t len : kMessageLengths) {
        SCOPED_TRACE(len);
        const Bytes msg = Message(len, 1);
        EXPECT_EQ(Hex(OpensslDecrypt(key, Encrypt(false, msg))), Hex(msg));
    }
}

TEST_P(RsaInterop, OpensslPublicEncryptionOpensByOurPrivateKey)
{
    for (std::size_t len : kMessageLengths) {
        SCOPED_TRACE(len);
        const Bytes msg = Message(len, 2);
        const Bytes cipher = OpensslEncrypt(key, msg);
        ASSERT_FALSE(cipher.empty());
        EXPECT_EQ(Hex(Decrypt(true, cipher)), Hex(msg));
    }
}

// Our private-key encryption, opened with OpenSSL's raw public operation, is
// a valid type-2 block; our public-key decryption opens it too.
TEST_P(RsaInterop, PrivateEncryptionIsAType2BlockUnderThePublicKey)
{
    for (std::size_t len : kMessageLengths) {
        SCOPED_TRACE(len);
        const Bytes msg = Message(len, 3);
        const Bytes cipher = Encrypt(true, msg);
        EXPECT_EQ(CheckType2Block(RawPower(key, cipher, key.e.get()), msg), "");
        EXPECT_EQ(Hex(Decrypt(false, cipher)), Hex(msg));
    }
}

// The CRT form, on either exponentiation kernel, and the public operation
// equal the plain powers m^d and m^e.
TEST_P(RsaInterop, KeyOperationsEqualPlainPowers)
{
    const std::size_t bytes = (key.bits + 7) / 8;
    for (std::uint8_t seed = 0; seed < 4; ++seed) {
        Bytes m = Message(bytes, seed);
        m[0] &= 0x7F >> (8 * bytes - key.bits); // below the modulus
        SCOPED_TRACE(Hex(m));
        Bytes ours(bytes);
        std::uint32_t len = 0;
        const Bytes expected = RawPower(key, m, key.d.get());
        for (talvex::PowerKernel kernel : {talvex::PowerKernel::kPortable, talvex::PowerKernel::kBest}) {
            SCOPED_TRACE(kernel == talvex::PowerKernel::kPortable ? "portable kernel" : "best kernel");
            ASSERT_EQ(talvex::RsaPrivateOpWith(kernel, m.size(), m.data(), &len, ours.data(), &key.record), 0);
            EXPECT_EQ(len, bytes);
            EXPECT_EQ(Hex(ours), Hex(expected));
        }
        ASSERT_EQ(talvex::RsaPublicOp(m.size(), m.data(), &len, ours.data(), &key.record), 0);
        EXPECT_EQ(Hex(ours), Hex(RawPower(key, m, key.e.get())));
    }
}

// Keys below the exports' block size still go through the private-key
// operation: primes of 8, 9 and 12 limbs take the general loops of both
// kernels' callers, and the best kernel falls back where it has no copy. A
// 1025-bit modulus has a limb fewer than its two primes together.
TEST(SmallerKeys, PrivateOperationEqualsThePlainPower)
{
    for (unsigned bits : {1024u, 1025u, 1536u}) {
        SCOPED_TRACE(::testing::Message() << bits << " bits");
        const TestKey key = GenerateKey(bits, 65537);
        const std::size_t bytes = (bits + 7) / 8;
        Bytes m = Message(bytes, 5);
        m[0] = bits % 8 == 0 ? m[0] & 0x7F : 0;
        const Bytes expected = RawPower(key, m, key.d.get());
        Bytes ours(bytes);
        std::uint32_t len = 0;
        for (talvex::PowerKernel kernel : {talvex::PowerKernel::kPortable, talvex::PowerKernel::kBest}) {
            ASSERT_EQ(talvex::RsaPrivateOpWith(kernel, m.size(), m.data(), &len, ours.data(), &key.record), 0);
            EXPECT_EQ(len, bytes);
            EXPECT_EQ(Hex(ours), Hex(expected));
        }
    }
}

std::string KindName(const ::testing::TestParamInfo<KeyKind>& info)
{
    return std::to_string(info.param.bits) + "_bits_e" + std::to_string(info.param.e);
}

INSTANTIATE_TEST_SUITE_P(Keys, RsaInterop, ::testing::ValuesIn(kKinds), KindName);

} // namespace
