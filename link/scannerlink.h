#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class SerialDevice;

// The link to the scanner: the serial port, the handshake that identifies
// the scanner, and the polled reads the handshake and the receive path use.
//
// Everything runs on the GUI thread, and the waits run the event loop, so
// the operator may close or reopen the link while a handshake is waiting for
// a reply. Each opening starts a new session; a handshake whose session has
// ended stops quietly and never touches the link that replaced it.
class ScannerLink : public QObject
{
    Q_OBJECT

public:
    // Receives a warning for the operator, already translated (context
    // "tools"); it may run a modal dialog, so events run inside it.
    using WarningHandler = std::function<void(const QString &message)>;

    explicit ScannerLink(QObject *parent = nullptr);
    ~ScannerLink() override;

    void setWarningHandler(WarningHandler handler);
    bool portOpen() const { return m_portOpen; }
    int deviceType() const { return m_deviceType; }
    // The port of the current or the last link, as it was named to openLink.
    QString portName() const { return m_portName; }

    // Opens the port, asks for the version and the model, and identifies
    // the scanner; any failure ends with the link closed.
    void openLink(const QString &portName, const QString &baudText);
    void closePort();

    // Writes a command, converting hex text to bytes first.
    void sendCommand(const QByteArray &command, bool isHexText);
    void waitWithEvents(int ms);
    // Gathers one reply into buffer: its size once complete, -1 when the
    // link is not open, was closed meanwhile or the waits ran out, -2 when
    // the reply does not fit below capacity.
    int readReply(char *buffer, int capacity, int maxWaits);

    // For the receive path; both are empty while the link is closed and
    // never block.
    qint64 bytesAvailable() const;
    QByteArray readAll();
    // Blocks until more bytes arrive or ms have passed, without running
    // events; false at once while the link is closed.
    bool waitForMoreBytes(int ms);

signals:
    void linkOpened();
    void linkConnected(const QString &resultText);
    void linkClosed();
    // The device went away under the link (the cable was pulled, the
    // adapter unplugged). The link is closed already; the warning follows.
    void deviceLost(const QString &portName);

private:
    void replacePort(const QString &portName);
    bool configurePort(const QString &baudText);
    void refuseOpen();
    QByteArray queryReply(int catalogueEntry, int maxWaits);
    bool sessionCurrent(quint64 session) const { return m_portOpen && session == m_session; }
    void onDeviceLost(SerialDevice *port);
    void endDisconnectedLink(quint64 session);
    void warn(const QString &message) const;

    QPointer<SerialDevice> m_port;
    QString m_portName;
    bool m_portOpen = false;
    int m_deviceType = 0;
    quint64 m_session = 0;
    bool m_disconnectPending = false;
    WarningHandler m_warningHandler;
};
