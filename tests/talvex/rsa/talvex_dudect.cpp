// talvex-dudect: does the private-key decryption take longer for some
// ciphertexts than for others? Two classes of input are timed, interleaved
// at random: one fixed ciphertext, and fresh random ones below n. Welch's t
// compares the two classes' times, on all measurements and on those below
// each of a range of percentiles (cropping the long tail that interrupts and
// a busy machine add); |t| above 4.5 says the timing tells the classes apart.
// It runs whichever kernel TALVEX_KERNEL chooses (by default the fastest
// this processor has): valgrind's check of values cannot run the AVX-512
// kernel, this can. A program to run by hand, not a test: its figures depend
// on the machine and how busy it is.
//   talvex-dudect [MEASUREMENTS]   (default 20000 per comparison)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "rsa_keys.h"
#include "talvex_internal.h"

using namespace talvex_test;

namespace {

constexpr std::size_t kBlock = TALVEX_BLOCK_BYTES;
constexpr int kDefaultMeasurements = 20000;
constexpr int kCrops = 100;
constexpr double kLeakThreshold = 4.5;
// Calls made before timing starts: caches, branch predictors and the
// processor's clock settle.
constexpr int kWarmUpCalls = 200;

// Welch's t-test on two classes, kept as running sums.
struct Welch {
    double n[2] = {0, 0}, mean[2] = {0, 0}, m2[2] = {0, 0};

    void Add(int cls, double x)
    {
        n[cls] += 1;
        const double delta = x - mean[cls];
        mean[cls] += delta / n[cls];
        m2[cls] += delta * (x - mean[cls]);
    }

    double T() const
    {
        if (n[0] < 2 || n[1] < 2)
            return 0;
        const double v0 = m2[0] / (n[0] - 1), v1 = m2[1] / (n[1] - 1);
        return (mean[0] - mean[1]) / std::sqrt(v0 / n[0] + v1 / n[1]);
    }
};

struct Comparison {
    const char* name;
    Bytes fixed;
};

// One comparison: the largest |t| over the crops, and the uncropped t.
void Run(const TestKey& key, const Comparison& c, int measurements, std::mt19937_64& rng)
{
    // Every input is made before the clock runs.
    std::vector<int> classes(measurements);
    std::vector<Bytes> inputs(measurements);
    const Bytes modulus(key.record.modulus, key.record.modulus + kBlock);
    for (int i = 0; i < measurements; ++i) {
        classes[i] = static_cast<int>(rng() & 1);
        if (classes[i] == 0) {
            inputs[i] = c.fixed;
            continue;
        }
        Bytes r(kBlock);
        do {
            for (std::uint8_t& b : r)
                b = static_cast<std::uint8_t>(rng());
        } while (!(r < modulus));
        inputs[i] = r;
    }
    Bytes out(kBlock);
    std::uint32_t outLen = 0;
    for (int i = 0; i < kWarmUpCalls; ++i)
        API_iRSA_decrypt_privateKey(inputs[i % measurements].data(), kBlock, out.data(), kBlock, &outLen, &key.record);
    // Each input is copied to the same place before its call: otherwise the
    // fixed one comes from the cache and the random ones from memory, and
    // the test measures that.
    Bytes current(kBlock);
    std::vector<double> times(measurements);
    for (int i = 0; i < measurements; ++i) {
        std::copy(inputs[i].begin(), inputs[i].end(), current.begin());
        const auto start = std::chrono::steady_clock::now();
        const int rc = API_iRSA_decrypt_privateKey(current.data(), kBlock, out.data(), kBlock, &outLen, &key.record);
        const auto end = std::chrono::steady_clock::now();
        times[i] = std::chrono::duration<double, std::nano>(end - start).count();
        if (rc == TALVEX_KEY_FAILED) {
            std::fprintf(stderr, "talvex-dudect: the private-key operation failed (TALVEX_KERNEL?)\n");
            std::exit(1);
        }
    }
    // The crops' limits: percentiles 1 - 0.5^(10 (k + 1) / kCrops), dense
    // near the median and thinning out into the tail.
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    Welch all;
    std::vector<Welch> cropped(kCrops);
    std::vector<double> limits(kCrops);
    for (int k = 0; k < kCrops; ++k) {
        const double p = 1 - std::pow(0.5, 10.0 * (k + 1) / kCrops);
        limits[k] = sorted[static_cast<std::size_t>(p * (measurements - 1))];
    }
    for (int i = 0; i < measurements; ++i) {
        all.Add(classes[i], times[i]);
        for (int k = 0; k < kCrops; ++k) {
            if (times[i] < limits[k])
                cropped[k].Add(classes[i], times[i]);
        }
    }
    double worst = std::fabs(all.T());
    int worstCrop = -1;
    for (int k = 0; k < kCrops; ++k) {
        if (std::fabs(cropped[k].T()) > worst) {
            worst = std::fabs(cropped[k].T());
            worstCrop = k;
        }
    }
    std::printf("%-40s %6d calls  median %7.1f us  t uncropped %+6.2f  max |t| %5.2f (%s)  %s\n", c.name,
                measurements, sorted[measurements / 2] / 1000, all.T(), worst,
                worstCrop < 0 ? "uncropped" : ("crop " + std::to_string(worstCrop)).c_str(),
                worst > kLeakThreshold ? "DIFFERS" : "no difference found");
}

} // namespace

int main(int argc, char** argv)
{
    const int measurements = argc > 1 ? std::atoi(argv[1]) : kDefaultMeasurements;
    if (measurements < 100) {
        std::fprintf(stderr, "usage: %s [MEASUREMENTS >= 100]\n", argv[0]);
        return 2;
    }
    const talvex::KernelChoice kernel = talvex::BestKernel();
    if (kernel == talvex::KernelChoice::kRefused) {
        std::fprintf(stderr, "talvex-dudect: TALVEX_KERNEL names a kernel that this processor cannot run\n");
        return 1;
    }
    std::printf("kernel: %s\n", kernel == talvex::KernelChoice::kIfma ? "AVX-512 IFMA" : "portable");
    std::random_device seed;
    std::mt19937_64 rng((static_cast<std::uint64_t>(seed()) << 32) | seed());
    const TestKey key = GenerateKey(2048, 65537);
    Bytes one(kBlock);
    one[kBlock - 1] = 1;
    Bytes two(kBlock);
    two[kBlock - 1] = 2;
    const Comparison comparisons[] = {
        {"ciphertext 1 vs random", one},
        {"ciphertext 2 vs random", two},
        {"a valid ciphertext vs random", OpensslEncrypt(key, Message(32, 1))},
        {"a ciphertext of no block vs random", NotABlock(key, 2)},
    };
    for (const Comparison& c : comparisons)
        Run(key, c, measurements, rng);
    return 0;
}
