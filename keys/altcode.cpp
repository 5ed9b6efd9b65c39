#include "altcode.h"

namespace {

constexpr unsigned kDecimalBase = 10;
constexpr unsigned kByteValues = 256;

} // namespace

std::array<unsigned, kAltCodeDigits> altCodeDigits(unsigned char byte)
{
    std::array<unsigned, kAltCodeDigits> digits{};
    unsigned rest = byte;
    for (std::size_t i = kAltCodeDigits; i-- > 0;) {
        digits[i] = rest % kDecimalBase;
        rest /= kDecimalBase;
    }
    return digits;
}

void AltCodeReader::altDown()
{
    active = true;
    leadingZero = false;
    digits = 0;
    value = 0;
}

void AltCodeReader::digit(unsigned digitValue)
{
    if (!active)
        return;
    if (digits == 0)
        leadingZero = digitValue == 0;
    value = value * kDecimalBase + digitValue;
    ++digits;
}

int AltCodeReader::altUp()
{
    const bool complete = active && digits > 0 && leadingZero;
    active = false;
    return complete ? static_cast<int>(value % kByteValues) : -1;
}
