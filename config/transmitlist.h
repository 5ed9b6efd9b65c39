#pragma once

#include <QString>
#include <QStringList>

// Editing rules of the transmit list on the "Campos a Transmitir" tab.

// A field name may be chosen once only: true when no entry of the list
// compares equal to it (locale-aware). Separators may be added any number of
// times and need no check.
bool canAddField(const QStringList& transmitList, const QString& fieldName);
