#include "windows1252.h"

#include <array>

namespace {

constexpr unsigned char kFirstWindowsOnly = 0x80;
constexpr unsigned char kFirstLatin1Again = 0xA0;

// Bytes 80 to 9F, where Windows-1252 departs from Latin-1.
constexpr std::array<char16_t, kFirstLatin1Again - kFirstWindowsOnly> kHighControls{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

char16_t windows1252ToUnicode(unsigned char byte)
{
    if (byte >= kFirstWindowsOnly && byte < kFirstLatin1Again)
        return kHighControls[byte - kFirstWindowsOnly];
    return byte;
}
