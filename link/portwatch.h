#pragma once

#include "portlist.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

class DeviceNotice;

// The device a link was talking to, as far as it can be recognised when it
// comes back: its port name, what that name stood for while the link had it
// (its device node, made at a certain time), and for a USB adapter its
// serial number and vendor and product ids.
struct PortIdentity
{
    QString name;
    QString serialNumber;
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString nodeWhenLinked; // empty when not known: the watch notes it as it begins
};

// The identity of the named port as it stands now, its ids from a listing;
// the name and its node alone when the port is not listed (a
// pseudo-terminal, a path given with --port).
PortIdentity identityOf(const QString &portName, const QList<SerialPortEntry> &ports);

// Watches for a device that went away to come back: under the same port name
// once that name was gone (or its device node was made anew), or under a name
// that was not there when the watch began, with the same USB serial number,
// or without one with the same vendor and product ids. It looks once a
// second, which costs a file status or two: the system's ports are listed
// again only in the seconds after the folder of device nodes has changed
// (where there is no such folder, at every look). Where the system tells of
// devices coming and going, it looks only in the seconds after it was told.
// It reports a device back only after a short settling time, in which the
// system gives the new node its owner and permissions.
class PortWatch : public QObject
{
    Q_OBJECT

public:
    // devicesFolder: where device nodes come and go ("/dev"); empty to list
    // the ports at every look.
    explicit PortWatch(PortLister lister, QString devicesFolder = defaultDevicesFolder(), QObject *parent = nullptr);
    static QString defaultDevicesFolder();

    void start(const PortIdentity &lost);
    void stop();
    bool watching() const { return m_active; }

    // One look: the name under which the device is back, if it is.
    std::optional<QString> lookOnce();

signals:
    // The watch has ended; the device can be opened under this name.
    void deviceReturned(const QString &portName);

private:
    void lookForAWhile();
    bool needsListing() const;
    QList<SerialPortEntry> listedPorts();
    bool sameAdapter(const SerialPortEntry &port) const;

    PortLister m_lister;
    QString m_devicesFolder;
    QString m_listingStamp;
    QElapsedTimer m_sinceDevicesChanged;
    QList<SerialPortEntry> m_listing;
    PortIdentity m_lost;
    QString m_lostNode;
    bool m_seenAbsent = false;
    QStringList m_namesAtStart;
    QString m_returnedName;
    QTimer m_pollTimer;
    QTimer m_settleTimer;
    DeviceNotice *m_notice = nullptr;
    QElapsedTimer m_sinceNotice;
    bool m_active = false;
};
