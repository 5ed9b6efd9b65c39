#pragma once

#include <QString>

// The eleven fields of one identity-card read, in the order the card layouts
// and the composer list them. Both card shapes fill every field (with a fixed
// text where the shape has no such field), so nothing of an earlier card
// survives into the next one.
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

    friend bool operator==(const IdRecord& a, const IdRecord& b)
    {
        return a.afisCode == b.afisCode && a.fingerprintCode == b.fingerprintCode
            && a.idNumber == b.idNumber && a.surnames == b.surnames
            && a.givenNames == b.givenNames && a.gender == b.gender
            && a.birthDate == b.birthDate && a.department == b.department
            && a.municipalityCode == b.municipalityCode && a.bloodType == b.bloodType
            && a.expiryDate == b.expiryDate;
    }
    friend bool operator!=(const IdRecord& a, const IdRecord& b) { return !(a == b); }
};
