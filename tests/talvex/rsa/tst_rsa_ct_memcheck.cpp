// No secret steers a branch or an address: under valgrind's memcheck, with
// the key's secret fields and the blinding's draws marked undefined, a
// decryption, a decryption that finds no valid block and a private-key
// encryption report a use of them only at the decisions that the exports
// must make in the end, each named below. Anything else memcheck reports,
// in the library or around it, fails the test. Memcheck cannot run the
// AVX-512 kernel; the portable one runs here (the timing tool, talvex-dudect,
// looks at the other).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rsa_keys.h"

using namespace talvex_test;

namespace {

// A decision that the exports make from secret data and hand to the caller.
// `inCopy`: reported inside the C library's copy that the decision sizes.
struct Decision {
    const char* name;
    const char* function;  // the innermost frame in Talvex, without its namespace
    bool inCopy;
    bool required;         // must be reported: the marks reached it
};

const Decision kDecisions[] = {
    {"the fault check's verdict", "RsaPrivateOpWith", false, true},
    {"the block's validity", "EA_ucPKCS1_5RASEncodeGetData", false, true},
    {"the message length: copying the message out of the block", "EA_ucPKCS1_5RASEncodeGetData", true, true},
    {"the message length: the caller's room", "Decrypt", false, true},
    {"the message length: copying the message to the caller", "Decrypt", true, true},
};

struct Frame {
    std::string fn, path, line;

    // The function's name without namespaces and parameters (inlined
    // frames come without them anyway).
    std::string Name() const
    {
        std::string name = fn;
        const std::string anonymous = "(anonymous namespace)::";
        for (std::size_t at; (at = name.find(anonymous)) != std::string::npos;)
            name.erase(at, anonymous.size());
        name = name.substr(0, name.find('('));
        const std::size_t colons = name.rfind("::");
        return colons == std::string::npos ? name : name.substr(colons + 2);
    }
};

struct Report {
    std::string kind;
    std::vector<Frame> stack;
};

std::string Between(const std::string& text, const std::string& open, const std::string& close, std::size_t from = 0)
{
    const std::size_t start = text.find(open, from);
    if (start == std::string::npos)
        return {};
    const std::size_t end = text.find(close, start + open.size());
    return end == std::string::npos ? std::string{} : text.substr(start + open.size(), end - start - open.size());
}

// The <error> elements of memcheck's XML output.
std::vector<Report> ReadReports(const std::string& xmlFile)
{
    std::ifstream in(xmlFile);
    std::stringstream all;
    all << in.rdbuf();
    const std::string xml = all.str();
    std::vector<Report> reports;
    for (std::size_t at = xml.find("<error>"); at != std::string::npos; at = xml.find("<error>", at + 1)) {
        const std::string error = Between(xml, "<error>", "</error>", at);
        Report r{Between(error, "<kind>", "</kind>"), {}};
        const std::string stack = Between(error, "<stack>", "</stack>");
        for (std::size_t f = stack.find("<frame>"); f != std::string::npos; f = stack.find("<frame>", f + 1)) {
            const std::string frame = Between(stack, "<frame>", "</frame>", f);
            const std::string file = Between(frame, "<file>", "</file>");
            const std::string path = file.empty() || file[0] == '/' ? file : Between(frame, "<dir>", "</dir>") + "/" + file;
            r.stack.push_back({Between(frame, "<fn>", "</fn>"), path, Between(frame, "<line>", "</line>")});
        }
        reports.push_back(r);
    }
    return reports;
}

bool InTalvex(const Frame& f)
{
    return f.path.rfind(TALVEX_SOURCE_DIR "/", 0) == 0;
}

std::string Describe(const Report& r)
{
    std::string s = r.kind;
    for (const Frame& f : r.stack)
        s += "\n    " + f.fn + " (" + f.path + ":" + f.line + ")";
    return s;
}

TEST(ConstantTime, SecretsReachOnlyTheFinalDecisions)
{
#if !defined(TALVEX_MEMCHECK_DRIVER)
    GTEST_SKIP() << "built without valgrind's headers (apt-get install valgrind)";
#else
    if (std::system("valgrind --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "valgrind is not installed (apt-get install valgrind)";
    const TestKey key = GenerateKey(2048, 65537);
    const Bytes valid = OpensslEncrypt(key, Message(32, 3));
    const Bytes invalid = NotABlock(key, 9);
    const std::string stem = ::testing::TempDir() + "talvex_memcheck_" + std::to_string(getpid());
    {
        std::ofstream out(stem + ".in", std::ios::binary);
        out.write(reinterpret_cast<const char*>(&key.record), sizeof key.record);
        out.write(reinterpret_cast<const char*>(valid.data()), static_cast<std::streamsize>(valid.size()));
        out.write(reinterpret_cast<const char*>(invalid.data()), static_cast<std::streamsize>(invalid.size()));
    }
    const std::string command = "TALVEX_KERNEL=portable valgrind --tool=memcheck --xml=yes --xml-file=" + stem +
                                ".xml " TALVEX_MEMCHECK_DRIVER " " + stem + ".in > " + stem + ".results 2> " + stem +
                                ".log";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << "\nsee " << stem << ".log";

    std::ifstream results(stem + ".results");
    const struct {
        int rc;
        unsigned len;
    } expected[] = {{TALVEX_OK, 32}, {TALVEX_BLOCK_FAILED, 0}, {TALVEX_OK, TALVEX_BLOCK_BYTES}};
    for (const auto& e : expected) {
        int rc = 0;
        unsigned len = 0;
        ASSERT_TRUE(results >> rc >> len) << "the driver stopped early; see " << stem << ".log";
        EXPECT_EQ(rc, e.rc);
        EXPECT_EQ(len, e.len);
    }

    // Each decision is one place in the code: a second line in the same
    // function is another use of a secret, and fails.
    std::map<std::string, std::set<std::string>> seen;
    for (const Report& r : ReadReports(stem + ".xml")) {
        std::size_t inner = 0;
        while (inner < r.stack.size() && !InTalvex(r.stack[inner]))
            ++inner;
        const Decision* match = nullptr;
        if (inner < r.stack.size()) {
            for (const Decision& d : kDecisions) {
                if (r.stack[inner].Name() == d.function && d.inCopy == (inner > 0))
                    match = &d;
            }
        }
        if (match == nullptr) {
            ADD_FAILURE() << "a use of secret data:\n  " << Describe(r);
            continue;
        }
        seen[match->name].insert(r.stack[inner].path + ":" + r.stack[inner].line);
    }
    for (const Decision& d : kDecisions) {
        const auto it = seen.find(d.name);
        const std::size_t places = it == seen.end() ? 0 : it->second.size();
        std::printf("%s: %zu place(s)\n", d.name, places);
        if (d.required) {
            EXPECT_GE(places, 1u) << d.name << " was not reported: the marks did not reach it";
        }
        if (!d.inCopy) {
            EXPECT_LE(places, 1u) << d.name << " at more than one place";
        }
    }
    if (!::testing::Test::HasFailure()) {
        for (const char* suffix : {".in", ".xml", ".results", ".log"})
            std::remove((stem + suffix).c_str());
    }
#endif
}

} // namespace
