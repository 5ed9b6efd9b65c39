#pragma once

#include <QByteArray>

#include <optional>

// One command as the scanner takes it off the line: 57 00, the opcode, for
// a query the parameter id and for a setting also the value and a flag
// byte, then 00 55 00. Numbers are little-endian.
struct ScannerCommand
{
    quint8 opcode = 0;
    quint16 parameterId = 0;
    quint16 value = 0;
};

constexpr quint8 kStartDecodingOpcode = 0x18;
constexpr quint8 kStopDecodingOpcode = 0x19;
constexpr quint8 kQueryOpcode = 0x16;
constexpr quint8 kSetOpcode = 0x17;

// Splits the byte stream from the host into commands. Bytes that do not
// start a well-formed command are skipped one at a time, so the stream
// finds its footing again after noise.
class CommandStream
{
public:
    void append(const QByteArray &bytes) { m_pending += bytes; }
    std::optional<ScannerCommand> next();

private:
    QByteArray m_pending;
};
