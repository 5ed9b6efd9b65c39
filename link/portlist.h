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

// Whether the system has a port of this name now, listed or not; for ports
// that are not files, whose coming and going no device node shows.
bool portNamePresent(const QString &portName);

// The order ports are listed in: by name, then by number, so that COM2
// comes before COM10.
bool portNameBefore(const QString &a, const QString &b);

// What Windows' device instance id tells of a USB serial adapter
// ("USB\VID_0403&PID_6001\A600XYZ"): its ids, and its serial number when it
// has one.
struct UsbIdentity
{
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
};
UsbIdentity usbIdentityFromInstanceId(const QString &instanceId);

// The tool tip of a port in the list: the adapter's description and maker,
// empty when the system knows neither.
QString portToolTip(const SerialPortEntry &port);

// Where the device node of a port lies (a name that is a path stays as it
// is, a bare name lies under /dev); empty where ports are not files.
QString portSystemLocation(const QString &portName);
