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

// The separator names: "TAB", "Enter", "Space".
const QStringList &separatorList();
