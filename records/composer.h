#pragma once

#include "idrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// True when the current tab's title holds "Fixed": then nothing is typed.
bool composerSuppressed(const QString &currentTabTitle);

// The bytes to type for one card: the transmit list walked from the top, each
// field name giving its value and each separator name its character, as
// Latin-1 (one byte per character, "?" for what Latin-1 cannot hold).
QByteArray composeOutput(const QStringList &transmitList, const IdRecord &record);

// The entries of the transmit list that name no field and hold no separator
// name, each once, in list order; empty entries left out.
QStringList entriesMatchingNothing(const QStringList &transmitList);
