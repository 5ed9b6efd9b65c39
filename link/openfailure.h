#pragma once

#include <QString>

// Why a port would not open, as far as the operator can do something about it.
enum class OpenFailure { Unexplained, NoPermission, NoSuchDevice, Busy };

// Whether this user may read and write the device node; true where ports are
// not files, and for a node that is not there (that is another failure).
bool mayUseDevice(const QString &systemLocation);

// The group that owns the device node, the one the operator must belong to;
// "dialout", as on most systems, when it cannot be told.
QString deviceGroup(const QString &systemLocation);

// "Check whether the serial port is occupied.", and on a second line what to
// do when the reason is known. Translated.
QString openFailureMessage(OpenFailure failure, const QString &group);
