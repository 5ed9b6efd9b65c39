// Padding bytes from the operating system's cryptographic random generator.
#include "talvex_internal.h"

#if defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <cerrno>
#include <sys/random.h>
#endif

namespace talvex {

#if defined(_WIN32)

constexpr NTSTATUS kStatusSuccess = 0;

bool SystemRandomFill(std::uint8_t* buf, std::size_t len)
{
    // Our requests are a block at most, far below ULONG's range.
    return BCryptGenRandom(nullptr, buf, static_cast<ULONG>(len), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == kStatusSuccess;
}

#else

bool SystemRandomFill(std::uint8_t* buf, std::size_t len)
{
    std::size_t done = 0;
    while (done < len) {
        const ssize_t got = getrandom(buf + done, len - done, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

#endif

} // namespace talvex
