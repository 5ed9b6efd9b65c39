#include "idrecord.h"

#include <tuple>

namespace {

auto fieldsOf(const IdRecord &r)
{
    return std::tie(r.afisCode, r.fingerprintCode, r.idNumber, r.surnames, r.givenNames, r.gender,
                    r.birthDate, r.department, r.municipalityCode, r.bloodType, r.expiryDate);
}

} // namespace

bool operator==(const IdRecord &a, const IdRecord &b)
{
    return fieldsOf(a) == fieldsOf(b);
}

bool operator!=(const IdRecord &a, const IdRecord &b)
{
    return !(a == b);
}
