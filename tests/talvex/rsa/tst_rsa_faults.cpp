// A computation fault in one CRT half must not leave the library: with a bit
// of either half flipped, or with key parts that do not belong together, the
// private-key exports fail instead of handing out a wrong result (from which
// the factors of n would follow).
#include <gtest/gtest.h>

#include <cstring>

#include "rsa_keys.h"
#include "talvex_internal.h"

using namespace talvex_test;

namespace {

constexpr std::uint32_t kBlock = TALVEX_BLOCK_BYTES;

int gFaultyHalf = -1;
std::size_t gFaultyBit = 0;

void FlipOneBit(int half, talvex::Limb* value, std::size_t limbs)
{
    const std::size_t bit = gFaultyBit % (limbs * talvex::kLimbBits);
    if (half == gFaultyHalf)
        value[bit / talvex::kLimbBits] ^= talvex::Limb{1} << (bit % talvex::kLimbBits);
}

class Faults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { key = new TestKey(GenerateKey(2048, 65537)); }
    static void TearDownTestSuite() { delete key; }
    void SetUp() override { talvex::SetFaultHook(FlipOneBit); }
    void TearDown() override
    {
        talvex::SetFaultHook(nullptr);
        gFaultyHalf = -1;
    }
    static TestKey* key;
};
TestKey* Faults::key = nullptr;

struct Outcome {
    int rc;
    bool untouched;
};

Outcome CallExport(Export fn, const Bytes& in, const RsaKeyRecord& record)
{
    Bytes out(kBlock, kUntouchedByte);
    std::uint32_t outLen = kUntouchedLen;
    const int rc = fn(in.data(), static_cast<std::uint32_t>(in.size()), out.data(), kBlock, &outLen, &record);
    return {rc, outLen == kUntouchedLen && out == Bytes(kBlock, kUntouchedByte)};
}

TEST_F(Faults, AFlippedBitInEitherHalfFailsTheCall)
{
    const Bytes msg = Message(40, 3);
    const Bytes cipher = OpensslEncrypt(*key, msg);
    ASSERT_EQ(cipher.size(), kBlock);
    const struct {
        const char* name;
        int half;
        std::size_t bit;
    } rows[] = {
        {"mod p, bit 0", 0, 0},
        {"mod p, bit 700", 0, 700},
        {"mod q, bit 1", 1, 1},
        {"mod q, top bit of the top limb", 1, 16 * 64 - 1},
    };
    for (const auto& row : rows) {
        for (Export fn : {API_iRSA_decrypt_privateKey, API_iRSA_encrypt_privateKey}) {
            SCOPED_TRACE(::testing::Message() << row.name << (fn == API_iRSA_decrypt_privateKey ? ", decrypt" : ", encrypt"));
            gFaultyHalf = row.half;
            gFaultyBit = row.bit;
            const Outcome o = CallExport(fn, fn == API_iRSA_decrypt_privateKey ? cipher : msg, key->record);
            EXPECT_EQ(o.rc, TALVEX_KEY_FAILED);
            EXPECT_TRUE(o.untouched) << "out or outLen written";
        }
    }
    gFaultyHalf = -1;
    Bytes plain(kBlock);
    std::uint32_t len = 0;
    ASSERT_EQ(API_iRSA_decrypt_privateKey(cipher.data(), kBlock, plain.data(), kBlock, &len, &key->record), TALVEX_OK)
        << "no fault";
    plain.resize(len);
    EXPECT_EQ(Hex(plain), Hex(msg));
}

// A record whose private parts do not belong to its modulus gave a wrong
// result before; the check refuses it.
TEST_F(Faults, MismatchedKeyPartsFailTheCall)
{
    const TestKey other = GenerateKey(2048, 65537);
    const Bytes msg = Message(16, 4);
    const Bytes cipher = OpensslEncrypt(*key, msg);
    RsaKeyRecord wrongCoefficient = key->record;
    std::memcpy(wrongCoefficient.coefficient, other.record.coefficient, sizeof wrongCoefficient.coefficient);
    RsaKeyRecord wrongExponentP = key->record;
    std::memcpy(wrongExponentP.exponentP, other.record.exponentP, sizeof wrongExponentP.exponentP);
    RsaKeyRecord wrongModulus = other.record;
    std::memcpy(wrongModulus.modulus, key->record.modulus, sizeof wrongModulus.modulus);
    const struct {
        const char* name;
        const RsaKeyRecord& record;
    } rows[] = {{"qInv of another key", wrongCoefficient},
                {"dP of another key", wrongExponentP},
                {"modulus of another key", wrongModulus}};
    for (const auto& row : rows) {
        for (Export fn : {API_iRSA_decrypt_privateKey, API_iRSA_encrypt_privateKey}) {
            SCOPED_TRACE(::testing::Message() << row.name << (fn == API_iRSA_decrypt_privateKey ? ", decrypt" : ", encrypt"));
            const Outcome o = CallExport(fn, fn == API_iRSA_decrypt_privateKey ? cipher : msg, row.record);
            EXPECT_EQ(o.rc, TALVEX_KEY_FAILED);
            EXPECT_TRUE(o.untouched) << "out or outLen written";
        }
    }
}

} // namespace
