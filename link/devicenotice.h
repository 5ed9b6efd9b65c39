#pragma once

#include <QObject>

// Tells when serial devices may have come or gone, where the system says so
// itself. The re-plug watch then looks at such moments instead of once a
// second.
class DeviceNotice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void devicesChanged();
};

// This system's notice; nullptr where the system sends none, and the watch
// looks on a timer.
DeviceNotice *createDeviceNotice(QObject *parent);
