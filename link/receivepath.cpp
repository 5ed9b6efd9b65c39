#include "receivepath.h"

#include "scannerlink.h"

#include <algorithm>
#include <chrono>

namespace {

// How often reads held back by a modal dialog look whether it has closed.
constexpr std::chrono::milliseconds kHeldBackRetry{50};

} // namespace

ReceivePath::ReceivePath(ScannerLink &link, QObject *parent) : QObject(parent), m_link(link)
{
    m_clock.start();
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_handleSoon.setSingleShot(true);
    connect(&m_link, &ScannerLink::bytesArrived, this, &ReceivePath::readPort);
    connect(&m_deadline, &QTimer::timeout, this, &ReceivePath::elapse);
    // Handling runs from a timer of its own, never inside the port's
    // notification, so that the port is read while a read is being handled.
    connect(&m_handleSoon, &QTimer::timeout, this, &ReceivePath::handleWaiting);
}

void ReceivePath::start(int bitsPerSecond)
{
    m_splitter.setQuietGap(quietGapFor(bitsPerSecond));
    m_receiving = true;
    // Bytes that came right after the handshake gave no new notification.
    readPort();
}

void ReceivePath::stop()
{
    if (!m_receiving)
        return;
    m_receiving = false;
    m_deadline.stop();
    m_splitter.finish();
    collect();
}

void ReceivePath::readNow()
{
    if (!m_receiving)
        return;
    m_link.waitForMoreBytes(0);
    readPort();
}

void ReceivePath::readPort()
{
    if (!m_receiving)
        return;
    m_splitter.receive(m_link.readAll(), now());
    collect();
}

// The line fell quiet only if the port has nothing more: bytes that came
// while the program was busy elsewhere continue the read.
void ReceivePath::elapse()
{
    m_link.waitForMoreBytes(0);
    m_splitter.receive(m_link.readAll(), now());
    m_splitter.elapse(now());
    collect();
}

void ReceivePath::collect()
{
    const QList<ScannerRead> reads = m_splitter.takeReads();
    for (const ScannerRead &read : reads) {
        if (m_arrival)
            m_arrival(read);
        m_waiting.append(read);
    }
    if (!reads.isEmpty())
        m_handleSoon.start(0);

    if (const std::optional<ReadSplitter::Time> due = m_splitter.deadline())
        m_deadline.start(std::max(ReadSplitter::Time(0), *due - now()));
    else
        m_deadline.stop();
}

// One read at each turn of the event loop, so that a click on "Cierre" is
// never kept waiting behind a line that keeps sending.
void ReceivePath::handleWaiting()
{
    // A read still being handled (in a modal dialog, say) goes first; the
    // next one follows when it is done.
    if (m_handling || m_waiting.isEmpty())
        return;
    if (m_gate && !m_gate()) {
        m_handleSoon.start(kHeldBackRetry);
        return;
    }
    m_handling = true;
    const ScannerRead read = m_waiting.takeFirst();
    if (m_handler)
        m_handler(read);
    m_handling = false;
    if (!m_waiting.isEmpty())
        m_handleSoon.start(0);
}
