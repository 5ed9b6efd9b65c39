#pragma once

#include <QString>
#include <QStringList>

// What "Config.ini" keeps of the transmit configuration.
struct TransmitSettings
{
    int dateFormatIndex = 0;
    QStringList transmitList;
};

// Far above any real list (there are eleven fields and three separators), low
// enough that a damaged count cannot stall start-up or exhaust memory.
constexpr int kMaxTransmitEntries = 1000;

// Reads the settings file at `path`. A missing file, group or key gives the
// defaults (index 0, no entries) and creates no file; an index outside 0 to 3
// reads as 0. Entries are taken as stored, at most kMaxTransmitEntries of them.
TransmitSettings loadTransmitSettings(const QString &path);

// Replaces the settings file at `path` with exactly these values. Returns
// false when the file could not be written; the previous file then stays as
// it was.
bool saveTransmitSettings(const QString &path, int dateFormatIndex, const QStringList &transmitList);
