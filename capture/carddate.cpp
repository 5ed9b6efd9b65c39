#include "carddate.h"

namespace {

struct DatePiece
{
    int position;
    int length;
};

constexpr DatePiece kFullYear{0, 4};
constexpr DatePiece kShortYear{2, 2};
constexpr DatePiece kMonth{4, 2};
constexpr DatePiece kDay{6, 2};
constexpr QChar kDateSeparator{u'/'};

QString piece(const QString& text, DatePiece p)
{
    return text.mid(p.position, p.length);
}

QString joined(const QString& text, DatePiece first, DatePiece second, DatePiece third)
{
    return piece(text, first) + kDateSeparator + piece(text, second) + kDateSeparator
        + piece(text, third);
}

} // namespace

QString formatCardDate(const QString& yyyymmdd, int dateFormatIndex)
{
    switch (dateFormatIndex) {
    case kDateYYMMDD:
        return joined(yyyymmdd, kShortYear, kMonth, kDay);
    case kDateYYYYMMDD:
        return joined(yyyymmdd, kFullYear, kMonth, kDay);
    case kDateDDMMYY:
        return joined(yyyymmdd, kDay, kMonth, kShortYear);
    case kDateDDMMYYYY:
        return joined(yyyymmdd, kDay, kMonth, kFullYear);
    default:
        return yyyymmdd;
    }
}
