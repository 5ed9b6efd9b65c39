#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One serial port as the system lists it: the name the operator picks, what
// the adapter says of itself, and what identifies a USB adapter when it
// comes back under another name after a re-plug.
struct SerialPortEntry
{
    QString name;
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};

// Lists the ports of the system; tests hand in a list of their own.
using PortLister = std::function<QList<SerialPortEntry>()>;

// The ports the system reports, in the order it reports them, unfiltered.
QList<SerialPortEntry> systemPorts();

// The tool tip of a port in the list: the adapter's description and maker,
// empty when the system knows neither.
QString portToolTip(const SerialPortEntry &port);

// Where the device node of a port lies (a name that is a path stays as it
// is, a bare name lies under /dev); empty where ports are not files.
QString portSystemLocation(const QString &portName);
