// The exports keep all their working storage per call: four threads encrypt
// and decrypt at once, and every result must be right.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "rsa_keys.h"

using namespace talvex_test;

namespace {

constexpr int kThreads = 4;
constexpr int kRoundsPerThread = 12;
constexpr std::uint32_t kBlock = TALVEX_BLOCK_BYTES;

TEST(Threads, FourThreadsRoundTripAtOnce)
{
    const TestKey key = GenerateKey(2048, 65537);
    std::atomic<int> ready{0};
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready < kThreads) {
            }
            for (int i = 0; i < kRoundsPerThread && failures[t].empty(); ++i) {
                const Bytes msg = Message(1 + (t * kRoundsPerThread + i) % TALVEX_MAX_MESSAGE_BYTES,
                                          static_cast<std::uint8_t>(t * 64 + i));
                // Alternate the directions so that the CRT and the public
                // exponentiation overlap in time.
                const bool privateFirst = (i + t) % 2 == 0;
                Bytes cipher(kBlock), plain(kBlock);
                std::uint32_t len = 0;
                int rc = (privateFirst ? API_iRSA_encrypt_privateKey : API_iRSA_encrypt_publicKey)(
                    msg.data(), static_cast<std::uint32_t>(msg.size()), cipher.data(), kBlock, &len, &key.record);
                if (rc == TALVEX_OK)
                    rc = (privateFirst ? API_iRSA_decrypt_publicKey : API_iRSA_decrypt_privateKey)(
                        cipher.data(), len, plain.data(), kBlock, &len, &key.record);
                plain.resize(rc == TALVEX_OK ? len : 0);
                if (rc != TALVEX_OK || plain != msg)
                    failures[t] = "round " + std::to_string(i) + ": rc " + std::to_string(rc) + ", got " + Hex(plain) +
                                  ", expected " + Hex(msg);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], "") << "thread " << t;
}

} // namespace
