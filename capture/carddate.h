#pragma once

#include <QString>

// Date format indexes, as the items of the date format combo box.
enum CardDateFormat : int {
    kDateYYMMDD = 0,   // "aa/mm/dd"
    kDateYYYYMMDD = 1, // "aaaa/mm/dd"
    kDateDDMMYY = 2,   // "dd/mm/aa"
    kDateDDMMYYYY = 3, // "dd/mm/aaaa"
};

// Rewrites an eight-character YYYYMMDD text in the date format with the given
// index. Pieces are cut by character position, so a shorter text gives empty
// pieces between the slashes; an unknown index returns the text unchanged.
QString formatCardDate(const QString& yyyymmdd, int dateFormatIndex);
