#include "utf16units.h"

namespace {

constexpr char32_t kFirstBeyondBmp = 0x10000;
constexpr char16_t kHighSurrogateBase = 0xD800;
constexpr char16_t kLowSurrogateBase = 0xDC00;
constexpr char16_t kSurrogateEnd = 0xE000;
constexpr unsigned kSurrogateBits = 10;
constexpr char32_t kSurrogateMask = 0x3FF;

bool isHighSurrogate(char16_t unit) { return unit >= kHighSurrogateBase && unit < kLowSurrogateBase; }
bool isLowSurrogate(char16_t unit) { return unit >= kLowSurrogateBase && unit < kSurrogateEnd; }

} // namespace

Utf16Units utf16Units(char32_t character)
{
    Utf16Units out;
    if (character < kFirstBeyondBmp) {
        out.units[0] = static_cast<char16_t>(character);
        out.count = 1;
        return out;
    }
    const char32_t offset = character - kFirstBeyondBmp;
    out.units[0] = static_cast<char16_t>(kHighSurrogateBase + (offset >> kSurrogateBits));
    out.units[1] = static_cast<char16_t>(kLowSurrogateBase + (offset & kSurrogateMask));
    out.count = 2;
    return out;
}

char32_t Utf16Joiner::add(char16_t unit)
{
    const char16_t waiting = high;
    high = 0;
    if (isHighSurrogate(unit)) {
        high = unit;
        return 0;
    }
    if (isLowSurrogate(unit)) {
        if (waiting == 0)
            return 0;
        return kFirstBeyondBmp + ((static_cast<char32_t>(waiting - kHighSurrogateBase) << kSurrogateBits)
                                  | static_cast<char32_t>(unit - kLowSurrogateBase));
    }
    return unit;
}
