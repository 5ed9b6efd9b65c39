#include "blockslice.h"
#include "carddate.h"
#include "cardlog.h"
#include "cardparser.h"

#include <QStringList>

namespace {

constexpr int kBirthYearPos = 30;
constexpr int kBirthYearLen = 2;
constexpr int kBirthDatePos = 30;
constexpr int kBirthDateLen = 6;      // YYMMDD
constexpr int kGenderPos = 37;
constexpr int kGenderLen = 1;
constexpr int kExpiryDatePos = 38;
constexpr int kExpiryDateLen = 6;     // YYMMDD, kept as it stands
constexpr int kIdNumberPos = 48;
constexpr int kIdNumberLen = 8;
constexpr int kNameLinePos = 60;
constexpr int kNameLineLen = 30;
constexpr int kYearsPerCentury = 100;
constexpr int kNameParts = 2;   // surnames, then given names

const QString kLastCenturyPrefix = QStringLiteral("19");
const QString kThisCenturyPrefix = QStringLiteral("20");

const QString kNameSeparator = QStringLiteral("<<");
constexpr QLatin1Char kFiller{'<'};
constexpr QLatin1Char kDroppedLetter{'s'};
constexpr QChar kZeroChar{0};

// Line 3 up to its first zero byte, as UTF-8. The zone itself uses only A to
// Z, 0 to 9 and "<", for which this is the same as Latin-1.
QString nameLine(const QByteArray &block)
{
    QByteArray line = block.mid(kNameLinePos, kNameLineLen);
    const int zero = line.indexOf('\0');
    if (zero >= 0)
        line.truncate(zero);
    return QString::fromUtf8(line.constData(), line.size());
}

// "PEREZ<GOMEZ" becomes "PEREZ GOMEZ": fillers between names turn into
// spaces, and the ends are trimmed.
QString namePart(const QString &part)
{
    QString name = part.split(kFiller, Qt::KeepEmptyParts).join(QLatin1Char(' '));
    name.remove(kDroppedLetter, Qt::CaseSensitive);
    name.remove(kZeroChar);
    return name.trimmed();
}

// Two-digit years above this year's are taken as last century's.
QString centuryPrefix(const QByteArray &block, const QDate &today)
{
    const int currentYear = today.year() % kYearsPerCentury;
    const int birthYear = latin1Slice(block, kBirthYearPos, kBirthYearLen).toInt();
    return currentYear < birthYear ? kLastCenturyPrefix : kThisCenturyPrefix;
}

} // namespace

std::optional<IdRecord> parseMrzRecord(const QByteArray &block, int dateFormatIndex, const QDate &today)
{
    const QStringList parts = nameLine(block).split(kNameSeparator, Qt::KeepEmptyParts);
    qCDebug(lcCard) << parts;
    if (parts.size() < kNameParts)
        return std::nullopt;

    IdRecord record;
    const QString birthDate = centuryPrefix(block, today) + trimmedSlice(block, kBirthDatePos, kBirthDateLen);
    record.birthDate = formatCardDate(birthDate, dateFormatIndex);
    record.gender = trimmedSlice(block, kGenderPos, kGenderLen);
    record.expiryDate = trimmedSlice(block, kExpiryDatePos, kExpiryDateLen);
    record.idNumber = trimmedSlice(block, kIdNumberPos, kIdNumberLen);
    record.surnames = namePart(parts.at(0));
    record.givenNames = namePart(parts.at(1));
    return record;
}
