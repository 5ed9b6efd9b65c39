#include "carddate.h"

namespace {

// Character positions in YYYYMMDD.
constexpr int kCenturyYearPos = 0;
constexpr int kCenturyYearLen = 4;
constexpr int kShortYearPos = 2;
constexpr int kMonthPos = 4;
constexpr int kDayPos = 6;
constexpr int kTwoDigitLen = 2;

QString joinDate(const QString &first, const QString &second, const QString &third)
{
    const QChar slash = QLatin1Char('/');
    return first + slash + second + slash + third;
}

} // namespace

QString formatCardDate(const QString &yyyymmdd, int dateFormatIndex)
{
    const QString fullYear = yyyymmdd.mid(kCenturyYearPos, kCenturyYearLen);
    const QString shortYear = yyyymmdd.mid(kShortYearPos, kTwoDigitLen);
    const QString month = yyyymmdd.mid(kMonthPos, kTwoDigitLen);
    const QString day = yyyymmdd.mid(kDayPos, kTwoDigitLen);

    switch (dateFormatIndex) {
    case kDateYyMmDd:
        return joinDate(shortYear, month, day);
    case kDateYyyyMmDd:
        return joinDate(fullYear, month, day);
    case kDateDdMmYy:
        return joinDate(day, month, shortYear);
    case kDateDdMmYyyy:
        return joinDate(day, month, fullYear);
    default:
        return yyyymmdd;
    }
}
