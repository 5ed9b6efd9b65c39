#include "portlist.h"

#include <QRegularExpression>

#include <limits>
#include <utility>

namespace {
const QString kDeviceFolder = QStringLiteral("/dev/");
const QString kToolTipWithMaker = QStringLiteral("%1 (%2)");
constexpr int kHexBase = 16;
const QString kVendorField = QStringLiteral("VID_");
const QString kProductField = QStringLiteral("PID_");
const QString kInterfaceField = QStringLiteral("MI_");
const QString kUsbBus = QStringLiteral("USB");
const QString kFtdiBus = QStringLiteral("FTDIBUS");

// A name split before its trailing digits: "COM" and 10 for "COM10".
std::pair<QString, qulonglong> nameAndNumber(const QString &name)
{
    int digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    return {name.left(digits).toUpper(), name.mid(digits).toULongLong()};
}

std::optional<quint16> hexId(const QString &text)
{
    bool ok = false;
    const uint id = text.toUInt(&ok, kHexBase);
    return ok && id <= std::numeric_limits<quint16>::max() ? std::optional<quint16>(static_cast<quint16>(id)) : std::nullopt;
}
} // namespace

QString portToolTip(const SerialPortEntry &port)
{
    if (port.description.isEmpty() || port.manufacturer.isEmpty())
        return port.description.isEmpty() ? port.manufacturer : port.description;
    return kToolTipWithMaker.arg(port.description, port.manufacturer);
}

bool portNameBefore(const QString &a, const QString &b)
{
    const auto [aName, aNumber] = nameAndNumber(a);
    const auto [bName, bNumber] = nameAndNumber(b);
    if (aName != bName)
        return aName < bName;
    if (aNumber != bNumber)
        return aNumber < bNumber;
    return a < b;
}

UsbIdentity usbIdentityFromInstanceId(const QString &instanceId)
{
    UsbIdentity identity;
    const QStringList parts = instanceId.split(QLatin1Char('\\'));
    if (parts.size() < 2)
        return identity;
    const QString bus = parts.at(0).toUpper();
    const QStringList fields = parts.at(1).split(QRegularExpression(QStringLiteral("[&+]")));
    for (const QString &field : fields) {
        if (field.startsWith(kVendorField, Qt::CaseInsensitive))
            identity.vendorId = hexId(field.mid(kVendorField.size()));
        else if (field.startsWith(kProductField, Qt::CaseInsensitive))
            identity.productId = hexId(field.mid(kProductField.size()));
        else if (bus == kFtdiBus && !field.startsWith(kInterfaceField, Qt::CaseInsensitive))
            identity.serialNumber = field; // FTDI's driver puts the serial number among the ids
    }
    // A USB device with a serial number has it as its instance part; without
    // one, Windows makes up an instance part with ampersands in it.
    if (bus == kUsbBus && parts.size() > 2 && !parts.at(2).contains(QLatin1Char('&')))
        identity.serialNumber = parts.at(2);
    return identity;
}

QString portSystemLocation(const QString &portName)
{
#ifdef Q_OS_WIN
    Q_UNUSED(portName)
    return {};
#else
    // As the serial port class itself reads a port name.
    if (portName.isEmpty() || portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return kDeviceFolder + portName;
#endif
}
