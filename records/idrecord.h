#pragma once

#include <QString>

// The eleven fields of one identity-card read. Both card shapes fill the same
// record; a field a shape does not carry holds a fixed text, so nothing of an
// earlier card survives into the next one.
struct IdRecord
{
    QString afisCode;
    QString fingerprintCode;
    QString idNumber;
    QString surnames;
    QString givenNames;
    QString gender;
    QString birthDate;
    QString department;
    QString municipalityCode;
    QString bloodType;
    QString expiryDate;
};

bool operator==(const IdRecord &a, const IdRecord &b);
bool operator!=(const IdRecord &a, const IdRecord &b);
