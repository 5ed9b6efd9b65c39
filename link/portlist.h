#pragma once

#include <QStringList>

// The names of the serial ports the system reports, in the order it reports
// them, unfiltered.
QStringList systemPortNames();

// Ports the system does not list (a pseudo-terminal, a device node that
// enumeration missed) given on the command line as "--port PATH" or
// "--port=PATH", repeatable, in the order given. The first argument is the
// program and is skipped; a "--port" with nothing after it is ignored.
QStringList extraPortsFromArguments(const QStringList &arguments);
