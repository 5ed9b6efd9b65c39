#pragma once

#include "openfailure.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port as the link uses it: one named port, opened for reading
// and writing, set to a speed at the scanner's framing (8 data bits, no
// parity, one stop bit, no flow control). Reads never block. Each system
// has its own implementation; createSerialDevice makes this system's.
class SerialDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open() failed, as far as the operator can act on it.
    virtual OpenFailure openFailure() const = 0;
    // The system's own words for the last failure, for the debug output.
    virtual QString errorString() const = 0;

    virtual bool configure(qint32 bitsPerSecond) = 0;

    virtual qint64 write(const QByteArray &bytes) = 0;
    // Returns once what was written is on its way down the line.
    virtual bool flush() = 0;
    // Drops what arrived and was not read yet.
    virtual void discardInput() = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;
    // Blocks until more bytes arrive or ms have passed, without running events.
    virtual bool waitForReadyRead(int ms) = 0;

signals:
    void readyRead();
    // The device went away under the open port (the cable was pulled, the
    // adapter unplugged): it delivers nothing more.
    void lost();
};

SerialDevice *createSerialDevice(const QString &portName, QObject *parent);
