#include "portlist.h"

#include <QSerialPortInfo>

namespace {
const QString kPortOption = QStringLiteral("--port");
const QString kPortOptionWithValue = QStringLiteral("--port=");
} // namespace

QStringList systemPortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        names << port.portName();
    return names;
}

QStringList extraPortsFromArguments(const QStringList &arguments)
{
    QStringList paths;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == kPortOption) {
            if (i + 1 < arguments.size())
                paths << arguments.at(++i);
        } else if (argument.startsWith(kPortOptionWithValue)) {
            const QString path = argument.mid(kPortOptionWithValue.size());
            if (!path.isEmpty())
                paths << path;
        }
    }
    return paths;
}
