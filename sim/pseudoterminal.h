#pragma once

#include <QString>

// A pseudo-terminal whose far end stands in for the scanner's serial port:
// whoever opens slavePath() talks to whoever holds masterFd(). The line is
// raw from the start, so nothing is echoed before the port is configured.
// No descriptor of the slave is kept here: while no program has the port
// open, the master reads as hung up, which is how the scanner's side can
// tell that the port was closed.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal();

    // Returns false with the system's reason in errorText.
    bool open(QString *errorText);
    int masterFd() const { return m_masterFd; }
    QString slavePath() const { return m_slavePath; }
    // Hangs up the line, as a pulled cable does for the port's user.
    void closeMaster();

private:
    int m_masterFd = -1;
    QString m_slavePath;
};
