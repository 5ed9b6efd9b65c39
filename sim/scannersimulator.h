#pragma once

#include "scannercommand.h"
#include "scannerpersona.h"
#include "simoptions.h"

#include <QByteArray>

#include <chrono>
#include <deque>
#include <optional>

class SimulatorLine;

// The simulated scanner's main loop on the master side of a pseudo-terminal.
// It sleeps in poll() between events: commands from the host, lines on
// standard input, and the times at which reply pieces, data blocks and the
// pulling and plugging of the cable are due. While no program holds the port
// open the line reads as hung up; the loop then looks again every so often
// and drops what it had scheduled, so a later opening starts from a clean line.
class ScannerSimulator
{
public:
    ScannerSimulator(const SimOptions &options, SimulatorLine &line);
    // Runs until stopFlag becomes true (set from a signal handler).
    void run(const volatile bool &stopFlag);

private:
    using Clock = std::chrono::steady_clock;
    struct PendingWrite
    {
        Clock::time_point due;
        QByteArray bytes;
        bool dataBlock;
        QByteArray whole; // on the last piece of a reply or block: all of it, for the report
        int piece;        // which piece of how many, counted from 1
        int pieces;
    };

    void handleCable(Clock::time_point now);
    void checkForListener(Clock::time_point now);
    void loseListener();
    void readCommands();
    void readStandardInput();
    void answer(const ScannerCommand &command, Clock::time_point now);
    void queueNextBlock(Clock::time_point due);
    void schedule(const QByteArray &bytes, Clock::time_point due, int pieces, std::chrono::milliseconds gap,
                  bool dataBlock);
    bool atAgreedSpeed(const char *what);
    void writeDue(Clock::time_point now);
    void writeBytes(const PendingWrite &write);
    std::chrono::nanoseconds pollTimeout(Clock::time_point now) const;

    const SimOptions &m_options;
    SimulatorLine &m_line;
    ScannerPersona m_persona;
    CommandStream m_commands;
    std::deque<PendingWrite> m_writes;
    std::optional<Clock::time_point> m_nextBlockDue;
    std::optional<Clock::time_point> m_unplugDue;
    std::optional<Clock::time_point> m_replugDue;
    Clock::time_point m_nextListenerCheck;
    int m_nextBlock = 0;
    bool m_listening = false;
    bool m_unpluggedOnce = false;
    bool m_watchInput = true;
};
