#include "cardparser.h"

#include "carddate.h"

#include <QDebug>
#include <QStringList>

namespace {

// A run of bytes at a fixed position in a card block.
struct Slice
{
    int position;
    int length;
};

// Long record layout. Bytes 0, 10 to 39, 80, 150, 164, 165 and everything
// from 168 on carry nothing the operator can choose.
constexpr Slice kLongAfisCode{1, 9};
constexpr Slice kLongFingerprintCode{40, 8};
constexpr Slice kLongIdNumber{48, 10};
constexpr Slice kLongSurnamesFirst{58, 22};
constexpr Slice kLongSurnamesSecond{81, 23};
constexpr Slice kLongGivenNamesFirst{104, 23};
constexpr Slice kLongGivenNamesSecond{127, 23};
constexpr Slice kLongGender{151, 1};
constexpr Slice kLongBirthYear{152, 4};
constexpr Slice kLongBirthMonth{156, 2};
constexpr Slice kLongBirthDay{158, 2};
constexpr Slice kLongDepartment{160, 2};
constexpr Slice kLongMunicipalityCode{162, 2};
constexpr Slice kLongBloodType{166, 2};
// The long record carries no expiry date; the field says so explicitly.
const QString kLongNoExpiryDate = QStringLiteral("NULL");

// Machine-readable zone layout (line 2 holds the dates, line 3 the names).
constexpr Slice kMrzBirthYear{30, 2};
constexpr Slice kMrzBirthDate{30, 6};
constexpr Slice kMrzGender{37, 1};
constexpr Slice kMrzExpiryDate{38, 6};
constexpr Slice kMrzIdNumber{48, 8};
constexpr Slice kMrzNameLine{60, 30};
constexpr int kMinimumNameParts = 2;
const QString kMrzNameSeparator = QStringLiteral("<<");
constexpr QChar kMrzFiller{u'<'};
constexpr QChar kNameWordSeparator{u' '};
// Every lower-case "s" is dropped from the names. MRZ text is upper case
// only, so the names of a well-formed zone are unaffected.
constexpr QChar kStrayNameLetter{u's'};
constexpr QChar kZeroCharacter{u'\0'};

// The birth year has two digits; a year above the current two-digit year
// belongs to the last century.
constexpr int kYearsPerCentury = 100;
const QString kLastCentury = QStringLiteral("19");
const QString kThisCentury = QStringLiteral("20");

// One byte per character. The explicit length keeps zero bytes, which the
// QByteArray overload of fromLatin1 would treat as the end of the text.
QString latin1Slice(const QByteArray& block, Slice s)
{
    const QByteArray bytes = block.mid(s.position, s.length);
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

QString trimmedSlice(const QByteArray& block, Slice s)
{
    return latin1Slice(block, s).trimmed();
}

// A name stored in two padded slices (space- or zero-padded by the card).
QString longRecordName(const QByteArray& block, Slice first, Slice second)
{
    QString name = trimmedSlice(block, first) + kNameWordSeparator + trimmedSlice(block, second);
    return name.remove(kZeroCharacter).trimmed();
}

// The name line is text up to its first zero byte.
QString mrzNameLine(const QByteArray& block)
{
    QByteArray line = block.mid(kMrzNameLine.position, kMrzNameLine.length);
    const int zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return QString::fromUtf8(line.constData(), line.size());
}

// One part of the name line: fillers between words become spaces.
QString mrzName(const QString& part)
{
    QString name = part.split(kMrzFiller, Qt::KeepEmptyParts).join(kNameWordSeparator);
    return name.remove(kStrayNameLetter).trimmed();
}

QString mrzCentury(const QByteArray& block, const QDate& today)
{
    const int currentYear = today.year() % kYearsPerCentury;
    const int birthYear = latin1Slice(block, kMrzBirthYear).toInt();
    return currentYear < birthYear ? kLastCentury : kThisCentury;
}

} // namespace

std::optional<IdRecord> parseMrzRecord(const QByteArray& block, int dateFormatIndex,
                                       const QDate& today)
{
    const QStringList nameParts = mrzNameLine(block).split(kMrzNameSeparator, Qt::KeepEmptyParts);
    qDebug() << nameParts;
    if (nameParts.size() < kMinimumNameParts)
        return std::nullopt;

    IdRecord record;
    record.birthDate = formatCardDate(mrzCentury(block, today) + trimmedSlice(block, kMrzBirthDate),
                                      dateFormatIndex);
    record.gender = trimmedSlice(block, kMrzGender);
    record.expiryDate = trimmedSlice(block, kMrzExpiryDate);
    record.idNumber = trimmedSlice(block, kMrzIdNumber);
    record.surnames = mrzName(nameParts.at(0));
    record.givenNames = mrzName(nameParts.at(1));
    return record;
}

IdRecord parseLongRecord(const QByteArray& block, int dateFormatIndex)
{
    IdRecord record;
    record.afisCode = trimmedSlice(block, kLongAfisCode);
    record.fingerprintCode = trimmedSlice(block, kLongFingerprintCode);
    record.idNumber = trimmedSlice(block, kLongIdNumber);
    record.surnames = longRecordName(block, kLongSurnamesFirst, kLongSurnamesSecond);
    record.givenNames = longRecordName(block, kLongGivenNamesFirst, kLongGivenNamesSecond);
    record.gender = trimmedSlice(block, kLongGender);
    record.birthDate = formatCardDate(trimmedSlice(block, kLongBirthYear)
                                          + trimmedSlice(block, kLongBirthMonth)
                                          + trimmedSlice(block, kLongBirthDay),
                                      dateFormatIndex);
    record.department = trimmedSlice(block, kLongDepartment);
    record.municipalityCode = trimmedSlice(block, kLongMunicipalityCode);
    record.bloodType = trimmedSlice(block, kLongBloodType);
    record.expiryDate = kLongNoExpiryDate;
    return record;
}
