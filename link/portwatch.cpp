#include "portwatch.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds kLookInterval{1000};
constexpr std::chrono::milliseconds kSettleTime{500};
// Where ports are not files, a listed name is all there is to compare.
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

} // namespace

PortIdentity identityOf(const QString &portName, const QList<SerialPortEntry> &ports)
{
    const QString location = portSystemLocation(portName);
    for (const SerialPortEntry &port : ports) {
        if (port.name == portName || (!location.isEmpty() && portSystemLocation(port.name) == location))
            return {portName, port.serialNumber, port.vendorId, port.productId};
    }
    return {portName, {}, std::nullopt, std::nullopt};
}

PortWatch::PortWatch(PortLister lister, QObject *parent) : QObject(parent), m_lister(std::move(lister))
{
    m_pollTimer.setInterval(kLookInterval);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleTime);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        const std::optional<QString> back = lookOnce();
        if (!back)
            return;
        m_pollTimer.stop();
        m_returnedName = *back;
        m_settleTimer.start();
    });
    connect(&m_settleTimer, &QTimer::timeout, this, [this] { emit deviceReturned(m_returnedName); });
}

void PortWatch::start(const PortIdentity &lost)
{
    stop();
    m_lost = lost;
    const QList<SerialPortEntry> ports = needsListing() ? m_lister() : QList<SerialPortEntry>();
    m_namesAtStart = namesOf(ports);
    m_signatureAtStart = sameNameSignature(ports);
    m_seenAbsent = m_signatureAtStart.isEmpty();
    m_pollTimer.start();
}

void PortWatch::stop()
{
    m_pollTimer.stop();
    m_settleTimer.stop();
}

std::optional<QString> PortWatch::lookOnce()
{
    const QList<SerialPortEntry> ports = needsListing() ? m_lister() : QList<SerialPortEntry>();
    const QString signature = sameNameSignature(ports);
    if (signature.isEmpty())
        m_seenAbsent = true;
    else if (m_seenAbsent || signature != m_signatureAtStart)
        return m_lost.name;
    for (const SerialPortEntry &port : ports) {
        if (port.name != m_lost.name && !m_namesAtStart.contains(port.name) && sameAdapter(port))
            return port.name;
    }
    return std::nullopt;
}

QString PortWatch::sameNameSignature(const QList<SerialPortEntry> &ports) const
{
    const QString location = portSystemLocation(m_lost.name);
    if (location.isEmpty())
        return listed(ports, m_lost.name) ? kListedSignature : QString();
    return nodeSignature(location);
}

bool PortWatch::needsListing() const
{
    return !m_lost.serialNumber.isEmpty() || (m_lost.vendorId && m_lost.productId)
           || portSystemLocation(m_lost.name).isEmpty();
}

bool PortWatch::sameAdapter(const SerialPortEntry &port) const
{
    if (!m_lost.serialNumber.isEmpty())
        return port.serialNumber == m_lost.serialNumber;
    return m_lost.vendorId && m_lost.productId && port.vendorId == m_lost.vendorId && port.productId == m_lost.productId;
}
