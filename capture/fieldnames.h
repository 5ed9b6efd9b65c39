#pragma once

#include <QStringList>

// The names the operator picks from on the "Campos a Transmitir" tab. They are
// also the texts stored in Config.ini and matched by the composer, so they
// must never change.

// The eleven field names, in the order of the field list.
const QStringList& fieldNameList();

// The separator names: "TAB", "Enter", "Space".
const QStringList& separatorList();

// The date format captions, by date format index 0 to 3.
const QStringList& dateFormatList();
