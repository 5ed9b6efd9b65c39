#pragma once

#include "readsplitter.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class ScannerLink;

// What the scanner sends while the link is up, from the port to the reads.
// Bytes are read as soon as the port has them and cut into reads; each read
// is handed out at once for the log, and then, in order and one at a time,
// for handling. Handling may take long (typing) or run a modal dialog; the
// port is read all the same meanwhile, and the reads that come wait their
// turn. No read loop runs here: every call returns with what is there.
class ReceivePath : public QObject
{
    Q_OBJECT

public:
    using ReadCallback = std::function<void(const ScannerRead &read)>;
    using HandlingGate = std::function<bool()>;

    explicit ReceivePath(ScannerLink &link, QObject *parent = nullptr);

    // Each read, as soon as it is complete.
    void setArrivalHandler(ReadCallback callback) { m_arrival = std::move(callback); }
    // Each read in turn; it may run the event loop, even modally.
    void setReadHandler(ReadCallback callback) { m_handler = std::move(callback); }
    // While the gate says no (a modal dialog is open), reads wait to be handled.
    void setHandlingGate(HandlingGate gate) { m_gate = std::move(gate); }

    // The link is up at this speed: read from now on.
    void start(int bitsPerSecond);
    // The link is down: what was pending ends now.
    void stop();
    // Takes in what the port has now, without running the event loop: a
    // long typing run calls it in its pauses.
    void readNow();

private:
    void readPort();
    void elapse();
    void collect();
    void handleWaiting();
    ReadSplitter::Time now() const { return ReadSplitter::Time(m_clock.elapsed()); }

    ScannerLink &m_link;
    ReadSplitter m_splitter;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    QTimer m_handleSoon;
    QList<ScannerRead> m_waiting;
    ReadCallback m_arrival;
    ReadCallback m_handler;
    HandlingGate m_gate;
    bool m_receiving = false;
    bool m_handling = false;
};
