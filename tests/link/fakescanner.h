#pragma once

#include "pseudoterminal.h"
#include "scannercommand.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

// A scanner played by a thread on the master side of a pseudo-terminal, so
// the link under test talks to a real serial line in the same process.
struct ScannerBehaviour
{
    QByteArray version = QByteArrayLiteral("V2.3");
    std::optional<QByteArray> model = QByteArrayLiteral("KR1"); // none: the model query goes unanswered
    int ignoredCommands = 0;                   // the first commands get no answer
    bool silent = false;                       // no command gets an answer
    int replyPieces = 1;
    std::chrono::milliseconds pieceGap{20};
    std::chrono::milliseconds byteGap{0};      // above 0: replies go out a byte at a time, as a UART sends them
};

class FakeScanner
{
public:
    explicit FakeScanner(ScannerBehaviour behaviour = {});
    ~FakeScanner();
    FakeScanner(const FakeScanner &) = delete;
    FakeScanner &operator=(const FakeScanner &) = delete;

    // Opens the pseudo-terminal and starts answering; false with the reason.
    bool start(QString *errorText);
    QString portPath() const { return m_terminal.slavePath(); }

    // Writes bytes as the scanner would send them, in pieces with a gap.
    void send(const QList<QByteArray> &pieces, std::chrono::milliseconds gap = std::chrono::milliseconds{0});
    // Everything the host wrote so far.
    QByteArray received() const;
    // Whether bytes are still going out (a reply, or a send() of the test).
    bool sending() const { return m_sending > 0; }
    // The cable is pulled: the thread stops and the line hangs up.
    void hangUp();

private:
    void serve();
    bool writeAll(const QByteArray &bytes);
    void answer(const ScannerCommand &command, int index);
    void stop();

    ScannerBehaviour m_behaviour;
    PseudoTerminal m_terminal;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sending{0};
    mutable std::mutex m_receivedLock;
    QByteArray m_received;
};
