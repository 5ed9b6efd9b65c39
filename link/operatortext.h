#pragma once

#include <QCoreApplication>
#include <QString>

// Messages for the operator are looked up in the main window's translation
// context, wherever they are composed; their sources are marked with
// QT_TRANSLATE_NOOP("tools", ...).
inline QString operatorText(const char *sourceText) { return QCoreApplication::translate("tools", sourceText); }
