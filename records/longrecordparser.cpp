#include "blockslice.h"
#include "carddate.h"
#include "cardparser.h"

namespace {

struct Slice
{
    int pos;
    int len;
};

constexpr Slice kAfisCode{1, 9};
constexpr Slice kFingerprintCode{40, 8};
constexpr Slice kIdNumber{48, 10};
constexpr Slice kSurnamesFirst{58, 22};
constexpr Slice kSurnamesSecond{81, 23};
constexpr Slice kGivenNamesFirst{104, 23};
constexpr Slice kGivenNamesSecond{127, 23};
constexpr Slice kGender{151, 1};
constexpr Slice kBirthYear{152, 4};
constexpr Slice kBirthMonth{156, 2};
constexpr Slice kBirthDay{158, 2};
constexpr Slice kDepartment{160, 2};
constexpr Slice kMunicipalityCode{162, 2};
constexpr Slice kBloodType{166, 2};

// This record carries no expiry date.
const QString kNoExpiryDate = QStringLiteral("NULL");
constexpr QChar kZeroChar{0};

QString field(const QByteArray &block, Slice slice)
{
    return trimmedSlice(block, slice.pos, slice.len);
}

// Names come in two slices padded with spaces or zero bytes; the zero bytes
// would otherwise sit inside the joined name.
QString name(const QByteArray &block, Slice first, Slice second)
{
    QString joined = field(block, first) + QLatin1Char(' ') + field(block, second);
    joined.remove(kZeroChar);
    return joined.trimmed();
}

} // namespace

IdRecord parseLongRecord(const QByteArray &block, int dateFormatIndex)
{
    IdRecord record;
    record.afisCode = field(block, kAfisCode);
    record.fingerprintCode = field(block, kFingerprintCode);
    record.idNumber = field(block, kIdNumber);
    record.surnames = name(block, kSurnamesFirst, kSurnamesSecond);
    record.givenNames = name(block, kGivenNamesFirst, kGivenNamesSecond);
    record.gender = field(block, kGender);
    const QString birthDate = field(block, kBirthYear) + field(block, kBirthMonth) + field(block, kBirthDay);
    record.birthDate = formatCardDate(birthDate, dateFormatIndex);
    record.department = field(block, kDepartment);
    record.municipalityCode = field(block, kMunicipalityCode);
    record.bloodType = field(block, kBloodType);
    record.expiryDate = kNoExpiryDate;
    return record;
}
