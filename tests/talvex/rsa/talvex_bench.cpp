// talvex-bench: private-key decryption and public-key encryption times of
// Talvex and of OpenSSL for one 2048-bit key, measured side by side in one
// run. OpenSSL's contexts are made once and reused, as a server would, and the
// two libraries take turns round by round, so that a busy machine slows both
// alike; each figure is the median of the rounds' mean times.
#include <openssl/rsa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "rsa_keys.h"
#include "talvex_internal.h"

using namespace talvex_test;

namespace {

constexpr int kRounds = 41;
constexpr int kPrivateCallsPerRound = 20;
constexpr int kPublicCallsPerRound = 200;
constexpr std::uint32_t kBlock = TALVEX_BLOCK_BYTES;
constexpr std::size_t kMessageBytes = 32;

struct CtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_PKEY_CTX, CtxFree>;

void Require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "talvex-bench: %s failed\n", what);
        std::exit(1);
    }
}

Ctx OpensslContext(const TestKey& key, bool encrypt)
{
    Ctx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key.pkey.get(), nullptr));
    Require(ctx != nullptr, "EVP_PKEY_CTX_new_from_pkey");
    Require((encrypt ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get())) == 1, "init");
    Require(EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) == 1, "padding");
    return ctx;
}

using Op = std::function<bool()>;

// Microseconds per call of each operation: rounds in turns, the order
// swapped every round, the median of each operation's round means.
std::vector<double> Race(const std::vector<Op>& ops, int callsPerRound)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::vector<double>> means(ops.size());
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t k = 0; k < ops.size(); ++k) {
            const std::size_t i = round % 2 == 0 ? k : ops.size() - 1 - k;
            const auto start = Clock::now();
            for (int c = 0; c < callsPerRound; ++c)
                Require(ops[i](), "an operation");
            const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
            means[i].push_back(spent.count() / callsPerRound);
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& m : means) {
        std::nth_element(m.begin(), m.begin() + m.size() / 2, m.end());
        medians.push_back(m[m.size() / 2]);
    }
    return medians;
}

void Report(const char* what, double ours, double theirs)
{
    std::printf("%-44s Talvex %8.1f us  OpenSSL %8.1f us  ratio %.2f\n", what, ours, theirs, ours / theirs);
}

} // namespace

int main()
{
    const TestKey key = GenerateKey(2048, 65537);
    const Bytes msg = Message(kMessageBytes, 1);
    const Bytes cipher = OpensslEncrypt(key, msg);
    Ctx decryptCtx = OpensslContext(key, false);
    Ctx encryptCtx = OpensslContext(key, true);
    Bytes out(kBlock);
    Bytes block(kBlock);
    std::uint32_t outLen = 0;
    std::size_t len = 0;

    const Op talvexDecrypt = [&] {
        return API_iRSA_decrypt_privateKey(cipher.data(), kBlock, out.data(), kBlock, &outLen, &key.record) ==
               TALVEX_OK;
    };
    // The export's path with the exponentiation kept to the portable kernel.
    const Op talvexPortableDecrypt = [&] {
        return talvex::RsaPrivateOpWith(talvex::PowerKernel::kPortable, kBlock, cipher.data(), &outLen,
                                        block.data(), &key.record) == 0 &&
               talvex::EA_ucPKCS1_5RASEncodeGetData(block.data(), outLen, kBlock, out.data(), &len) ==
                   talvex::kBlockOk;
    };
    const Op opensslDecrypt = [&] {
        len = out.size();
        return EVP_PKEY_decrypt(decryptCtx.get(), out.data(), &len, cipher.data(), cipher.size()) == 1 &&
               len == kMessageBytes;
    };
    const Op talvexEncrypt = [&] {
        return API_iRSA_encrypt_publicKey(msg.data(), kMessageBytes, out.data(), kBlock, &outLen, &key.record) ==
               TALVEX_OK;
    };
    const Op opensslEncrypt = [&] {
        len = out.size();
        return EVP_PKEY_encrypt(encryptCtx.get(), out.data(), &len, msg.data(), msg.size()) == 1 && len == kBlock;
    };

    const std::vector<double> priv = Race({talvexDecrypt, talvexPortableDecrypt, opensslDecrypt},
                                          kPrivateCallsPerRound);
    const std::vector<double> pub = Race({talvexEncrypt, opensslEncrypt}, kPublicCallsPerRound);

    std::printf("2048-bit key, e = 65537, %zu-byte messages; median of %d interleaved rounds\n", kMessageBytes,
                kRounds);
    Report("private-key decryption", priv[0], priv[2]);
    Report("private-key decryption, portable kernel", priv[1], priv[2]);
    Report("public-key encryption", pub[0], pub[1]);
    return 0;
}
