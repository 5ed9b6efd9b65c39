#include "portwatch.h"

#include "devicenotice.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds kLookInterval{1000};
constexpr std::chrono::milliseconds kSettleTime{500};
constexpr std::chrono::milliseconds kNewDeviceDescribedWithin{3000};
// Where ports are not files, a name being there is all there is to compare.
const QString kListedSignature = QStringLiteral("listed");

bool listed(const QList<SerialPortEntry> &ports, const QString &name)
{
    return std::any_of(ports.begin(), ports.end(), [&name](const SerialPortEntry &port) { return port.name == name; });
}

QStringList namesOf(const QList<SerialPortEntry> &ports)
{
    QStringList names;
    for (const SerialPortEntry &port : ports)
        names << port.name;
    return names;
}

// A device node made anew (a re-plugged adapter under the same name, a new
// pseudo-terminal behind the same link) has another target or another
// change time than the one the lost link had open.
QString nodeSignature(const QString &location)
{
    const QFileInfo node(location);
    if (!node.exists())
        return {};
    const QFileInfo target(node.canonicalFilePath());
    return target.filePath() + QLatin1Char('@') + QString::number(target.metadataChangeTime().toMSecsSinceEpoch());
}

// What a port name stands for now: its device node, or where ports are not
// files its being there; empty while it is absent.
QString nodeOfPort(const QString &portName, const QList<SerialPortEntry> &ports)
{
    const QString location = portSystemLocation(portName);
    if (location.isEmpty())
        return listed(ports, portName) || portNamePresent(portName) ? kListedSignature : QString();
    return nodeSignature(location);
}

} // namespace

PortIdentity identityOf(const QString &portName, const QList<SerialPortEntry> &ports)
{
    const QString location = portSystemLocation(portName);
    const QString node = nodeOfPort(portName, ports);
    for (const SerialPortEntry &port : ports) {
        if (port.name == portName || (!location.isEmpty() && portSystemLocation(port.name) == location))
            return {portName, port.serialNumber, port.vendorId, port.productId, node};
    }
    return {portName, {}, std::nullopt, std::nullopt, node};
}

PortWatch::PortWatch(PortLister lister, QString devicesFolder, QObject *parent)
    : QObject(parent), m_lister(std::move(lister)), m_devicesFolder(std::move(devicesFolder))
{
    m_pollTimer.setInterval(kLookInterval);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleTime);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        const std::optional<QString> back = lookOnce();
        if (!back) {
            // Told of a change, the watch keeps looking while the system
            // describes the new device; then it waits to be told again.
            if (m_notice && m_sinceNotice.hasExpired(kNewDeviceDescribedWithin.count()))
                m_pollTimer.stop();
            return;
        }
        m_pollTimer.stop();
        m_returnedName = *back;
        m_settleTimer.start();
    });
    connect(&m_settleTimer, &QTimer::timeout, this, [this] {
        m_active = false;
        emit deviceReturned(m_returnedName);
    });
    m_notice = createDeviceNotice(this);
    if (m_notice)
        connect(m_notice, &DeviceNotice::devicesChanged, this, &PortWatch::lookForAWhile);
}

QString PortWatch::defaultDevicesFolder()
{
#ifdef Q_OS_WIN
    return {};
#else
    return QStringLiteral("/dev");
#endif
}

void PortWatch::start(const PortIdentity &lost)
{
    stop();
    m_lost = lost;
    m_listingStamp.clear();
    const QList<SerialPortEntry> ports = needsListing() ? listedPorts() : QList<SerialPortEntry>();
    m_namesAtStart = namesOf(ports);
    const QString nodeNow = nodeOfPort(m_lost.name, ports);
    // The watch begins only once events run again, which typing holds up for
    // seconds: a device re-plugged meanwhile under the same name has already
    // made its node anew, and only the node the link had tells.
    m_lostNode = m_lost.nodeWhenLinked.isEmpty() ? nodeNow : m_lost.nodeWhenLinked;
    // A port that is no file has no node to tell an old device from a new
    // one: the link's loss is its going away.
    m_seenAbsent = nodeNow.isEmpty() || m_lostNode == kListedSignature;
    m_active = true;
    // The device may have come back before the watch began.
    lookForAWhile();
}

void PortWatch::stop()
{
    m_active = false;
    m_pollTimer.stop();
    m_settleTimer.stop();
}

void PortWatch::lookForAWhile()
{
    if (!m_active || m_settleTimer.isActive())
        return;
    m_sinceNotice.start();
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
}

std::optional<QString> PortWatch::lookOnce()
{
    const QList<SerialPortEntry> ports = needsListing() ? listedPorts() : QList<SerialPortEntry>();
    const QString node = nodeOfPort(m_lost.name, ports);
    if (node.isEmpty())
        m_seenAbsent = true;
    else if (m_seenAbsent || node != m_lostNode)
        return m_lost.name;
    for (const SerialPortEntry &port : ports) {
        if (port.name != m_lost.name && !m_namesAtStart.contains(port.name) && sameAdapter(port))
            return port.name;
    }
    return std::nullopt;
}

bool PortWatch::needsListing() const
{
    return !m_lost.serialNumber.isEmpty() || (m_lost.vendorId && m_lost.productId)
           || portSystemLocation(m_lost.name).isEmpty();
}

// Listing the ports reads a good part of the system's device tree; a device
// that comes or goes changes the folder of device nodes, which is cheap to
// look at. For a while after a change the listing is taken again at every
// look: the system describes a new device (its serial number, its ids) a
// little after its node appears.
QList<SerialPortEntry> PortWatch::listedPorts()
{
    const QString stamp = m_devicesFolder.isEmpty() ? QString() : nodeSignature(m_devicesFolder);
    if (stamp.isEmpty() || stamp != m_listingStamp) {
        m_listingStamp = stamp;
        m_sinceDevicesChanged.start();
    } else if (m_sinceDevicesChanged.hasExpired(kNewDeviceDescribedWithin.count())) {
        return m_listing;
    }
    m_listing = m_lister();
    return m_listing;
}

bool PortWatch::sameAdapter(const SerialPortEntry &port) const
{
    if (!m_lost.serialNumber.isEmpty())
        return port.serialNumber == m_lost.serialNumber;
    return m_lost.vendorId && m_lost.productId && port.vendorId == m_lost.vendorId && port.productId == m_lost.productId;
}
