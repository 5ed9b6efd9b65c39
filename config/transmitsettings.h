#pragma once

#include <QString>
#include <QStringList>

// The operator's transmit choices as kept in Config.ini: group "Basic" key
// "DateFormat", array "Transmit" with key "Field" per entry. The file is read
// and written by plain QSettings in INI format, so files written by earlier
// versions of the program load unchanged.
struct TransmitSettings
{
    int dateFormatIndex = 0;
    QStringList transmitList;
};

// Reads the file at `path`. A missing file, group or key gives the defaults
// (index 0, empty list) and creates nothing; an index outside 0 to 3 gives 0.
// Entries are taken as stored; a damaged array size is bounded.
TransmitSettings loadTransmitSettings(const QString& path);

// Replaces every key of the file at `path` with the given choices. Returns
// false when the file could not be written; the previous file then stays as it
// was.
bool saveTransmitSettings(const QString& path, int dateFormatIndex,
                          const QStringList& transmitList);
