#pragma once

#include "idrecord.h"

#include <QByteArray>
#include <QDate>
#include <optional>

// The two shapes in which the scanner delivers an identity card. Both return a
// complete record; the caller stores it as the current card and has it typed.
// Neither ever reads past the end of the block: a field whose bytes are
// missing takes the part that exists, or stays empty.

// The machine-readable zone printed on the card: three lines of 30 characters
// sent back to back. `today` decides the century of the birth year. Returns
// nullopt (the block is dropped) when the name line holds no "<<".
std::optional<IdRecord> parseMrzRecord(const QByteArray& block, int dateFormatIndex,
                                       const QDate& today);

// The long record with fields at fixed byte positions; never rejected.
IdRecord parseLongRecord(const QByteArray& block, int dateFormatIndex);
