#pragma once

#include "pseudoterminal.h"

#include <QString>

// The simulated scanner's end of the cable: a pseudo-terminal, reached through
// the --link path when one is given. Pulling the cable out closes the
// pseudo-terminal and takes the link away, as a device node goes when an
// adapter is unplugged; plugging it in makes a new pseudo-terminal behind the
// same path.
class SimulatorLine
{
public:
    explicit SimulatorLine(QString linkPath) : m_linkPath(std::move(linkPath)) {}
    SimulatorLine(const SimulatorLine &) = delete;
    SimulatorLine &operator=(const SimulatorLine &) = delete;
    ~SimulatorLine() { pullOut(); }

    // Returns false with the reason in errorText.
    bool plugIn(QString *errorText);
    void pullOut();
    bool pluggedIn() const { return m_terminal.masterFd() >= 0; }
    int masterFd() const { return m_terminal.masterFd(); }
    QString slavePath() const { return m_terminal.slavePath(); }
    // The speed in baud at which the port's user set up the line; 0 when it
    // is none of the usual speeds.
    int lineSpeed() const;

private:
    bool makeLink(QString *errorText) const;

    QString m_linkPath;
    PseudoTerminal m_terminal;
};
