// Runs the three private-key calls of the memcheck test with the key's
// secret fields marked undefined: decrypting a valid ciphertext, decrypting
// one that holds no valid block, and encrypting with the private key. The
// file named on the command line holds the key record and the two
// ciphertexts. One line per call: the return code and the length written.
// What the caller gets back is its own to use, so the outputs are marked
// defined before they are printed.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <vector>

#include "driver_input.h"
#include "talvex.h"

int main(int argc, char** argv)
{
    std::FILE* f = OpenDriverInput(argc, argv, "KEY-AND-CIPHERTEXTS");
    if (f == nullptr)
        return 2;
    RsaKeyRecord key;
    std::vector<uint8_t> valid(TALVEX_BLOCK_BYTES), invalid(TALVEX_BLOCK_BYTES);
    const bool read = std::fread(&key, sizeof key, 1, f) == 1 && std::fread(valid.data(), valid.size(), 1, f) == 1 &&
                      std::fread(invalid.data(), invalid.size(), 1, f) == 1;
    std::fclose(f);
    if (!read) {
        std::fprintf(stderr, "%s: short file\n", argv[1]);
        return 2;
    }
    VALGRIND_MAKE_MEM_UNDEFINED(key.privateExponent, sizeof key.privateExponent);
    VALGRIND_MAKE_MEM_UNDEFINED(key.primeP, sizeof key.primeP);
    VALGRIND_MAKE_MEM_UNDEFINED(key.primeQ, sizeof key.primeQ);
    VALGRIND_MAKE_MEM_UNDEFINED(key.exponentP, sizeof key.exponentP);
    VALGRIND_MAKE_MEM_UNDEFINED(key.exponentQ, sizeof key.exponentQ);
    VALGRIND_MAKE_MEM_UNDEFINED(key.coefficient, sizeof key.coefficient);

    const uint8_t message[] = {'c', 'o', 'n', 's', 't', 'a', 'n', 't'};
    std::vector<uint8_t> out(TALVEX_BLOCK_BYTES);
    const struct {
        decltype(&API_iRSA_decrypt_privateKey) fn;
        const uint8_t* in;
        uint32_t inLen;
    } calls[] = {
        {API_iRSA_decrypt_privateKey, valid.data(), TALVEX_BLOCK_BYTES},
        {API_iRSA_decrypt_privateKey, invalid.data(), TALVEX_BLOCK_BYTES},
        {API_iRSA_encrypt_privateKey, message, sizeof message},
    };
    for (const auto& call : calls) {
        uint32_t len = 0;
        int rc = call.fn(call.in, call.inLen, out.data(), TALVEX_BLOCK_BYTES, &len, &key);
        VALGRIND_MAKE_MEM_DEFINED(&rc, sizeof rc);
        VALGRIND_MAKE_MEM_DEFINED(&len, sizeof len);
        std::printf("%d %u\n", rc, rc == TALVEX_OK ? len : 0u);
    }
    return 0;
}
