#pragma once

#include "idrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// True when the current tab of the main window asks for no output (its title
// contains "Fixed"); parsing and logging go on regardless.
bool composerSuppressed(const QString& currentTabTitle);

// The bytes to type for one card: the transmit list walked top to bottom,
// each field name replaced by that field's value and each separator name by
// its character, as Latin-1. Entries that match nothing add nothing; empty
// fields add nothing but their separators still stand.
QByteArray composeOutput(const QStringList& transmitList, const IdRecord& record);
