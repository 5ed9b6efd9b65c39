// talvex-bench: private-key decryption and public-key encryption rates of
// Talvex and of OpenSSL for one 2048-bit key, measured in one run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "rsa_keys.h"

using namespace talvex_test;

namespace {

constexpr std::chrono::milliseconds kRunTime{1500};
constexpr std::uint32_t kBlock = TALVEX_BLOCK_BYTES;
constexpr std::size_t kMessageBytes = 32;

// Operations per second of `op`, run for kRunTime; aborts on a failed call.
double Rate(const std::function<bool()>& op)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    long count = 0;
    std::chrono::duration<double> elapsed{};
    do {
        if (!op()) {
            std::fprintf(stderr, "talvex-bench: an operation failed\n");
            std::exit(1);
        }
        ++count;
        elapsed = Clock::now() - start;
    } while (elapsed < kRunTime);
    return count / elapsed.count();
}

void Report(const char* what, double ours, double theirs)
{
    std::printf("%-28s Talvex %8.1f/s  OpenSSL %8.1f/s  Talvex time / OpenSSL time %.2f\n", what, ours, theirs,
                theirs / ours);
}

} // namespace

int main()
{
    const TestKey key = GenerateKey(2048, 65537);
    const Bytes msg = Message(kMessageBytes, 1);
    const Bytes cipher = OpensslEncrypt(key, msg);
    Bytes out(kBlock);
    std::uint32_t outLen = 0;

    const double ourPrivate = Rate([&] {
        return API_iRSA_decrypt_privateKey(cipher.data(), kBlock, out.data(), kBlock, &outLen, &key.record) ==
               TALVEX_OK;
    });
    const double theirPrivate = Rate([&] { return OpensslDecrypt(key, cipher).size() == kMessageBytes; });
    const double ourPublic = Rate([&] {
        return API_iRSA_encrypt_publicKey(msg.data(), kMessageBytes, out.data(), kBlock, &outLen, &key.record) ==
               TALVEX_OK;
    });
    const double theirPublic = Rate([&] { return OpensslEncrypt(key, msg).size() == kBlock; });

    std::printf("2048-bit key, e = 65537, %zu-byte messages\n", kMessageBytes);
    Report("private-key decryption", ourPrivate, theirPrivate);
    Report("public-key encryption", ourPublic, theirPublic);
    return 0;
}
