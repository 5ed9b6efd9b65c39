#pragma once

#include <QString>

#include <windows.h>

// The device interface that every COM port offers, whatever its class.
inline constexpr GUID kComPortInterface{0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

// Where CreateFileW finds a port: names past COM9 open only in the device
// namespace, and the short names open there too.
inline QString comDevicePath(const QString &portName)
{
    const QString deviceNamespace = QStringLiteral("\\\\.\\");
    return portName.startsWith(deviceNamespace) ? portName : deviceNamespace + portName;
}
