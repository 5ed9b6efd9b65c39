#pragma once

#include <QStringList>

class QCommandLineParser;

// What the operator asked of Quillon on the command line.
struct CommandLine
{
    bool helpAsked = false;
    bool helpAllAsked = false; // with Qt's own options, which only a GUI application knows
    bool versionAsked = false;
    // "--port PATH" or "--port=PATH", repeatable, in the order given.
    QStringList extraPorts;
    // Options Quillon does not know, a "--port" without a path: told on
    // standard error, but the station still starts.
    QString mistakes;
};

// Declares Quillon's options on the parser and reads the arguments, the first
// of which is the program. The application object takes Qt's own options
// (-platform, -style, …) out of the arguments; before it exists they are
// unknown options and left alone.
CommandLine parseCommandLine(QCommandLineParser &parser, const QStringList &arguments);
