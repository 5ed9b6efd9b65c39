#pragma once

#include "idrecord.h"

#include <QByteArray>
#include <QDate>

#include <optional>

// The machine-readable zone of the card: three lines of 30 characters sent
// back to back. Returns nothing when the name line (bytes 60 to 89) holds no
// "<<": the block is then not a card and the caller keeps its record.
// `today` decides the century of the two-digit birth year.
std::optional<IdRecord> parseMrzRecord(const QByteArray &block, int dateFormatIndex, const QDate &today);

// The long record with fields at fixed byte positions. Never rejected; a
// block too short for a field gives the part of it that exists.
IdRecord parseLongRecord(const QByteArray &block, int dateFormatIndex);
