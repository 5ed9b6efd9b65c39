#include "mrzcheckdigits.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>

namespace {

constexpr std::array<int, 3> kWeights{7, 3, 1};
constexpr int kModulus = 10;
constexpr int kLetterBase = 10; // 'A' is 10
constexpr char kFiller = '<';

// Line 1 starts at 0, line 2 at 30 (TD1: three lines of 30).
constexpr int kDocumentNumberPos = 5;
constexpr int kDocumentNumberLen = 9;
constexpr int kDocumentNumberCheckPos = 14;
constexpr int kLine1OptionalPos = 15; // where a long document number goes on
constexpr int kLine1End = 30;
constexpr int kBirthDatePos = 30;
constexpr int kDateLen = 6;
constexpr int kBirthDateCheckPos = 36;
constexpr int kExpiryDatePos = 38;
constexpr int kExpiryDateCheckPos = 44;
constexpr int kLine2OptionalPos = 48;
constexpr int kLine2OptionalLen = 11;
constexpr int kCompositeCheckPos = 59;

int characterValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + kLetterBase;
    if (c == kFiller)
        return 0;
    return -1;
}

// The digit written in the zone; a filler stands for 0 where a field is empty.
int writtenDigit(const QByteArray &zone, int pos)
{
    if (pos >= zone.size())
        return -1;
    const char c = zone.at(pos);
    if (c == kFiller)
        return 0;
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

bool agrees(const QByteArray &characters, const QByteArray &zone, int checkPos)
{
    const int computed = characters.isEmpty() ? -1 : mrzCheckDigit(characters);
    return computed >= 0 && computed == writtenDigit(zone, checkPos);
}

// A slice that must be there whole: a zone cut short fails its check.
QByteArray field(const QByteArray &zone, int pos, int len)
{
    return zone.size() >= pos + len ? zone.mid(pos, len) : QByteArray();
}

// The document number with its check digit. A filler where the check digit
// stands after a full nine characters says the number goes on in the
// optional data, up to the filler after it; its last character there is
// the check digit.
bool documentNumberAgrees(const QByteArray &zone)
{
    const QByteArray number = field(zone, kDocumentNumberPos, kDocumentNumberLen);
    if (number.isEmpty())
        return false;
    const bool continues = zone.size() > kDocumentNumberCheckPos && zone.at(kDocumentNumberCheckPos) == kFiller
                           && number.at(kDocumentNumberLen - 1) != kFiller;
    if (!continues)
        return agrees(number, zone, kDocumentNumberCheckPos);
    const QByteArray line1 = zone.left(kLine1End);
    int end = line1.indexOf(kFiller, kLine1OptionalPos);
    if (end < 0)
        end = line1.size();
    if (end - kLine1OptionalPos < 2) // at least one more character and the check digit
        return false;
    const int checkPos = end - 1;
    return agrees(number + line1.mid(kLine1OptionalPos, checkPos - kLine1OptionalPos), zone, checkPos);
}

} // namespace

int mrzCheckDigit(const QByteArray &characters)
{
    int sum = 0;
    for (int i = 0; i < characters.size(); ++i) {
        const int value = characterValue(characters.at(i));
        if (value < 0)
            return -1;
        sum += value * kWeights[static_cast<std::size_t>(i) % kWeights.size()];
    }
    return sum % kModulus;
}

QList<MrzCheck> failedMrzChecks(const QByteArray &zone)
{
    QList<MrzCheck> failed;
    if (!documentNumberAgrees(zone))
        failed << MrzCheck::DocumentNumber;
    if (!agrees(field(zone, kBirthDatePos, kDateLen), zone, kBirthDateCheckPos))
        failed << MrzCheck::BirthDate;
    if (!agrees(field(zone, kExpiryDatePos, kDateLen), zone, kExpiryDateCheckPos))
        failed << MrzCheck::ExpiryDate;
    // The upper line from the document number on, then line 2's dates with
    // their digits and its optional data.
    const QByteArray upper = field(zone, kDocumentNumberPos, kLine1End - kDocumentNumberPos);
    const QByteArray birth = field(zone, kBirthDatePos, kDateLen + 1);
    const QByteArray expiry = field(zone, kExpiryDatePos, kDateLen + 1);
    const QByteArray optional = field(zone, kLine2OptionalPos, kLine2OptionalLen);
    const bool whole = !upper.isEmpty() && !birth.isEmpty() && !expiry.isEmpty() && !optional.isEmpty();
    if (!whole || !agrees(upper + birth + expiry + optional, zone, kCompositeCheckPos))
        failed << MrzCheck::Composite;
    return failed;
}

QString misreadCardNotice(const QList<MrzCheck> &failed)
{
    if (failed.isEmpty())
        return {};
    QStringList names;
    for (MrzCheck check : failed) {
        switch (check) {
        case MrzCheck::DocumentNumber:
            names << QCoreApplication::translate("tools", "document number");
            break;
        case MrzCheck::BirthDate:
            names << QCoreApplication::translate("tools", "birth date");
            break;
        case MrzCheck::ExpiryDate:
            names << QCoreApplication::translate("tools", "expiry date");
            break;
        case MrzCheck::Composite:
            names << QCoreApplication::translate("tools", "whole zone");
            break;
        }
    }
    return QCoreApplication::translate("tools", "The card may be misread (check digit wrong: %1): check what "
                                                "was typed, or scan it again.")
        .arg(names.join(QStringLiteral(", ")));
}
