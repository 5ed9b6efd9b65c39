// A wipe of secrets that survives optimisation.
#include <cstring>

#include "talvex_internal.h"

namespace talvex {

void SecureWipe(void* p, std::size_t len)
{
    std::memset(p, 0, len);
    // The empty statement claims to read the memory, so the stores above are
    // not dead to the compiler, even when this call is inlined.
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

} // namespace talvex
