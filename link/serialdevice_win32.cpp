// The serial port through the Win32 communications API. The Qt that Quillon
// is built with for Windows has no serial port module.
//
// The event loop learns of arriving bytes from a short poll of the driver's
// input queue rather than from an overlapped wait on a comm event: the handle
// stays synchronous, so reads, writes and closing never leave a request
// pending to be cancelled; Windows and Wine go the same way; and the same
// look notices a device that went away, whose queue can no longer be asked.
// A look costs one driver call; the link is idle most of the day.
#include "serialdevice.h"

#include "comport_win32.h"
#include "linklog.h"

#include <QElapsedTimer>
#include <QTimer>

#include <windows.h>

#include <chrono>
#include <string>

namespace {

constexpr std::chrono::milliseconds kArrivalPollInterval{10};
// How long a blocking wait sleeps between two looks at the input queue.
constexpr DWORD kWaitSliceMs = 1;
// A write the driver has not taken by then fails rather than hold the window.
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kReadChunkBytes = 4096;
constexpr BYTE kDataBits = 8;

OpenFailure openFailureFromError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return OpenFailure::NoSuchDevice;
    // Windows refuses a port another program has open with access denied;
    // Wine says so with a lock or sharing violation.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
        return OpenFailure::Busy;
    default:
        return OpenFailure::Unexplained;
    }
}

class Win32SerialDevice : public SerialDevice
{
public:
    Win32SerialDevice(const QString &portName, QObject *parent) : SerialDevice(parent), m_portName(portName)
    {
        m_arrivalPoll.setInterval(kArrivalPollInterval);
        connect(&m_arrivalPoll, &QTimer::timeout, this, [this] { lookAtLine(); });
    }
    ~Win32SerialDevice() override { close(); }

    bool open() override
    {
        close();
        const QString path = comDevicePath(m_portName);
        m_handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) {
            m_error = GetLastError();
            return false;
        }
        // Reads return at once with whatever has arrived.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
        if (!SetCommTimeouts(m_handle, &timeouts) || !PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR)) {
            m_error = GetLastError();
            close();
            return false;
        }
        m_announced = 0;
        m_lostReported = false;
        m_arrivalPoll.start();
        return true;
    }

    void close() override
    {
        m_arrivalPoll.stop();
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }
    OpenFailure openFailure() const override { return openFailureFromError(m_error); }
    QString errorString() const override { return qt_error_string(static_cast<int>(m_error)); }

    bool configure(qint32 bitsPerSecond) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!isOpen() || !GetCommState(m_handle, &dcb)) {
            m_error = GetLastError();
            return false;
        }
        dcb.BaudRate = static_cast<DWORD>(bitsPerSecond);
        dcb.ByteSize = kDataBits;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        // Adapters that power the scanner from the modem lines need them up.
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        if (!SetCommState(m_handle, &dcb)) {
            m_error = GetLastError();
            return false;
        }
        return true;
    }

    qint64 write(const QByteArray &bytes) override
    {
        DWORD written = 0;
        if (!isOpen())
            return -1;
        if (!WriteFile(m_handle, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
            deviceFailed();
            return -1;
        }
        return written;
    }

    bool flush() override { return isOpen() && FlushFileBuffers(m_handle); }

    void discardInput() override
    {
        if (isOpen())
            PurgeComm(m_handle, PURGE_RXCLEAR);
        m_announced = 0;
    }

    qint64 bytesAvailable() const override
    {
        DWORD queued = 0;
        return queuedBytes(&queued) ? queued : 0;
    }

    QByteArray readAll() override
    {
        QByteArray data;
        char chunk[kReadChunkBytes];
        while (isOpen()) {
            DWORD got = 0;
            if (!ReadFile(m_handle, chunk, kReadChunkBytes, &got, nullptr)) {
                deviceFailed();
                break;
            }
            data.append(chunk, static_cast<int>(got));
            if (got < kReadChunkBytes)
                break;
        }
        m_announced = 0;
        return data;
    }

    bool waitForReadyRead(int ms) override
    {
        const qint64 before = bytesAvailable();
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            DWORD queued = 0;
            if (!queuedBytes(&queued))
                return false;
            if (queued > before)
                return true;
            if (clock.hasExpired(ms))
                return false;
            Sleep(kWaitSliceMs);
        }
    }

private:
    // The bytes waiting in the driver's input queue; false once the port
    // cannot be asked. Line errors are only logged: a frame they spoil fails
    // its own checks.
    bool queuedBytes(DWORD *queued) const
    {
        COMSTAT status{};
        DWORD lineErrors = 0;
        if (!isOpen() || !ClearCommError(m_handle, &lineErrors, &status))
            return false;
        if (lineErrors != 0)
            qCDebug(lcLink).noquote() << "line errors on" << m_portName + ":" << Qt::hex << lineErrors;
        *queued = status.cbInQue;
        return true;
    }

    void lookAtLine()
    {
        DWORD queued = 0;
        if (!queuedBytes(&queued)) {
            deviceFailed();
            return;
        }
        // Announced once per growth, as more bytes come in.
        if (queued > m_announced) {
            m_announced = queued;
            emit readyRead();
        } else {
            m_announced = queued;
        }
    }

    void deviceFailed()
    {
        m_error = GetLastError();
        m_arrivalPoll.stop();
        if (m_lostReported)
            return;
        m_lostReported = true;
        emit lost();
    }

    QString m_portName;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    DWORD m_error = ERROR_SUCCESS;
    DWORD m_announced = 0;
    bool m_lostReported = false;
    QTimer m_arrivalPoll;
};

} // namespace

SerialDevice *createSerialDevice(const QString &portName, QObject *parent)
{
    return new Win32SerialDevice(portName, parent);
}
