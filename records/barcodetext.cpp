#include "barcodetext.h"

namespace {

constexpr unsigned char kLastAscii = 0x7F;
constexpr unsigned char kFirstContinuation = 0x80;
constexpr unsigned char kLastContinuation = 0xBF;
// Lead bytes: C2 to DF begin two bytes, E0 to EF three, F0 to F4 four (C0,
// C1 and F5 up would only make overlong forms or values beyond Unicode).
constexpr unsigned char kFirstTwoByteLead = 0xC2;
constexpr unsigned char kFirstThreeByteLead = 0xE0;
constexpr unsigned char kFirstFourByteLead = 0xF0;
constexpr unsigned char kLastFourByteLead = 0xF4;
// Where the second byte of a sequence is narrower than 80 to BF.
constexpr unsigned char kThreeByteShortest = 0xE0; // second byte A0 up, else overlong
constexpr unsigned char kSurrogateLead = 0xED;     // second byte up to 9F, else a surrogate
constexpr unsigned char kFourByteShortest = 0xF0;  // second byte 90 up, else overlong
constexpr unsigned char kFourByteLast = 0xF4;      // second byte up to 8F, else beyond U+10FFFF
constexpr unsigned char kAfterShortestThree = 0xA0;
constexpr unsigned char kLastBeforeSurrogates = 0x9F;
constexpr unsigned char kAfterShortestFour = 0x90;
constexpr unsigned char kLastInUnicode = 0x8F;

// The length of the sequence that starts at lead, with the bounds of its
// second byte; 0 for a byte that cannot start one.
int sequenceLength(unsigned char lead, unsigned char *low, unsigned char *high)
{
    *low = kFirstContinuation;
    *high = kLastContinuation;
    if (lead < kFirstTwoByteLead)
        return 0;
    if (lead < kFirstThreeByteLead)
        return 2;
    if (lead < kFirstFourByteLead) {
        if (lead == kThreeByteShortest)
            *low = kAfterShortestThree;
        else if (lead == kSurrogateLead)
            *high = kLastBeforeSurrogates;
        return 3;
    }
    if (lead > kLastFourByteLead)
        return 0;
    if (lead == kFourByteShortest)
        *low = kAfterShortestFour;
    else if (lead == kFourByteLast)
        *high = kLastInUnicode;
    return 4;
}

} // namespace

std::optional<QString> utf8BarcodeText(const QByteArray &block)
{
    bool beyondAscii = false;
    const int size = block.size();
    for (int at = 0; at < size;) {
        const auto lead = static_cast<unsigned char>(block.at(at));
        if (lead <= kLastAscii) {
            ++at;
            continue;
        }
        unsigned char low = 0;
        unsigned char high = 0;
        const int length = sequenceLength(lead, &low, &high);
        if (length == 0 || at + length > size)
            return std::nullopt;
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(block.at(at + i));
            const unsigned char least = i == 1 ? low : kFirstContinuation;
            const unsigned char most = i == 1 ? high : kLastContinuation;
            if (next < least || next > most)
                return std::nullopt;
        }
        beyondAscii = true;
        at += length;
    }
    if (!beyondAscii)
        return std::nullopt;
    return QString::fromUtf8(block);
}
