#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The check digits of a TD1 machine-readable zone (ICAO Doc 9303): each
// guarded field's characters are valued ('0' to '9' as themselves, 'A' to
// 'Z' as 10 to 35, the filler '<' as 0), weighted 7, 3, 1 in turn, and the
// sum modulo 10 is the digit that follows the field.
enum class MrzCheck { DocumentNumber, BirthDate, ExpiryDate, Composite };

// The check digit of characters, or -1 when one of them cannot stand in a
// zone (a misread: lower case, punctuation, a byte above 127).
int mrzCheckDigit(const QByteArray &characters);

// The checks of the zone that fail, in the order of the enum; empty when
// every check digit agrees. A zone cut short fails the checks whose
// characters are missing. A document number longer than nine characters
// goes on in the optional data of line 1, as the standard lets it.
QList<MrzCheck> failedMrzChecks(const QByteArray &zone);

// What the operator is told when checks fail (translated, context "tools"):
// the card may be misread, which checks failed, what to do. Empty when none
// failed.
QString misreadCardNotice(const QList<MrzCheck> &failed);
