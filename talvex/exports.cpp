// The four exported functions: block coding around the key operations, the
// result codes and the trace texts.
#include "talvex_internal.h"

#include <cstring>

namespace talvex {

namespace {

constexpr std::size_t kEncryptResultBytes = 1024;
constexpr std::size_t kDecryptResultBytes = 512;
constexpr std::size_t kDecodedMessageBytes = 256;

constexpr char kTraceEncodeFailed[] = "Failed to EA_ucPKCS1_5RASEncode data!\n";
constexpr char kTraceEncryptFailed[] = "Failed to encrypt data!\n";
constexpr char kTraceDecryptFailed[] = "Failed to decrypt data!\n";
constexpr char kTraceDecodeFailed[] = "EA_ucPKCS1_5RASEncodeGetData failed\n";
constexpr char kTraceNoRoom[] = "outBuf space is not enough\n";

// Every failure's text passes through here. Release builds print nothing; a
// caller chasing a failure sets a breakpoint on it.
void TraceMessage(const char*) {}

using KeyOperation = std::uint8_t (*)(std::uint32_t, const std::uint8_t*, std::uint32_t*, std::uint8_t*,
                                      const RsaKeyRecord*);

int Fail(int code, const char* trace)
{
    TraceMessage(trace);
    return code;
}

int Encrypt(KeyOperation operation, const std::uint8_t* in, std::uint32_t inLen, std::uint8_t* out,
            std::uint32_t outCap, std::uint32_t* outLen, const RsaKeyRecord* key)
{
    std::uint8_t block[kBlockBytes] = {};
    std::uint8_t result[kEncryptResultBytes] = {};
    std::uint32_t resultLen = 0;
    int rc = TALVEX_OK;
    if (EA_ucPKCS1_5RASEncode(inLen, in, kBlockBytes, block) != kBlockOk)
        rc = Fail(TALVEX_BLOCK_FAILED, kTraceEncodeFailed);
    else if (operation(kBlockBytes, block, &resultLen, result, key) != kBlockOk)
        rc = Fail(TALVEX_KEY_FAILED, kTraceEncryptFailed);
    else if (out == nullptr || outLen == nullptr || outCap < resultLen)
        rc = Fail(TALVEX_NO_ROOM, kTraceNoRoom);
    else {
        std::memcpy(out, result, resultLen);
        *outLen = resultLen;
    }
    SecureWipe(block, sizeof block);
    SecureWipe(result, sizeof result);
    return rc;
}

int Decrypt(KeyOperation operation, const std::uint8_t* in, std::uint32_t inLen, std::uint8_t* out,
            std::uint32_t outCap, std::uint32_t* outLen, const RsaKeyRecord* key)
{
    std::uint8_t block[kDecryptResultBytes] = {};
    std::uint8_t message[kDecodedMessageBytes] = {};
    std::uint32_t blockLen = 0;
    std::size_t messageLen = 0;
    int rc = TALVEX_OK;
    if (operation(inLen, in, &blockLen, block, key) != kBlockOk)
        rc = Fail(TALVEX_KEY_FAILED, kTraceDecryptFailed);
    else if (EA_ucPKCS1_5RASEncodeGetData(block, blockLen, kBlockBytes, message, &messageLen) != kBlockOk)
        rc = Fail(TALVEX_BLOCK_FAILED, kTraceDecodeFailed);
    else if (out == nullptr || outLen == nullptr || outCap < messageLen)
        rc = Fail(TALVEX_NO_ROOM, kTraceNoRoom);
    else {
        std::memcpy(out, message, messageLen);
        *outLen = static_cast<std::uint32_t>(messageLen);
    }
    SecureWipe(block, sizeof block);
    SecureWipe(message, sizeof message);
    return rc;
}

} // namespace

} // namespace talvex

extern "C" {

int TALVEX_CALL API_iRSA_encrypt_privateKey(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outCap,
                                            uint32_t* outLen, const RsaKeyRecord* key)
{
    return talvex::Encrypt(talvex::RsaPrivateBlock, in, inLen, out, outCap, outLen, key);
}

int TALVEX_CALL API_iRSA_encrypt_publicKey(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outCap,
                                           uint32_t* outLen, const RsaKeyRecord* key)
{
    return talvex::Encrypt(talvex::RsaPublicBlock, in, inLen, out, outCap, outLen, key);
}

int TALVEX_CALL API_iRSA_decrypt_publicKey(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outCap,
                                           uint32_t* outLen, const RsaKeyRecord* key)
{
    return talvex::Decrypt(talvex::RsaPublicBlock, in, inLen, out, outCap, outLen, key);
}

int TALVEX_CALL API_iRSA_decrypt_privateKey(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outCap,
                                            uint32_t* outLen, const RsaKeyRecord* key)
{
    return talvex::Decrypt(talvex::RsaPrivateBlock, in, inLen, out, outCap, outLen, key);
}

} // extern "C"
