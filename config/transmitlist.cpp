#include "transmitlist.h"

#include <algorithm>

bool canAddField(const QStringList &transmitList, const QString &fieldName)
{
    return std::none_of(transmitList.cbegin(), transmitList.cend(), [&](const QString &entry) {
        return QString::localeAwareCompare(fieldName, entry) == 0;
    });
}
