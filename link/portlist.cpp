#include "portlist.h"

#include <QSerialPortInfo>

namespace {
const QString kDeviceFolder = QStringLiteral("/dev/");
const QString kToolTipWithMaker = QStringLiteral("%1 (%2)");
} // namespace

QList<SerialPortEntry> systemPorts()
{
    QList<SerialPortEntry> entries;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        SerialPortEntry entry{port.portName(), port.description(), port.manufacturer(), port.serialNumber(),
                              std::nullopt, std::nullopt};
        if (port.hasVendorIdentifier())
            entry.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            entry.productId = port.productIdentifier();
        entries << entry;
    }
    return entries;
}

QString portToolTip(const SerialPortEntry &port)
{
    if (port.description.isEmpty() || port.manufacturer.isEmpty())
        return port.description.isEmpty() ? port.manufacturer : port.description;
    return kToolTipWithMaker.arg(port.description, port.manufacturer);
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
