// The system's ports as Qt's serial port module lists them.
#include "portlist.h"

#include <QSerialPortInfo>

#include <algorithm>

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


bool portNamePresent(const QString &portName)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&portName](const QSerialPortInfo &port) { return port.portName() == portName; });
}
