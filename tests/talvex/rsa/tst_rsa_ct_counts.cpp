// The private-key decryption takes the same path whatever it decrypts and
// whichever key of a size it uses. Instruction counts are deterministic, so
// this is no timing measurement: under callgrind, every decryption of a dozen
// (two 2048-bit keys, messages of several lengths, ciphertexts that are no
// valid block) must execute the same number of instructions, within 0.05 %.
// The blinding's fresh random draws are the only input that changes between
// runs, and they steer nothing either.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "rsa_keys.h"

using namespace talvex_test;

namespace {

constexpr double kMaxSpread = 0.0005;
constexpr std::size_t kBlock = TALVEX_BLOCK_BYTES;

struct Case {
    const TestKey* key;
    Bytes cipher;
    int expectedRc;
    std::size_t expectedLen;
};

// A value below n that OpenSSL's raw private operation turns into no valid
// type-2 block: the export decrypts it all the same and only then refuses.
Bytes NotABlock(const TestKey& key, std::uint8_t seed)
{
    Bytes v = Message(kBlock, seed);
    v[0] = 0x01;
    return RawPower(key, v, key.e.get());
}

// Instruction counts of the dumps callgrind wrote after each call, in order.
std::map<int, unsigned long long> ReadCounts(const std::string& prefix)
{
    std::map<int, unsigned long long> counts;
    for (int part = 1;; ++part) {
        std::ifstream in(prefix + "." + std::to_string(part));
        if (!in)
            break;
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) {
                counts[part] = std::stoull(line.substr(line.find(':') + 1));
                break;
            }
        }
    }
    return counts;
}

TEST(ConstantTime, DecryptionsExecuteTheSameInstructionCount)
{
    if (std::system("valgrind --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "valgrind is not installed (apt-get install valgrind)";
    const TestKey a = GenerateKey(2048, 65537);
    const TestKey b = GenerateKey(2048, 65537);
    std::vector<Case> cases;
    for (const TestKey* key : {&a, &b}) {
        for (std::size_t len : {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{TALVEX_MAX_MESSAGE_BYTES}})
            cases.push_back({key, OpensslEncrypt(*key, Message(len, static_cast<std::uint8_t>(len))), TALVEX_OK, len});
        for (std::uint8_t seed : {7, 8})
            cases.push_back({key, NotABlock(*key, seed), TALVEX_BLOCK_FAILED, 0});
    }
    const std::string dir = ::testing::TempDir();
    const std::string stem = dir + "talvex_ct_" + std::to_string(getpid());
    {
        std::ofstream out(stem + ".pairs", std::ios::binary);
        for (const Case& c : cases) {
            ASSERT_EQ(c.cipher.size(), kBlock);
            out.write(reinterpret_cast<const char*>(&c.key->record), sizeof c.key->record);
            out.write(reinterpret_cast<const char*>(c.cipher.data()), static_cast<std::streamsize>(c.cipher.size()));
        }
    }
    // Symbols bound at load time, so that the first call does not count the
    // dynamic linker's lazy binding.
    const std::string command = "LD_BIND_NOW=1 valgrind --tool=callgrind --callgrind-out-file=" + stem + ".cg" +
                                " --toggle-collect=API_iRSA_decrypt_privateKey" +
                                " --dump-after=API_iRSA_decrypt_privateKey " TALVEX_CT_DRIVER " " + stem + ".pairs > " +
                                stem + ".results 2> " + stem + ".log";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << "\nsee " << stem << ".log";

    std::ifstream results(stem + ".results");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        int rc = 0;
        std::size_t len = 0;
        ASSERT_TRUE(results >> rc >> len) << "no result for call " << i;
        EXPECT_EQ(rc, cases[i].expectedRc) << "call " << i;
        EXPECT_EQ(len, cases[i].expectedLen) << "call " << i;
    }
    const std::map<int, unsigned long long> counts = ReadCounts(stem + ".cg");
    ASSERT_EQ(counts.size(), cases.size()) << "callgrind dumps under " << stem << ".cg.*";
    unsigned long long low = counts.begin()->second, high = low;
    std::ostringstream table;
    for (const auto& [part, count] : counts) {
        low = std::min(low, count);
        high = std::max(high, count);
        table << "  call " << part << ": " << count << " instructions\n";
    }
    const double spread = static_cast<double>(high - low) / static_cast<double>(low);
    std::printf("%sspread %.5f %%\n", table.str().c_str(), 100 * spread);
    EXPECT_LE(spread, kMaxSpread) << table.str();
}

} // namespace
