// A caller of an installed Talvex, built the way its users build: through
// pkg-config or find_package on Linux, or against an import library of the
// Windows kit. It seals a message with the public key and opens it with the
// private key, and opens a block that OpenSSL sealed; prints what differed
// and exits non-zero on any failure.
#include <cstdio>
#include <cstring>

#include "fixed_test_key.h"
#include "talvex.h"

int main()
{
    const RsaKeyRecord key = fixed_key::KeyRecord();
    const char message[] = "card 0042 for the installed library";
    const uint32_t length = sizeof message - 1;
    uint8_t cipher[TALVEX_BLOCK_BYTES], plain[TALVEX_BLOCK_BYTES];
    uint32_t cipherLength = 0, plainLength = 0;

    int rc = API_iRSA_encrypt_publicKey(reinterpret_cast<const uint8_t*>(message), length, cipher,
                                        sizeof cipher, &cipherLength, &key);
    if (rc != TALVEX_OK || cipherLength != TALVEX_BLOCK_BYTES) {
        std::printf("FAIL: encryption returned %d with %u bytes\n", rc, cipherLength);
        return 1;
    }
    rc = API_iRSA_decrypt_privateKey(cipher, cipherLength, plain, sizeof plain, &plainLength, &key);
    if (rc != TALVEX_OK || plainLength != length || std::memcmp(plain, message, length) != 0) {
        std::printf("FAIL: decryption returned %d with \"%.*s\"\n", rc, static_cast<int>(plainLength),
                    reinterpret_cast<const char*>(plain));
        return 1;
    }

    fixed_key::FromHex(fixed_key::kKnownCipherHex, cipher, sizeof cipher);
    const uint32_t knownLength = static_cast<uint32_t>(std::strlen(fixed_key::kKnownMessage));
    rc = API_iRSA_decrypt_privateKey(cipher, sizeof cipher, plain, sizeof plain, &plainLength, &key);
    if (rc != TALVEX_OK || plainLength != knownLength || std::memcmp(plain, fixed_key::kKnownMessage, knownLength) != 0) {
        std::printf("FAIL: the block OpenSSL sealed opened with %d\n", rc);
        return 1;
    }
    std::printf("round trip through the installed Talvex: \"%s\"\n", message);
    return 0;
}
