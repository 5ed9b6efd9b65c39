// Loads Talvex.dll the way a Windows caller does, by name and by ordinal,
// and round-trips messages with a fixed key. Prints what differed and exits
// non-zero on any failure.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "fixed_test_key.h"
#include "talvex.h"

namespace {

using Export = int(__stdcall*)(const uint8_t*, uint32_t, uint8_t*, uint32_t, uint32_t*, const RsaKeyRecord*);

constexpr int kExports = 4;
const char* const kNames[kExports] = {"API_iRSA_encrypt_privateKey", "API_iRSA_encrypt_publicKey",
                                      "API_iRSA_decrypt_publicKey", "API_iRSA_decrypt_privateKey"};
enum { kEncryptPrivate, kEncryptPublic, kDecryptPublic, kDecryptPrivate };
constexpr uint32_t kBlock = TALVEX_BLOCK_BYTES;
const uint32_t kLengths[] = {0, 1, 100, TALVEX_MAX_MESSAGE_BYTES};

int failures = 0;

void Fail(const char* what, int got, int expected)
{
    std::printf("FAIL: %s: got %d, expected %d\n", what, got, expected);
    ++failures;
}

void RoundTrip(Export encrypt, Export decrypt, const RsaKeyRecord& key, const char* direction)
{
    for (uint32_t len : kLengths) {
        uint8_t msg[kBlock], cipher[kBlock], plain[kBlock];
        for (uint32_t i = 0; i < len; ++i)
            msg[i] = static_cast<uint8_t>(i * 7 + len);
        uint32_t cipherLen = 0, plainLen = 0;
        int rc = encrypt(msg, len, cipher, kBlock, &cipherLen, &key);
        if (rc != TALVEX_OK || cipherLen != kBlock) {
            Fail(direction, rc, TALVEX_OK);
            continue;
        }
        rc = decrypt(cipher, cipherLen, plain, kBlock, &plainLen, &key);
        if (rc != TALVEX_OK)
            Fail(direction, rc, TALVEX_OK);
        else if (plainLen != len || std::memcmp(plain, msg, len) != 0)
            Fail(direction, static_cast<int>(plainLen), static_cast<int>(len));
    }
}

} // namespace

int main()
{
    HMODULE dll = LoadLibraryA("Talvex.dll");
    if (dll == nullptr) {
        std::printf("FAIL: LoadLibrary(Talvex.dll): error %lu\n", GetLastError());
        return 1;
    }
    Export byName[kExports];
    for (int i = 0; i < kExports; ++i) {
        byName[i] = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(dll, kNames[i])));
        const FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(i + 1));
        if (byName[i] == nullptr || reinterpret_cast<void*>(byOrdinal) != reinterpret_cast<void*>(byName[i])) {
            std::printf("FAIL: %s is not export ordinal %d\n", kNames[i], i + 1);
            return 1;
        }
    }

    const RsaKeyRecord key = fixed_key::KeyRecord();
    RoundTrip(byName[kEncryptPublic], byName[kDecryptPrivate], key, "public encrypt, private decrypt");
    RoundTrip(byName[kEncryptPrivate], byName[kDecryptPublic], key, "private encrypt, public decrypt");

    uint8_t cipher[kBlock], plain[kBlock], msg[kBlock] = {};
    uint32_t len = 0;
    fixed_key::FromHex(fixed_key::kKnownCipherHex, cipher, sizeof cipher);
    int rc = byName[kDecryptPrivate](cipher, kBlock, plain, kBlock, &len, &key);
    if (rc != TALVEX_OK || len != std::strlen(fixed_key::kKnownMessage) ||
        std::memcmp(plain, fixed_key::kKnownMessage, len) != 0)
        Fail("known ciphertext", rc, TALVEX_OK);
    rc = byName[kEncryptPublic](msg, TALVEX_MAX_MESSAGE_BYTES + 1, cipher, kBlock, &len, &key);
    if (rc != TALVEX_BLOCK_FAILED)
        Fail("246-byte message", rc, TALVEX_BLOCK_FAILED);
    rc = byName[kEncryptPublic](msg, 1, cipher, kBlock - 1, &len, &key);
    if (rc != TALVEX_NO_ROOM)
        Fail("outCap 255", rc, TALVEX_NO_ROOM);

    FreeLibrary(dll);
    if (failures == 0)
        std::printf("Talvex.dll: all round trips passed\n");
    return failures == 0 ? 0 : 1;
}
