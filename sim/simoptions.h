#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// How the simulated scanner behaves, from its command line.
struct SimOptions
{
    QString linkPath;                     // a symbolic link to the pseudo-terminal, if given
    QByteArray version = QByteArrayLiteral("V2.3\r\n"); // as real scanners end it
    QByteArray model = QByteArrayLiteral("KR1");
    QList<QByteArray> blocks;             // data blocks, sent in turn
    std::optional<std::chrono::milliseconds> delay;  // first block this long after identification
    std::optional<std::chrono::milliseconds> repeat; // then one block every period
    bool silent = false;                  // answer nothing
    int replyPieces = 1;                  // write each reply in this many pieces
    std::chrono::milliseconds pieceGap{30};
    std::chrono::milliseconds byteGap{0}; // above 0: every byte goes out alone, this far apart
    int readsPerLine = 1;                 // data blocks sent for each line on standard input
    std::chrono::milliseconds readGap{0}; // between those blocks; 0: back to back
    int burstBytes = 0;                   // above 0: data goes out in bursts of this many bytes
    std::chrono::milliseconds burstEvery{16}; // one burst this often
    bool garbageFirst = false;            // noise before every reply
    QByteArray beforeReply;               // and these bytes (a read, or noise) before every reply
    bool timestamps = false;              // monotonic time of each block written
    std::optional<std::chrono::milliseconds> unplugAfter; // cable pulled this long after the port was opened
    std::optional<std::chrono::milliseconds> replugAfter; // and plugged in again this long after that
    std::chrono::milliseconds startAfterReplug{0}; // once plugged in again, deaf this long while it starts
    std::optional<int> baud;              // talk only to a port opened at this speed
};

// Parses the arguments (the first is the program). Returns nothing and
// fills errorText when an option is wrong; exits for --help.
std::optional<SimOptions> parseSimOptions(const QStringList &arguments, QString *errorText);
