// The serial port through Qt's serial port class, where it is available.
#include "serialdevice.h"

#include "portlist.h"

#include <QSerialPort>

namespace {

constexpr QSerialPort::DataBits kDataBits = QSerialPort::Data8;
constexpr QSerialPort::Parity kParity = QSerialPort::NoParity;
constexpr QSerialPort::StopBits kStopBits = QSerialPort::OneStop;
constexpr QSerialPort::FlowControl kFlowControl = QSerialPort::NoFlowControl;

// Errors after which the port delivers nothing more: the cable was pulled or
// the device node went away. Left alone, a vanished device keeps reporting a
// read error at every turn of the event loop.
bool endsTheLink(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::DeviceNotFoundError:
        return true;
    default:
        return false;
    }
}

// The serial port class reports a missing permission and a port that another
// program holds alike; whether this user may read and write the device node
// tells the two apart.
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, bool mayUseDevice)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchDevice;
    case QSerialPort::PermissionError:
        return mayUseDevice ? OpenFailure::Busy : OpenFailure::NoPermission;
    default:
        return OpenFailure::Unexplained;
    }
}

class QtSerialDevice : public SerialDevice
{
public:
    QtSerialDevice(const QString &portName, QObject *parent) : SerialDevice(parent), m_port(portName, this)
    {
        connect(&m_port, &QSerialPort::readyRead, this, &SerialDevice::readyRead);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
            if (endsTheLink(error))
                emit lost();
        });
    }

    bool open() override { return m_port.open(QIODevice::ReadWrite); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    OpenFailure openFailure() const override
    {
        return classifyOpenFailure(m_port.error(), mayUseDevice(portSystemLocation(m_port.portName())));
    }
    QString errorString() const override { return m_port.errorString(); }

    bool configure(qint32 bitsPerSecond) override
    {
        return m_port.setBaudRate(bitsPerSecond) && m_port.setDataBits(kDataBits) && m_port.setParity(kParity)
               && m_port.setStopBits(kStopBits) && m_port.setFlowControl(kFlowControl);
    }

    qint64 write(const QByteArray &bytes) override { return m_port.write(bytes); }
    bool flush() override { return m_port.flush(); }
    void discardInput() override { m_port.clear(QSerialPort::Input); }
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray readAll() override { return m_port.readAll(); }
    bool waitForReadyRead(int ms) override { return m_port.waitForReadyRead(ms); }

private:
    QSerialPort m_port;
};

} // namespace

SerialDevice *createSerialDevice(const QString &portName, QObject *parent)
{
    return new QtSerialDevice(portName, parent);
}
