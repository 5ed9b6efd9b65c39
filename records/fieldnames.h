#pragma once

#include "idrecord.h"

#include <QStringList>

#include <vector>

// A field name as the operator picks it in the field list, and the record
// field it stands for.
struct FieldBinding
{
    QString name;
    QString IdRecord::*field;
};

// The eleven fields in the order of the field list; the composer tries the
// names in this same order.
const std::vector<FieldBinding> &fieldBindings();

// The eleven field names, in the order of the field list.
const QStringList &fieldNameList();

// Whether entry names the field name: compared locale-aware as it stands
// or, for a name written into "Config.ini" by hand in UTF-8 (which reads as
// Latin-1), its bytes read as UTF-8.
bool entryNamesField(const QString &entry, const QString &name);

// The first field name that entry names; a null string when none.
QString fieldNameFor(const QString &entry);

// The separator names: "TAB", "Enter", "Space".
const QStringList &separatorList();
