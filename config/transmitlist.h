#pragma once

#include <QString>
#include <QStringList>

// A field name goes into the transmit list once only; the names are compared
// the way the composer matches them (locale-aware).
bool canAddField(const QStringList &transmitList, const QString &fieldName);
