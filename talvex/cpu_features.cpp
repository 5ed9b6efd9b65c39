// What the processor offers the exponentiation kernels, read from CPUID and
// from the register state the operating system saves, and the kernel that
// runs. Compiled for the baseline instruction set: it runs before anything
// wider is chosen.
#include "talvex_internal.h"

#include <cstdlib>
#include <cstring>

namespace talvex {

namespace {

constexpr char kKernelVariable[] = "TALVEX_KERNEL";
constexpr char kPortableName[] = "portable";
constexpr char kIfmaName[] = "ifma";

// 0 not asked yet, else the KernelChoice plus one. Threads that ask at once
// all store the same value.
int gKernelAnswer = 0;

} // namespace

KernelChoice ChooseKernel(const char* name, bool ifmaUsable)
{
    if (name == nullptr || *name == '\0')
        return ifmaUsable ? KernelChoice::kIfma : KernelChoice::kPortable;
    if (std::strcmp(name, kPortableName) == 0)
        return KernelChoice::kPortable;
    if (std::strcmp(name, kIfmaName) == 0 && ifmaUsable)
        return KernelChoice::kIfma;
    return KernelChoice::kRefused;
}

KernelChoice BestKernel()
{
    int answer = __atomic_load_n(&gKernelAnswer, __ATOMIC_RELAXED);
    if (answer == 0) {
#if defined(TALVEX_HAVE_IFMA)
        const bool ifma = IfmaUsable();
#else
        const bool ifma = false;
#endif
        answer = static_cast<int>(ChooseKernel(std::getenv(kKernelVariable), ifma)) + 1;
        __atomic_store_n(&gKernelAnswer, answer, __ATOMIC_RELAXED);
    }
    return static_cast<KernelChoice>(answer - 1);
}

} // namespace talvex

#if defined(TALVEX_HAVE_IFMA)

#include <cpuid.h>

namespace talvex {

namespace {

constexpr unsigned kLeafFeatures = 1;
constexpr unsigned kLeafExtendedFeatures = 7;
constexpr unsigned kOsxsaveBit = 1u << 27;        // leaf 1, ECX
constexpr unsigned kBmi2Bit = 1u << 8;            // leaf 7, EBX
constexpr unsigned kAvx512FBit = 1u << 16;        // leaf 7, EBX
constexpr unsigned kAvx512IfmaBit = 1u << 21;     // leaf 7, EBX
constexpr unsigned kAvx512VlBit = 1u << 31;       // leaf 7, EBX
// XCR0: SSE, AVX, and the three AVX-512 state components (opmask, upper
// halves of ZMM0-15, ZMM16-31), all saved by the operating system.
constexpr std::uint64_t kAvx512StateMask = 0xE6;

// CPUID is slow where a hypervisor answers it (about 7 us here, for each
// call), so the answer is kept: 0 not asked yet, else kNo or kYes. Threads
// that ask at once all store the same value.
constexpr int kNo = 1;
constexpr int kYes = 2;
int gIfmaAnswer = 0;

std::uint64_t EnabledRegisterState()
{
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    __asm__ __volatile__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

bool AskProcessor()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(kLeafFeatures, &a, &b, &c, &d) || (c & kOsxsaveBit) == 0)
        return false;
    if ((EnabledRegisterState() & kAvx512StateMask) != kAvx512StateMask)
        return false;
    if (!__get_cpuid_count(kLeafExtendedFeatures, 0, &a, &b, &c, &d))
        return false;
    // The kernel's scalar steps use BMI2's flagless multiply; every
    // processor with IFMA has it, but it is asked all the same.
    constexpr unsigned kWanted = kBmi2Bit | kAvx512FBit | kAvx512IfmaBit | kAvx512VlBit;
    return (b & kWanted) == kWanted;
}

} // namespace

bool IfmaUsable()
{
    int answer = __atomic_load_n(&gIfmaAnswer, __ATOMIC_RELAXED);
    if (answer == 0) {
        answer = AskProcessor() ? kYes : kNo;
        __atomic_store_n(&gIfmaAnswer, answer, __ATOMIC_RELAXED);
    }
    return answer == kYes;
}

} // namespace talvex

#endif
