// Decrypts, with libtalvex.so's private-key export, each (key record,
// ciphertext) pair of the file named on the command line and prints one line
// per call: the return code and the length written. The constant-time test
// runs this under callgrind, which counts each call's instructions.
#include <cstdio>
#include <vector>

#include "driver_input.h"
#include "talvex.h"

int main(int argc, char** argv)
{
    std::FILE* f = OpenDriverInput(argc, argv, "PAIRS-FILE");
    if (f == nullptr)
        return 2;
    RsaKeyRecord key;
    std::vector<uint8_t> cipher(TALVEX_BLOCK_BYTES);
    std::vector<uint8_t> plain(TALVEX_BLOCK_BYTES);
    while (std::fread(&key, sizeof key, 1, f) == 1 && std::fread(cipher.data(), cipher.size(), 1, f) == 1) {
        uint32_t len = 0;
        const int rc = API_iRSA_decrypt_privateKey(cipher.data(), TALVEX_BLOCK_BYTES, plain.data(), TALVEX_BLOCK_BYTES,
                                                   &len, &key);
        std::printf("%d %u\n", rc, rc == TALVEX_OK ? len : 0u);
    }
    std::fclose(f);
    return 0;
}
