// The private-key decryption takes the same path whatever it decrypts and
// whichever key of a size it uses. Instruction counts are deterministic, so
// this is no timing measurement: under callgrind, every decryption of a dozen
// (two 2048-bit keys, messages of several lengths, ciphertexts that are no
// valid block) must execute the same number of instructions, within 0.05 %.
// The blinding's fresh random draws are the only input that changes between
// runs, and they steer nothing either. That margin would still hide a search
// for the separator that stops where it finds it, so the instructions run in
// the library itself (not in the C library's copies of the message) must be
// exactly equal between decryptions that end in the same code.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The instructions executed in libtalvex itself in one callgrind dump: the
// cost lines of its functions, less those that give the inclusive cost of a
// call they make.
unsigned long long LibraryCount(const std::string& dump)
{
    std::ifstream in(dump);
    std::map<std::string, std::string> objects;  // "(8)" -> its path, as callgrind compresses them
    bool inLibrary = false;
    bool callCost = false;
    unsigned long long count = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("ob=", 0) == 0) {
            const std::string spec = line.substr(3);
            const std::size_t space = spec.find(' ');
            const std::string id = spec.substr(0, space);
            if (space != std::string::npos)
                objects[id] = spec.substr(space + 1);
            const std::string path = objects.count(id) != 0 ? objects[id] : id;
            inLibrary = path.find("libtalvex") != std::string::npos;
        } else if (line.rfind("calls=", 0) == 0) {
            callCost = true;
        } else if (!line.empty() && std::strchr("0123456789+-*", line[0]) != nullptr) {
            const std::size_t space = line.rfind(' ');
            if (inLibrary && !callCost && space != std::string::npos)
                count += std::stoull(line.substr(space + 1));
            callCost = false;
        }
    }
    return count;
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
    // The first call of a process also asks the processor which kernel it
    // can run; that call is made once more in front and left out of the
    // exact comparison.
    cases.insert(cases.begin(), cases.front());
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
    std::map<int, unsigned long long> inLibraryByCode;
    std::ostringstream table;
    for (const auto& [part, count] : counts) {
        low = std::min(low, count);
        high = std::max(high, count);
        const unsigned long long inLibrary = LibraryCount(stem + ".cg." + std::to_string(part));
        table << "  call " << part << ": " << count << " instructions, " << inLibrary << " in libtalvex\n";
        EXPECT_GT(inLibrary, count / 2) << "call " << part << ": the dump hardly names libtalvex";
        const int code = cases[static_cast<std::size_t>(part) - 1].expectedRc;
        if (part == 1)
            continue;
        const auto first = inLibraryByCode.emplace(code, inLibrary).first;
        EXPECT_EQ(inLibrary, first->second) << "call " << part << " ran another number of instructions in "
                                            << "libtalvex than the first call that returned " << code;
    }
    const double spread = static_cast<double>(high - low) / static_cast<double>(low);
    std::printf("%sspread %.5f %%\n", table.str().c_str(), 100 * spread);
    EXPECT_LE(spread, kMaxSpread) << table.str();
    // The files stay for a look only when something failed.
    if (!::testing::Test::HasFailure()) {
        for (const char* suffix : {".pairs", ".results", ".log", ".cg"})
            std::remove((stem + suffix).c_str());
        for (const auto& dump : counts)
            std::remove((stem + ".cg." + std::to_string(dump.first)).c_str());
    }
}

} // namespace
