#include "scannerlink.h"

#include "catalogue.h"
#include "devicetype.h"
#include "eventwait.h"
#include "frames.h"
#include "hexcodec.h"
#include "linklog.h"
#include "openfailure.h"
#include "operatortext.h"
#include "portlist.h"
#include "replytext.h"
#include "serialdevice.h"

#include <chrono>
#include <cstring>
#include <vector>

namespace {

// The handshake reads each reply into a buffer of this size.
constexpr int kReplyBufferBytes = 256;
// The version comes back quickly; some models take longer to name themselves.
constexpr int kVersionReplyWaits = 1000;
constexpr int kModelReplyWaits = 3000;
constexpr std::chrono::milliseconds kReplyPollWait{1};
constexpr int kReplyUnavailable = -1;
constexpr int kReplyTooLong = -2;
constexpr int kDecimalBase = 10;

const char *const kNoAnswerText =
    QT_TRANSLATE_NOOP("tools", "The scanner did not answer. Check the speed, the port and the cable.");
const char *const kSpeedRefusedText = QT_TRANSLATE_NOOP("tools", "The serial port does not take the speed %1.");
const char *const kNotSupportedText = QT_TRANSLATE_NOOP("tools", "Device type not supported.");
const char *const kDisconnectedText = QT_TRANSLATE_NOOP("tools", "The serial port was disconnected.");

} // namespace

ScannerLink::ScannerLink(QObject *parent) : QObject(parent) {}

ScannerLink::~ScannerLink() = default;

void ScannerLink::setWarningHandler(WarningHandler handler) { m_warningHandler = std::move(handler); }

void ScannerLink::openLink(const QString &portName, const QString &baudText)
{
    qCDebug(lcLink).noquote() << "comPort : " + portName;
    qCDebug(lcLink).noquote() << "comBaudRate : " + baudText;
    if (m_portOpen)
        closePort();

    replacePort(portName);
    if (!m_port->open()) {
        refuseOpen();
        return;
    }
    // Identifying at the port's old speed while the panel shows the chosen
    // one would only mislead.
    if (!configurePort(baudText)) {
        m_port->close();
        warn(operatorText(kSpeedRefusedText).arg(baudText));
        return;
    }

    m_portOpen = true;
    m_disconnectPending = false;
    const quint64 session = ++m_session;
    emit linkOpened();

    // From here on every wait may run a click that closes or reopens the
    // link; a handshake whose session is over leaves quietly.
    const QByteArray versionReply = queryReply(kVersionQueryEntry, kVersionReplyWaits);
    if (!sessionCurrent(session))
        return;
    // Wrong speed, wrong port or the scanner switched off: all the operator
    // sees is silence or noise, so the message names what to check.
    if (!isResponseFrame(versionReply.constData(), versionReply.size())) {
        closePort();
        warn(operatorText(kNoAnswerText));
        return;
    }
    const QString versionText = versionTextFromPayload(responsePayload(versionReply.constData(), versionReply.size()));
    qCDebug(lcLink).noquote() << versionText;

    const QByteArray modelReply = queryReply(kModelQueryEntry, kModelReplyWaits);
    if (!sessionCurrent(session))
        return;
    if (!isResponseFrame(modelReply.constData(), modelReply.size())) {
        warn(operatorText(kNotSupportedText));
        if (sessionCurrent(session))
            closePort();
        return;
    }
    const QString modelText = modelTextFromPayload(responsePayload(modelReply.constData(), modelReply.size()));
    qCDebug(lcLink).noquote() << modelText;

    m_deviceType = deviceTypeForModel(modelText);
    if (m_deviceType == kNoDeviceType) {
        warn(operatorText(kNotSupportedText));
        if (sessionCurrent(session))
            closePort();
        return;
    }
    emit linkConnected(connectionResultText(m_deviceType, modelText, versionText, portName, baudText));
}

void ScannerLink::closePort()
{
    // The session ends before the port closes, so an error the closing port
    // still reports is not taken for an unplugged cable.
    m_portOpen = false;
    ++m_session;
    if (m_port && m_port->isOpen())
        m_port->close();
    emit linkClosed();
}

void ScannerLink::sendCommand(const QByteArray &command, bool isHexText)
{
    const QByteArray bytes = isHexText ? hexTextToBytes(command) : command;
    if (isHexText)
        qCDebug(lcLink).noquote() << "hex:" << bytes.toHex();
    if (!m_port || !m_port->isOpen())
        return;
    m_port->write(bytes);
    // Qt writes from the event loop; the command must be on the line now.
    m_port->flush();
}

void ScannerLink::waitWithEvents(int ms) { ::waitWithEvents(std::chrono::milliseconds(ms)); }

int ScannerLink::readReply(char *buffer, int capacity, int maxWaits)
{
    if (!m_portOpen)
        return kReplyUnavailable;
    const quint64 session = m_session;
    int total = 0;
    for (int waits = 0;; ++waits) {
        // Whatever arrives after the link was closed or reopened belongs to
        // another link.
        if (!sessionCurrent(session))
            return kReplyUnavailable;
        const QByteArray bytes = m_port->readAll();
        if (total + bytes.size() >= capacity)
            return kReplyTooLong;
        std::memcpy(buffer + total, bytes.constData(), static_cast<size_t>(bytes.size()));
        total += bytes.size();
        // A frame that declares more than the buffer holds is refused now,
        // not after the waits run out.
        if (declaredFrameLength(buffer, total) >= capacity)
            return kReplyTooLong;
        if (const int complete = completeReplyLength(buffer, total))
            return complete;
        if (waits >= maxWaits)
            return kReplyUnavailable;
        ::waitWithEvents(kReplyPollWait);
    }
}

qint64 ScannerLink::bytesAvailable() const { return m_portOpen && m_port ? m_port->bytesAvailable() : 0; }

QByteArray ScannerLink::readAll() { return m_portOpen && m_port ? m_port->readAll() : QByteArray(); }

bool ScannerLink::waitForMoreBytes(int ms) { return m_portOpen && m_port && m_port->waitForReadyRead(ms); }

void ScannerLink::replacePort(const QString &portName)
{
    // The port of the last link may still be referred to by queued events;
    // it goes when the event loop is done with it.
    if (m_port) {
        m_port->disconnect(this);
        m_port->deleteLater();
    }
    m_portName = portName;
    SerialDevice *port = createSerialDevice(portName, this);
    connect(port, &SerialDevice::lost, this, [this, port] { onDeviceLost(port); });
    m_port = port;
}

bool ScannerLink::configurePort(const QString &baudText)
{
    const bool configured = m_port->configure(baudText.toInt(nullptr, kDecimalBase));
    if (!configured)
        qCDebug(lcLink).noquote() << "cannot configure" << m_portName + ":" << m_port->errorString();
    return configured;
}

void ScannerLink::refuseOpen()
{
    // The operator gets the system's reason in words they can act on; the
    // helper finds it verbatim in the debug output.
    qCDebug(lcLink).noquote() << "cannot open" << m_portName + ":" << m_port->errorString();
    const QString location = portSystemLocation(m_portName);
    // An empty port box names no device at all.
    const OpenFailure failure = m_portName.isEmpty() ? OpenFailure::NoSuchDevice : m_port->openFailure();
    warn(openFailureMessage(failure, deviceGroup(location)));
}

QByteArray ScannerLink::queryReply(int catalogueEntry, int maxWaits)
{
    if (catalogueCommands().size() != kCatalogueCommandCount)
        buildCommandCatalogue();
    // Whatever the line brought before the query (a barcode scanned just
    // before "Abrir", noise) is no part of the reply.
    m_port->flush();
    m_port->discardInput();
    sendCommand(catalogueCommands().at(catalogueEntry).toLatin1(), true);
    std::vector<char> buffer(kReplyBufferBytes, '\0');
    const int count = readReply(buffer.data(), kReplyBufferBytes, maxWaits);
    return count > 0 ? QByteArray(buffer.data(), count) : QByteArray();
}

void ScannerLink::onDeviceLost(SerialDevice *port)
{
    if (port != m_port || !m_portOpen || m_disconnectPending)
        return;
    // Closing from inside the port's own notification is not safe; the link
    // ends as soon as the event loop turns.
    m_disconnectPending = true;
    qCDebug(lcLink).noquote() << "port error on" << m_portName + ":" << port->errorString();
    QMetaObject::invokeMethod(this, [this, session = m_session] { endDisconnectedLink(session); },
                              Qt::QueuedConnection);
}

void ScannerLink::endDisconnectedLink(quint64 session)
{
    m_disconnectPending = false;
    if (!sessionCurrent(session))
        return;
    closePort();
    emit deviceLost(m_portName);
    warn(operatorText(kDisconnectedText));
}

void ScannerLink::warn(const QString &message) const
{
    // A copy: the handler runs a modal dialog, during which it may be replaced.
    const WarningHandler handler = m_warningHandler;
    if (handler)
        handler(message);
    else
        qCWarning(lcLink).noquote() << message;
}
