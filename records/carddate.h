#pragma once

#include <QString>

// Indices of the date format combo box, as stored in "Config.ini".
enum DateFormatIndex : int {
    kDateYyMmDd = 0,     // "aa/mm/dd"
    kDateYyyyMmDd = 1,   // "aaaa/mm/dd"
    kDateDdMmYy = 2,     // "dd/mm/aa"
    kDateDdMmYyyy = 3,   // "dd/mm/aaaa"
};

// Rewrites a card date YYYYMMDD in the chosen format. The pieces are taken by
// position, so a shorter text gives empty pieces between the slashes; an
// unknown index leaves the text as it is.
QString formatCardDate(const QString &yyyymmdd, int dateFormatIndex);
